// The shading service a program hands to a scene: it owns all vertex and
// pixel processing, and the scene brackets every draw call with it.
#pragma once

#include <d3dx9math.h>
#include <windows.h>

#include "IVeyaSurface.h"

DECLARE_INTERFACE_ID(IVeyaShader, 0x93F9C4EC, 0xC312, 0x4676, 0xA8, 0x33, 0x1F, 0x3B, 0xD5, 0x59,
                     0x62, 0x83);

// Techniques the scene asks for in Begin and BeginEdge.
enum VeyaShaderTechnique : DWORD {
  kTechniqueSkinned = 0,  // stream 0 only
  kTechniqueMorph1 = 1,   // stream 0 morphed toward stream 1
  kTechniqueMorph3 = 2,   // stream 0 morphed toward streams 1, 2 and 3
};

// Shading types the scene passes to Begin besides a surface's own type.
enum VeyaShadingType : DWORD {
  kShadingPlain = 0,      // depth passes and joint markers
  kShadingCollision = 1,  // collision triangles with face normals
};

// The scene binds each mesh's vertex buffer (80-byte LayerVertex records,
// IVeyaLayer.h) to stream 0, and for morphs the target layers' buffers to
// streams 1-3, sets the index buffer, then calls Begin or BeginEdge, issues
// one draw call and calls End; joint markers and collision triangles are
// drawn from memory in the same 80-byte layout. The service sets whatever
// declaration, shaders and constants that draw needs. The scene holds one
// reference to the service for its whole life and calls it only from the
// thread that owns the device. The scene does not examine the results;
// return S_OK, or an error for the program's own diagnosis.
struct IVeyaShader : public IUnknown {
  virtual ~IVeyaShader() = default;

  // Prepares the device for one ordinary draw call. `shadingType` is the
  // surface type from the material (SurfaceRenderParameters::surfaceType)
  // or one of VeyaShadingType; `technique` is one of VeyaShaderTechnique.
  virtual HRESULT Begin(DWORD shadingType, DWORD technique) = 0;
  // Prepares the device for one outline draw call with the size and colour
  // of the last SetEdge.
  virtual HRESULT BeginEdge(DWORD technique) = 0;
  // Ends the draw started by Begin or BeginEdge.
  virtual HRESULT End() = 0;
  // Takes the material of the following draws. `parameters` is valid only
  // during the call: copy what is kept. `materialArgument` is passed through
  // unchanged from the program's draw call.
  virtual HRESULT SetMaterial(const SurfaceRenderParameters* parameters,
                              DWORD materialArgument) = 0;
  // Stores one skinning matrix (row vectors, D3DX conventions) in
  // `matrixRegister`, the register the layer's vertices name in their blend
  // registers. `matrix` is valid only during the call.
  virtual HRESULT SetMatrix(SHORT matrixRegister, const D3DXMATRIX* matrix) = 0;
  // Stores the morph weights of the following morph draws. Each pointer
  // names three floats (one weight per axis) and is valid only during the
  // call. For kTechniqueMorph1 only `weight1` is given, the others are null;
  // for kTechniqueMorph3 the scene passes the weights of its four-layer morph
  // draw in the order weight 3, weight 1, weight 2.
  virtual HRESULT SetMorphWeights(const FLOAT* weight1, const FLOAT* weight2,
                                  const FLOAT* weight3) = 0;
  // Stores the outline size and colour for the following BeginEdge calls.
  // `parameters` is valid only during the call.
  virtual HRESULT SetEdge(FLOAT edgeSize, const SurfaceEdgeParameters* parameters) = 0;
};
