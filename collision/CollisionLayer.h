// The hit geometry behind IVeyaCollisionLayer.
#pragma once

#include <memory>

#include <comobject.h>

#include "IVeyaCollisionLayer.h"

// The motion index each bone slot of a vertex was read with (0xFFFF: none),
// kept beside the public vertex records so a slot not yet bound is written
// back as it was read.
struct CollisionBoneIndices {
  WORD slots[4];
};

class CVeyaCollisionLayer : public tavorin::ComObject<IVeyaCollisionLayer> {
 public:
  ~CVeyaCollisionLayer() override;
  HRESULT Init(IFileReader* reader, DWORD length, DWORD* consumed, IVeyaCollisionGroup** groups,
               WORD groupCount);

  HRESULT AllocateVertices(WORD count) override;
  HRESULT AllocateMeshes(WORD count) override;
  void Update() override;
  HRESULT UpdateBlend(IVeyaCollisionLayer* target, const D3DXVECTOR3* factor) override;
  WORD HitTest(D3DXVECTOR3* hit, WORD* mesh, WORD* polygon, const D3DXVECTOR3* from,
               const D3DXVECTOR3* to, int rangeMode, int pickMode) override;
  WORD HitTestSphere(D3DXVECTOR3* nearest, float* distance, WORD* mesh, WORD* polygon,
                     const D3DXVECTOR3* centre, float radius, BOOL firstHit) override;
  DWORD GetEnable() override { return m_enable; }
  const char* GetName() override { return m_name.get(); }
  WORD GetVertexCount() override { return m_vertexCount; }
  CollisionVertex* GetVertex(WORD index) override;
  WORD GetMeshCount() override { return m_meshCount; }
  CollisionMesh* GetMesh(WORD index) override;
  WORD GetPolygonCount() override;
  BOOL GetPolygon(WORD mesh, WORD polygon, D3DXVECTOR3* a, D3DXVECTOR3* b, D3DXVECTOR3* c) override;
  void SetEnable(DWORD enable) override { m_enable = enable; }
  HRESULT SetName(const char* name) override;
  void RemoveMesh(WORD index) override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;
  HRESULT BindBones(IVeyaMotion** motions, WORD motionCount) override;

  // The stored motion indices of vertex `index`, which must be below the
  // vertex count.
  CollisionBoneIndices& BoneIndices(WORD index) { return m_boneIndices[index]; }

 private:
  void FreeVertices();
  void FreeMeshes();

  DWORD m_enable = 0;
  std::unique_ptr<char[]> m_name;
  std::unique_ptr<CollisionVertex[]> m_vertices;
  std::unique_ptr<CollisionBoneIndices[]> m_boneIndices;
  WORD m_vertexCount = 0;
  std::unique_ptr<CollisionMesh[]> m_meshes;
  WORD m_meshCount = 0;
};
