// One drawable part of a character: skinned meshes in Direct3D buffers, a
// skeleton of named bones, the links that feed motions' skin matrices to the
// shading service, visibility, a depth pre-pass flag, a bounding box and an
// optional morph toward another layer.
#pragma once

#include <d3dx9math.h>
#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "KeyTracks.h"

struct IDirect3DDevice9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;

DECLARE_INTERFACE_ID(IVeyaLayer, 0x798EC73E, 0x5732, 0x4275, 0xBE, 0x03, 0x85, 0x4C, 0x61, 0xFB,
                     0xAB, 0xDA);

// Bytes per mesh vertex in a layer's vertex buffers.
constexpr UINT kLayerVertexSize = 80;

// One mesh vertex as the vertex buffers hold it, little-endian floats exactly
// as stored in a scene file. The layer reads none of it; the scene's collision
// builder reads the position, blend registers and blend weights, and the
// shading service reads what it needs. `normal`, `texture` and `shaderData`
// are a convention between the program that makes the scene and its shading
// service; the scene writes face normals into `normal` when it draws
// collision triangles.
struct LayerVertex {
  FLOAT position[3];        // bytes 0-11
  FLOAT normal[3];          // bytes 12-23
  FLOAT texture[2];         // bytes 24-31
  FLOAT shaderData[4];      // bytes 32-47
  FLOAT blendRegisters[4];  // bytes 48-63: matrix registers, as whole numbers
  FLOAT blendWeights[4];    // bytes 64-79
};
static_assert(sizeof(LayerVertex) == kLayerVertexSize, "a layer vertex is 80 bytes");

// One mesh: `vertexCount` vertices of kLayerVertexSize bytes and
// `polygonCount` triangles of three 16-bit indices, each below vertexCount
// in a layer read from a payload. A mesh without vertices has no buffers.
// The layer holds one reference to each buffer and releases it with the
// mesh; a program that fills an entry itself hands its references over.
struct LayerMesh {
  WORD vertexCount;
  IDirect3DVertexBuffer9* vertexBuffer;
  WORD polygonCount;
  IDirect3DIndexBuffer9* indexBuffer;
  WORD surfaceIndex;  // into the scene's surface table
};

// One bone of the skeleton.
struct LayerBone {
  const char* name;  // owned by the layer (change it with SetBoneName); may be null
  D3DXVECTOR3 restPosition;
  D3DXVECTOR3 restDirection;
  FLOAT restLength;
  WORD motionIndex;  // into the scene's motion table; 0xFFFF for none
};

// Binds a motion's skin matrix to a matrix register of the shading service.
struct MotionLink {
  SHORT motionIndex;     // -1 for none
  SHORT matrixRegister;  // -1 for none
};

// Indices into the scene's tables (surfaces, motions, the morph target) are
// stored as given; the scene resolves and checks them. A layer takes no
// locks: use it from the thread that owns the Direct3D device. Pointers
// handed out (name, meshes, bones, tracks) belong to the layer and stay valid
// until the table or value they point into changes or the layer goes.
struct IVeyaLayer : public IUnknown {
  virtual ~IVeyaLayer() = default;

