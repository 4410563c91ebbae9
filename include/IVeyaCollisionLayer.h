// The hit geometry of a scene: vertices that may follow up to four motions
// of the skeleton, and meshes of triangles, each belonging to one collision
// group, answering segment, ray, line and sphere queries.
#pragma once

#include <d3dx9math.h>
#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "IVeyaCollisionGroup.h"
#include "IVeyaMotion.h"

DECLARE_INTERFACE_ID(IVeyaCollisionLayer, 0x657C1BB4, 0x4010, 0x4411, 0xB0, 0xB0, 0x65, 0xF6, 0x1F,
                     0xB7, 0x8C, 0x79);

// One vertex of a collision layer.
struct CollisionVertex {
  D3DXVECTOR3 restPosition;  // as stored in the file
  D3DXVECTOR3 position;      // after the last Update or UpdateBlend; the hit tests use this
  // Bound motions, one reference each, or null. Only the leading run of
  // non-null entries poses the vertex.
  IVeyaMotion* bones[4];
  FLOAT weights[4];  // used as stored, not normalised
};

// One triangle: three indices into the layer's vertices.
struct CollisionPolygon {
  WORD vertices[3];
};

// One mesh of a collision layer. A mesh without a group is never hit.
struct CollisionMesh {
  IVeyaCollisionGroup* group;  // one reference, or null
  // Owned by the layer, which frees it with delete[]; whoever fills a mesh
  // allocates it with new[].
  CollisionPolygon* polygons;
  WORD polygonCount;
};

// HitTest ranges: the segment from `from` to `to`, the ray from `from`
// through `to`, and (any other value) the whole line.
constexpr int kCollisionRangeSegment = 0;
constexpr int kCollisionRangeRay = 1;
constexpr int kCollisionRangeLine = 2;
// HitTest picks: the hit nearest to `from`, the farthest, or the first one
// met in visiting order.
constexpr int kCollisionPickNearest = 0;
constexpr int kCollisionPickFarthest = 1;
constexpr int kCollisionPickFirst = 2;

// A layer takes no locks: use it from the thread that drives its scene.
// Records handed out by GetVertex and GetMesh belong to the layer and stay
// valid until the vertices or meshes are reallocated or the mesh is removed.
struct IVeyaCollisionLayer : public IUnknown {
  virtual ~IVeyaCollisionLayer() = default;

