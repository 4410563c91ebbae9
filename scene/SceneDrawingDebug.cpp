// The scene's debug views: a marker on every bound bone and the posed
// triangles of the collision layers, drawn from memory through the shading
// service.
#include <d3d9.h>

#include "IVeyaShader.h"
#include "scene/Veya2.h"

namespace {

constexpr float kMarkerSize = 0.1f;
constexpr SHORT kMarkerRegister = 1;
constexpr SHORT kCollisionRegister = 0;
constexpr FLOAT kCollisionEmissive = 0.2f;

constexpr LayerVertex MarkerVertex(float x, float y, float z) {
  return LayerVertex{
      {x, y, z}, {0, 0, 0}, {0, 0}, {0, 0, 0, 0}, {float(kMarkerRegister), 0, 0, 0}, {1, 0, 0, 0}};
}

// An octahedron around the joint: vertices 0/1 on ±x, 2/4 on ±y, 3/5 on ±z;
// the strip below runs once along each of its twelve edges.
constexpr LayerVertex kMarkerVertices[6] = {
    MarkerVertex(kMarkerSize, 0, 0),  MarkerVertex(-kMarkerSize, 0, 0),
    MarkerVertex(0, kMarkerSize, 0),  MarkerVertex(0, 0, kMarkerSize),
    MarkerVertex(0, -kMarkerSize, 0), MarkerVertex(0, 0, -kMarkerSize)};
constexpr WORD kMarkerStrip[13] = {5, 2, 1, 4, 0, 2, 3, 4, 5, 1, 3, 0, 5};

SurfaceRenderParameters CollisionMaterial(IVeyaCollisionGroup* group) {
  D3DXCOLOR color(0.0f, 0.0f, 0.0f, 0.0f);
  group->GetColor(&color);
  SurfaceRenderParameters material{};
  material.red = color.r;
  material.green = color.g;
  material.blue = color.b;
  material.extra = color.a;
  material.emissive = kCollisionEmissive;
  material.doubleSided = group->GetSide();
  material.zEnable = 1;
  material.zWrite = 1;
  return material;
}

// One triangle in the layer vertex layout, skinned by the identity in the
// collision register and carrying its unnormalised face normal.
void FillTriangle(const D3DXVECTOR3 (&corners)[3], LayerVertex (&out)[3]) {
  const D3DXVECTOR3 ab = corners[1] - corners[0];
  const D3DXVECTOR3 ac = corners[2] - corners[0];
  D3DXVECTOR3 normal;
  D3DXVec3Cross(&normal, &ab, &ac);
  for (int i = 0; i < 3; ++i) {
    out[i] = LayerVertex{{corners[i].x, corners[i].y, corners[i].z},
                         {normal.x, normal.y, normal.z},
                         {0, 0},
                         {0, 0, 0, 0},
                         {float(kCollisionRegister), 0, 0, 0},
                         {1, 0, 0, 0}};
  }
}

}  // namespace

HRESULT CVeya2::DrawJoints(const FLOAT* color) {
  if (color == nullptr) return E_POINTER;
  if (m_motions.Count() == 0) return S_OK;
  SurfaceRenderParameters material{};
  material.red = color[0];
  material.green = color[1];
  material.blue = color[2];
  material.extra = color[3];
  m_shader->SetMaterial(&material, 0);
  DWORD zEnable = 0, zWrite = 0;
  m_device->GetRenderState(D3DRS_ZENABLE, &zEnable);
  m_device->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
  m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
  m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  for (WORD l = 0; l < m_layers.Count(); ++l) {
    IVeyaLayer* layer = m_layers[l];
    if (layer == nullptr || layer->GetShow() == 0) continue;
    for (WORD b = 0; b < layer->GetBoneCount(); ++b) {
      const LayerBone* bone = layer->GetBone(b);
      // Unbound bones, and bones naming a motion the table no longer holds, have
      // nowhere to be drawn.
      if (!m_motions.Contains(bone->motionIndex)) continue;
      IVeyaMotion* motion = m_motions[bone->motionIndex];
      D3DXMATRIX world, scale;
      if (motion == nullptr || FAILED(motion->GetWorldMatrix(&world))) continue;
      D3DXMatrixScaling(&scale, bone->restLength, bone->restLength, bone->restLength);
      const D3DXMATRIX matrix = scale * world;
      m_shader->SetMatrix(kMarkerRegister, &matrix);
      m_shader->Begin(kShadingPlain, kTechniqueSkinned);
      m_device->DrawIndexedPrimitiveUP(D3DPT_LINESTRIP, 0, 6, 12, kMarkerStrip, D3DFMT_INDEX16,
                                       kMarkerVertices, kLayerVertexSize);
      m_shader->End();
    }
  }
  m_device->SetRenderState(D3DRS_ZENABLE, zEnable);
  m_device->SetRenderState(D3DRS_ZWRITEENABLE, zWrite);
  return S_OK;
}

HRESULT CVeya2::DrawCollisionLayersAll() {
  for (WORD i = 0; i < m_collisionLayers.Count(); ++i) {
    IVeyaCollisionLayer* layer = m_collisionLayers[i];
    if (layer != nullptr && layer->GetEnable() == 1) DrawCollisionLayer(i);
  }
  return S_OK;
}

HRESULT CVeya2::DrawCollisionLayer(WORD index) {
  if (!m_collisionLayers.Contains(index) || m_collisionLayers[index] == nullptr) {
    return E_INVALIDARG;
  }
  IVeyaCollisionLayer* layer = m_collisionLayers[index];
  m_device->SetTexture(0, nullptr);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  m_shader->SetMatrix(kCollisionRegister, &identity);
  for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
    const CollisionMesh* mesh = layer->GetMesh(m);
    // A mesh without a group is never hit and has no colour to be shown in.
    if (mesh->group == nullptr) continue;
    const SurfaceRenderParameters material = CollisionMaterial(mesh->group);
    m_shader->SetMaterial(&material, 0);
    m_shader->Begin(kShadingCollision, kTechniqueSkinned);
    for (WORD p = 0; p < mesh->polygonCount; ++p) {
      D3DXVECTOR3 corners[3];
      if (!layer->GetPolygon(m, p, &corners[0], &corners[1], &corners[2])) continue;
      LayerVertex vertices[3];
      FillTriangle(corners, vertices);
      m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, kLayerVertexSize);
    }
    m_shader->End();
  }
  return S_OK;
}