  // Replaces the mesh table with `count` empty entries, releasing the
  // buffers of the old entries. E_OUTOFMEMORY leaves the table empty.
  virtual HRESULT SetMeshCount(WORD count) = 0;
  // Replaces the bone table with `count` entries without name, at rest at
  // the origin, bound to no motion. E_OUTOFMEMORY leaves it empty.
  virtual HRESULT SetBoneCount(WORD count) = 0;
  // Replaces the link table with `count` links to no motion and register 0.
  // E_OUTOFMEMORY leaves it empty.
  virtual HRESULT SetMotionLinkCount(WORD count) = 0;
  // Poses the layer: evaluates the visibility track and, while the morph is
  // enabled, the morph target and weight tracks. Allocates nothing.
  virtual HRESULT SetFrame(INT frame) = 0;
  // 0 while the show flag is 0; otherwise the visibility track's current
  // value while that track is enabled, else 1.
  virtual DWORD IsVisible() = 0;
  // The layer's number, as stored in its payload.
  virtual SHORT GetIndex() = 0;
  // The name, or null when the layer has none.
  virtual const char* GetName() = 0;
  // Copies the box's corners. E_POINTER when either pointer is null.
  virtual HRESULT GetBoundingBox(D3DXVECTOR3* min, D3DXVECTOR3* max) = 0;
  virtual DWORD GetShow() = 0;
  // The visibility track's enable value.
  virtual DWORD GetVisibilityEnabled() = 0;
  virtual StepTrack* GetVisibilityTrack() = 0;
  // Non-zero: the layer is drawn into depth only before its colour pass.
  virtual DWORD GetDepthPrepass() = 0;
  virtual WORD GetMeshCount() = 0;
  // The entry, or null when `index` is not below the mesh count. The entry
  // may be edited in place (see LayerMesh for the buffers' ownership).
  virtual LayerMesh* GetMesh(WORD index) = 0;
  // The sum of the meshes' polygon counts, wrapping at 16 bits.
  virtual WORD GetPolygonCount() = 0;
  virtual WORD GetBoneCount() = 0;
  // The first bone whose name equals `name` ignoring ASCII letter case, or
  // null (also for a null `name`).
  virtual LayerBone* FindBone(const char* name) = 0;
  // The entry, or null when `index` is not below the bone count. Every field
  // but the name may be edited in place.
  virtual LayerBone* GetBone(WORD index) = 0;
  virtual WORD GetMotionLinkCount() = 0;
  // Copies one link. E_INVALIDARG when `index` is out of range, E_POINTER
  // for a null `out`.
  virtual HRESULT GetMotionLink(WORD index, MotionLink* out) = 0;
  // Copies the main link. E_POINTER for a null `out`.
  virtual HRESULT GetMainMotionLink(MotionLink* out) = 0;
  virtual DWORD GetMorphEnabled() = 0;
  // The layer to morph toward: 0xFFFF while the morph is disabled, else the
  // morph target track's value at the last SetFrame.
  virtual WORD GetMorphTarget() = 0;
  virtual IndexTrack* GetMorphTargetTrack() = 0;
  // The morph weight: 1.0 while the morph is disabled, else the weight
  // track's value at the last SetFrame. Also stored in weight[0..2] when
  // `weight` is not null.
  virtual FLOAT GetMorphWeight(FLOAT* weight) = 0;
  virtual ScalarTrack* GetMorphWeightTrack() = 0;
  // Copies `name` (null: no name). E_OUTOFMEMORY keeps the old name.
  virtual HRESULT SetName(const char* name) = 0;
  // E_POINTER when either pointer is null.
  virtual HRESULT SetBoundingBox(const D3DXVECTOR3* min, const D3DXVECTOR3* max) = 0;
  // Sets the show flag and the visibility track's default value.
  virtual HRESULT SetShow(DWORD value) = 0;
  virtual HRESULT SetVisibilityEnabled(DWORD value) = 0;
  virtual HRESULT SetDepthPrepass(DWORD value) = 0;
  virtual HRESULT SetMainMotionIndex(SHORT motion) = 0;
  virtual HRESULT SetMainRegister(SHORT matrixRegister) = 0;
  // Copies `name` (null: no name) into the bone. E_INVALIDARG when `index`
  // is out of range; E_OUTOFMEMORY keeps the old name.
  virtual HRESULT SetBoneName(WORD index, const char* name) = 0;
  // Stores one link. E_INVALIDARG, storing nothing, when `index` is out of
  // range.
  virtual HRESULT SetMotionLink(WORD index, MotionLink link) = 0;
  virtual HRESULT SetMorphEnabled(DWORD value) = 0;
  // Releases the mesh's buffers and moves the later meshes down.
  // E_INVALIDARG, changing nothing, when `index` is out of range.
  virtual HRESULT RemoveMesh(WORD index) = 0;
  // Writes the "LYER" payload, or with a null writer only computes its size;
  // `*size` receives the bytes written or the size. With a writer, E_FAIL
  // before anything is written when a mesh's counts exceed its buffers or a
  // triangle names a vertex the mesh does not have (what the reader would
  // refuse); E_POINTER for a null `size`; a buffer's lock error.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a layer numbered `index`. Without a reader the layer is empty. With
// a reader, reads a "LYER" payload of `length` bytes from it, creating the
// mesh buffers on `device` (managed pool), and reports the bytes read in
// `*consumed` (on failure too; never more than `length`). On failure `*out`
// is null and nothing is kept: E_INVALIDARG without a device, E_POINTER
// without `consumed`, E_FAIL for a malformed payload (a sub-chunk longer
// than what remains, a count larger than what remains can hold, a second
// count sub-chunk, an entry beyond its count or before it, vertex or index
// data that is not exactly its buffer's size, a triangle naming a vertex the
// mesh does not have), E_OUTOFMEMORY, or the device's error.
HRESULT CreateLayer(IVeyaLayer** out, WORD index, IDirect3DDevice9* device, IFileReader* reader,
                    DWORD length, DWORD* consumed);