  // Replaces the vertices (giving back their bone references) with `count`
  // zeroed, unbound ones. E_OUTOFMEMORY leaves none.
  virtual HRESULT AllocateVertices(WORD count) = 0;
  // Replaces the meshes (giving back their groups and polygons) with `count`
  // empty ones. E_OUTOFMEMORY leaves none.
  virtual HRESULT AllocateMeshes(WORD count) = 0;
  // Poses every vertex from its rest position: the weighted sum of its bound
  // motions' skin transforms, stopping at the first empty bone slot; a vertex
  // whose first slot is empty stays at rest. Allocates nothing.
  virtual void Update() = 0;
  // Poses every vertex as Update does, from a rest position moved towards the
  // rest position of `target`'s vertex of the same index by `factor`, per
  // axis (0: own, 1: target's). E_FAIL when the vertex counts differ,
  // E_POINTER for a null argument; nothing is posed then.
  virtual HRESULT UpdateBlend(IVeyaCollisionLayer* target, const D3DXVECTOR3* factor) = 0;
  // Meets the line through `from` and `to` (limited by `rangeMode`, see
  // kCollisionRange…) with the posed triangles, starting at mesh `*mesh` and,
  // in every mesh visited, at triangle `*polygon` (0 for a null pointer).
  // Faces of a one-sided group are hit only against their normal; points on
  // an edge count as inside. Picks by `pickMode` (kCollisionPick…; ties keep
  // the triangle met first) and returns the hit group's index, storing the
  // point, mesh and triangle in the outputs given; 0xFFFF and outputs
  // untouched when nothing is hit, and for a zero-length or non-finite query.
  virtual WORD HitTest(D3DXVECTOR3* hit, WORD* mesh, WORD* polygon, const D3DXVECTOR3* from,
                       const D3DXVECTOR3* to, int rangeMode, int pickMode) = 0;
  // The point of the posed triangles nearest to `centre` within `radius`
  // (faces, then edges and corners), skipping faces of one-sided groups the
  // centre lies behind. Starts at mesh `*mesh`, and at triangle `*polygon` in
  // that mesh only. With `firstHit` the first triangle within reach answers;
  // otherwise the nearest (ties go to the later triangle). Returns the group's
  // index and stores point, distance, mesh and triangle in the outputs given;
  // 0xFFFF and outputs untouched when nothing is in reach, and for a negative
  // or NaN radius or a non-finite centre.
  virtual WORD HitTestSphere(D3DXVECTOR3* nearest, float* distance, WORD* mesh, WORD* polygon,
                             const D3DXVECTOR3* centre, float radius, BOOL firstHit) = 0;
  // The scene includes a layer whose value is 1 in its update-all and
  // draw-all operations.
  virtual DWORD GetEnable() = 0;
  // Owned by the layer, valid until it changes; null if none.
  virtual const char* GetName() = 0;
  virtual WORD GetVertexCount() = 0;
  // Null when `index` is not below the count.
  virtual CollisionVertex* GetVertex(WORD index) = 0;
  virtual WORD GetMeshCount() = 0;
  // Null when `index` is not below the count.
  virtual CollisionMesh* GetMesh(WORD index) = 0;
  // The meshes' polygon counts summed in 16 bits.
  virtual WORD GetPolygonCount() = 0;
  // Copies the posed corners of a triangle and returns TRUE; FALSE with the
  // outputs untouched when the mesh, the triangle or a corner's vertex is out
  // of range or an output is null.
  virtual BOOL GetPolygon(WORD mesh, WORD polygon, D3DXVECTOR3* a, D3DXVECTOR3* b,
                          D3DXVECTOR3* c) = 0;
  virtual void SetEnable(DWORD enable) = 0;
  // Copies `name`. E_OUTOFMEMORY or E_POINTER (null) keep the old name.
  virtual HRESULT SetName(const char* name) = 0;
  // Removes a mesh, giving back its group and polygons, and moves the later
  // meshes down. An index at or beyond the count is ignored.
  virtual void RemoveMesh(WORD index) = 0;
  // Writes the "CLAY" payload, or with a null writer only reports its size.
  // Bones are written as their motion's index; a slot that was read but not
  // yet bound keeps the index it was read with. A layer without a name writes
  // an empty one and a mesh without a group writes group 0xFFFF. `*size`
  // receives the bytes written or the size. E_POINTER for a null `size`.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
  // Binds every empty bone slot that holds a stored motion index (read from a
  // payload and not answered by the group table) to `motions[index]`, adding
  // a reference. The scene calls it once all of a file is read. E_FAIL when
  // a stored index is not below `motionCount` or names a null entry, E_POINTER
  // for a null table with slots to bind; nothing is bound then.
  virtual HRESULT BindBones(IVeyaMotion** motions, WORD motionCount) = 0;
};

// Makes an empty layer (enable 0, no name, no vertices, no meshes); with a
// reader, then reads a "CLAY" payload of `length` bytes from it and reports
// the bytes read in `*consumed` (may be null; on failure too). `groups` is
// the scene's collision-group table with its first `groupCount` entries
// loaded: mesh group indices must name one of them (or be 0xFFFF), and a bone
// index naming an entry that answers IVeyaMotion binds at once; other bone
// indices wait for BindBones. On failure `*out` is null: E_FAIL for a
// malformed payload (a sub-chunk running past the payload or shorter than
// what it must hold, a count the payload cannot hold, a mesh beyond the
// announced count, a triangle naming a missing vertex, a group index out of
// range, a name without its terminating zero), E_OUTOFMEMORY, E_POINTER.
HRESULT CreateCollisionLayer(IVeyaCollisionLayer** out, IFileReader* reader, DWORD length,
                             DWORD* consumed, IVeyaCollisionGroup** groups, WORD groupCount);
