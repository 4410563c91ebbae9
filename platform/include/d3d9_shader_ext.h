// Platform extension to Direct3D 9: programmable vertex and pixel stages
// written as C++ callables instead of shader bytecode. The resulting
// IDirect3DVertexShader9 / IDirect3DPixelShader9 objects are bound with
// SetVertexShader / SetPixelShader and read their constants from
// Set{Vertex,Pixel}ShaderConstantF like compiled shaders. The device
// reports vertex and pixel shader version 2.0 for them.
//
// The outputs mirror the 2.0 shader registers: a clip-space position (oPos),
// two colours (oD0, oD1) and eight texture-coordinate sets (oT0..oT7) of
// four floats. With a vertex callable and no pixel callable the
// fixed-function texture stages colour the pixel from oD0 and oT[n] (n from
// D3DTSS_TEXCOORDINDEX), as they would after a compiled vertex shader.
#pragma once

#include <functional>

#include "d3d9.h"

#define D3DSHADER_MAX_STREAMS 4
#define D3DSHADER_MAX_TEXCOORDS 8

// What a vertex callable sees for one vertex.
struct D3DSHADER_VERTEX_INPUT {
  // The vertex's bytes in streams 0..3 (offset and stride already applied),
  // null for an unbound stream.
  const BYTE* streams[D3DSHADER_MAX_STREAMS];
  // The vertex's index (after the base vertex index).
  UINT vertexIndex;
  // Vertex shader constant registers c0..c255.
  const float (*constants)[4];
};

// What a vertex callable writes. The device clears it to zeros (colours to
// opaque white) before the call.
struct D3DSHADER_VERTEX_OUTPUT {
  float position[4];
  float diffuse[4];
  float specular[4];
  float texcoord[D3DSHADER_MAX_TEXCOORDS][4];
};

// Samples the texture of a stage with that sampler's filter and addressing;
// gives r, g, b, a in 0..1 (0, 0, 0, 1 when no texture is bound).
struct D3DSHADER_SAMPLER {
  virtual void Sample(DWORD stage, float u, float v, float rgba[4]) const = 0;

 protected:
  ~D3DSHADER_SAMPLER() = default;
};

// What a pixel callable sees for one pixel: the vertex outputs interpolated
// perspective-correctly, the screen position of the pixel centre and depth.
struct D3DSHADER_PIXEL_INPUT {
  float diffuse[4];
  float specular[4];
  float texcoord[D3DSHADER_MAX_TEXCOORDS][4];
  float x;
  float y;
  float z;
  // TRUE when the triangle faces the viewer (clockwise on screen).
  BOOL frontFace;
  // Pixel shader constant registers c0..c223.
  const float (*constants)[4];
  const D3DSHADER_SAMPLER* sampler;
};

// Transforms one vertex. Called on the drawing thread, once per vertex used.
typedef std::function<void(const D3DSHADER_VERTEX_INPUT& in, D3DSHADER_VERTEX_OUTPUT& out)>
    D3DVERTEXSHADERFUNCTION;
// Colours one pixel into `rgba` (0..1 each; clamped afterwards). Returning
// FALSE discards the pixel (like texkill): neither colour nor depth is
// written. Alpha test, depth test and blending follow as usual.
typedef std::function<BOOL(const D3DSHADER_PIXEL_INPUT& in, float rgba[4])> D3DPIXELSHADERFUNCTION;

// Wraps `function` as a vertex shader of `device`. On success *shader holds
// one reference; on failure (null device, out-pointer or function) it is
// null and the result is D3DERR_INVALIDCALL.
HRESULT WINAPI D3DCreateVertexShaderFromFunction(IDirect3DDevice9* device,
                                                 D3DVERTEXSHADERFUNCTION function,
                                                 IDirect3DVertexShader9** shader);
// Wraps `function` as a pixel shader of `device`, as above.
HRESULT WINAPI D3DCreatePixelShaderFromFunction(IDirect3DDevice9* device,
                                                D3DPIXELSHADERFUNCTION function,
                                                IDirect3DPixelShader9** shader);
