// Groups, motions with a known skin matrix and hand-built layers for the
// collision tests.
#pragma once

#include <array>
#include <vector>

#include <gtest/gtest.h>

#include <comobject.h>

#include "IVeyaCollisionLayer.h"
#include "animation/TrackTestSupport.h"

namespace tavorin::test {

inline ComPtr<IVeyaCollisionGroup> NewGroup(WORD index, BYTE side = 0) {
  IVeyaCollisionGroup* group = nullptr;
  EXPECT_EQ(CreateCollisionGroup(&group, index, index, nullptr, 0, nullptr), S_OK);
  if (group != nullptr) group->SetSide(side);
  return ComPtr<IVeyaCollisionGroup>(group);
}

// A motion whose skin matrix is `skin` (its world matrix stays identity).
inline ComPtr<IVeyaMotion> MotionWithSkin(WORD index, const D3DXMATRIX& skin) {
  IVeyaMotion* motion = nullptr;
  EXPECT_EQ(CreateMotion(&motion, index, nullptr, 0, nullptr), S_OK);
  if (motion != nullptr) {
    motion->SetInverseRestMatrix(&skin);
    motion->UpdateWorld();
  }
  return ComPtr<IVeyaMotion>(motion);
}

inline D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// Binds slot `k` of `vertex` as the scene's layer builder does: one reference.
inline void BindBone(CollisionVertex& vertex, int k, IVeyaMotion* motion, float weight) {
  motion->AddRef();
  vertex.bones[k] = motion;
  vertex.weights[k] = weight;
}

using Triangle = std::array<WORD, 3>;

struct MeshSpec {
  IVeyaCollisionGroup* group;
  std::vector<Triangle> triangles;
};

// A layer filled through its records, posed at rest.
inline ComPtr<IVeyaCollisionLayer> MakeLayer(const std::vector<D3DXVECTOR3>& positions,
                                             const std::vector<MeshSpec>& meshes) {
  IVeyaCollisionLayer* raw = nullptr;
  EXPECT_EQ(CreateCollisionLayer(&raw, nullptr, 0, nullptr, nullptr, 0), S_OK);
  ComPtr<IVeyaCollisionLayer> layer(raw);
  EXPECT_EQ(layer->AllocateVertices(WORD(positions.size())), S_OK);
  for (WORD i = 0; i < positions.size(); ++i) {
    layer->GetVertex(i)->restPosition = positions[i];
    layer->GetVertex(i)->position = positions[i];
  }
  EXPECT_EQ(layer->AllocateMeshes(WORD(meshes.size())), S_OK);
  for (WORD m = 0; m < meshes.size(); ++m) {
    CollisionMesh* mesh = layer->GetMesh(m);
    mesh->group = meshes[m].group;
    if (mesh->group != nullptr) mesh->group->AddRef();
    mesh->polygonCount = WORD(meshes[m].triangles.size());
    mesh->polygons = new CollisionPolygon[mesh->polygonCount];
    for (WORD i = 0; i < mesh->polygonCount; ++i) {
      for (int k = 0; k < 3; ++k) mesh->polygons[i].vertices[k] = meshes[m].triangles[i][k];
    }
  }
  return layer;
}

// The bytes `serialize` writes, checked against the size it reports
// without a writer.
template <class Object>
std::vector<uint8_t> Serialized(const TempDir& dir, Object* object) {
  DWORD counted = 0;
  EXPECT_EQ(object->Serialize(nullptr, &counted), S_OK);
  DWORD reported = 0;
  std::vector<uint8_t> bytes = WrittenBytes(
      dir,
      [&](IFileWriter* writer) {
        DWORD written = 0;
        EXPECT_EQ(object->Serialize(writer, &written), S_OK);
        return written;
      },
      &reported);
  EXPECT_EQ(reported, counted);
  EXPECT_EQ(bytes.size(), counted);
  return bytes;
}

inline void ExpectVectorNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected,
                             float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

}  // namespace tavorin::test
