// The scene object: creation, tables, posing and the read-only operations.
#include "scene/Veya2.h"

#include <d3d9.h>

#include "scene/SceneFormat.h"
#include "scene/SceneLoader.h"

using namespace tavorin::scene;

HRESULT CreateVeya2(IVeya2** out, const char* fileName, IDirect3DDevice9* device,
                    IVeyaShader* shader, IReadAccesser* stream) {
  return tavorin::CreateComObject<CVeya2>(out, fileName, device, shader, stream);
}

HRESULT CVeya2::Init(const char* fileName, IDirect3DDevice9* device, IVeyaShader* shader,
                     IReadAccesser* stream) {
  if (device == nullptr || shader == nullptr) return E_INVALIDARG;
  m_device = device;
  m_device->AddRef();
  m_shader = shader;
  m_shader->AddRef();
  if (fileName == nullptr && stream == nullptr) return E_INVALIDARG;
  IFileReader* reader = nullptr;
  HRESULT hr = CreateFileReader(&reader, stream != nullptr ? nullptr : fileName, stream,
                                kSceneReaderCapacity);
  if (FAILED(hr)) return hr;
  SceneLoader loader(*this, reader);
  hr = loader.ReadChunks();
  reader->Release();
  if (FAILED(hr)) return hr;
  if (FAILED(hr = loader.Finish())) return hr;
  // Posed once, so matrices, morph targets and camera views are meaningful
  // before the program's first SetPlayTime.
  SetPlayTime(0, 0, 0, 0);
  return S_OK;
}

CVeya2::~CVeya2() {
  UnlinkMotions();
  m_layers.Clear();
  m_surfaces.Clear();
  m_motions.Clear();
  m_cameras.Clear();
  m_lights.Clear();
  m_collisionGroups.Clear();
  m_collisionLayers.Clear();
  if (m_lipsync != nullptr) m_lipsync->Release();
  if (m_blink != nullptr) m_blink->Release();
  if (m_shader != nullptr) m_shader->Release();
  if (m_device != nullptr) m_device->Release();
}

// A motion linked to one of its own descendants holds a reference that leads
// back to itself; such a ring never reaches a count of zero unless the scene
// cuts it.
void CVeya2::UnlinkMotions() {
  for (WORD i = 0; i < m_motions.Count(); ++i) {
    if (m_motions[i] == nullptr) continue;
    m_motions[i]->SetLinkedMotion(nullptr);
    m_motions[i]->SetParent(nullptr);
  }
}

HRESULT CVeya2::GetBoundingBox(D3DXVECTOR3* min, D3DXVECTOR3* max) {
  if (min == nullptr || max == nullptr) return E_POINTER;
  *min = m_boxMin;
  *max = m_boxMax;
  return S_OK;
}

// Worked in 64 bits: times and ranges anywhere in the 32-bit frame space
// must neither overflow nor divide oddly; the frame reached is then taken
// back into 32 bits.
HRESULT CVeya2::SetPlayTime(INT time, INT start, INT end, DWORD loops) {
  const bool forward = start <= end;
  const LONGLONG first = start, last = end, elapsed = time;
  LONGLONG length = forward ? last - first : first - last;
  if (length < 1) length = 1;
  const LONGLONG repeat = elapsed % length;
  LONGLONG frame;
  HRESULT result = S_OK;
  if (forward ? elapsed + first <= last : elapsed + last <= first) {
    frame = forward ? elapsed + first : first - elapsed;
  } else if (loops == 0) {
    frame = forward ? first + repeat : first - repeat;
    result = S_WRAPPED;
  } else if (DWORD(elapsed / length) >= loops) {
    frame = last;
    result = S_FINISHED;
  } else {
    frame = forward ? first + repeat : first - repeat;
  }
  const INT posed = INT(DWORD(ULONGLONG(frame)));
  for (WORD i = 0; i < m_motions.Count(); ++i) m_motions[i]->Evaluate(posed);
  PoseAfterMotions(posed);
  return result;
}

HRESULT CVeya2::SetBlendTime(INT time, INT from, INT to, INT length, DWORD loops) {
  if (length < 1) length = 1;
  HRESULT result = S_OK;
  if (loops == 0) {
    time %= length;
    result = S_WRAPPED;
  } else if (DWORD(time / length) < loops) {
    time %= length;
  } else {
    time = length;
    result = S_FINISHED;
  }
  for (WORD i = 0; i < m_motions.Count(); ++i) m_motions[i]->EvaluateBlend(time, from, to, length);
  PoseAfterMotions(from);
  return result;
}

// Every motion is evaluated before any updates its world matrix, so parents
// are current whatever their place in the table.
void CVeya2::PoseAfterMotions(INT frame) {
  for (WORD i = 0; i < m_motions.Count(); ++i) m_motions[i]->UpdateWorld();
  for (WORD i = 0; i < m_layers.Count(); ++i) m_layers[i]->SetFrame(frame);
  for (WORD i = 0; i < m_surfaces.Count(); ++i) m_surfaces[i]->Evaluate(frame);
  if (m_lipsync != nullptr) m_lipsync->SetFrame(frame);
  if (m_blink != nullptr) m_blink->SetFrame(frame);
}

HRESULT CVeya2::SetBlendMode(DWORD mode) {
  static const DWORD kFactors[][2] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},       {D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR},      {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ONE},
  };
  if (mode >= sizeof(kFactors) / sizeof(kFactors[0])) return S_OK;
  m_device->SetRenderState(D3DRS_SRCBLEND, kFactors[mode][0]);
  m_device->SetRenderState(D3DRS_DESTBLEND, kFactors[mode][1]);
  return S_OK;
}

WORD CVeya2::GetSurfacePolygonCount(WORD surface) {
  if (!m_surfaces.Contains(surface)) return 0;
  WORD sum = 0;
  for (WORD i = 0; i < m_layers.Count(); ++i) {
    IVeyaLayer* layer = m_layers[i];
    for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
      const LayerMesh* mesh = layer->GetMesh(m);
      if (mesh->surfaceIndex != surface) continue;
      sum = WORD(sum + mesh->polygonCount);
      break;
    }
  }
  return sum;
}

FLOAT CVeya2::GetCameraFov(WORD camera) {
  return m_cameras.Contains(camera) ? m_cameras[camera]->GetFov() : 0.0f;
}

HRESULT CVeya2::GetCameraView(WORD camera, D3DXVECTOR3* eye, D3DXVECTOR3* target, D3DXVECTOR3* up,
                              FLOAT distance) {
  if (!m_cameras.Contains(camera)) return E_INVALIDARG;
  const SHORT motion = m_cameras[camera]->GetMotionIndex();
  if (motion < 0 || !m_motions.Contains(WORD(motion))) return E_INVALIDARG;
  if (eye == nullptr || target == nullptr || up == nullptr) return E_POINTER;
  D3DXMATRIX skin;
  m_motions[WORD(motion)]->GetSkinMatrix(&skin);
  const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), ahead(0.0f, 0.0f, distance), upward(0.0f, 1.0f, 0.0f);
  D3DXVec3TransformCoord(eye, &origin, &skin);
  D3DXVec3TransformCoord(target, &ahead, &skin);
  D3DXVec3TransformNormal(up, &upward, &skin);
  return S_OK;
}

HRESULT CVeya2::UpdateCollisionLayersAll() {
  for (WORD i = 0; i < m_collisionLayers.Count(); ++i) {
    if (m_collisionLayers[i]->GetEnable() == 1) m_collisionLayers[i]->Update();
  }
  return S_OK;
}

HRESULT CVeya2::UpdateCollisionLayer(WORD layer) {
  if (!m_collisionLayers.Contains(layer)) return E_INVALIDARG;
  m_collisionLayers[layer]->Update();
  return S_OK;
}

HRESULT CVeya2::BlendCollisionLayers(WORD a, WORD b, const D3DXVECTOR3* factor) {
  if (!m_collisionLayers.Contains(a) || !m_collisionLayers.Contains(b)) return E_INVALIDARG;
  return m_collisionLayers[a]->UpdateBlend(m_collisionLayers[b], factor);
}

WORD CVeya2::GetCollisionGroupUseCount(WORD group) {
  WORD sum = 0;
  for (WORD i = 0; i < m_collisionLayers.Count(); ++i) {
    IVeyaCollisionLayer* layer = m_collisionLayers[i];
    for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
      const CollisionMesh* mesh = layer->GetMesh(m);
      if (mesh->group != nullptr && mesh->group->GetIndex() == group) {
        sum = WORD(sum + mesh->polygonCount);
      }
    }
  }
  return sum;
}

WORD CVeya2::HitTestCollisionLayer(WORD layer, D3DXVECTOR3* hit, WORD* mesh, WORD* polygon,
                                   const D3DXVECTOR3* from, const D3DXVECTOR3* to, int rangeMode,
                                   int pickMode) {
  if (!m_collisionLayers.Contains(layer)) return 0xFFFF;
  return m_collisionLayers[layer]->HitTest(hit, mesh, polygon, from, to, rangeMode, pickMode);
}

WORD CVeya2::HitTestCollisionLayerSphere(WORD layer, D3DXVECTOR3* nearest, float* distance,
                                         WORD* mesh, WORD* polygon, const D3DXVECTOR3* centre,
                                         float radius, BOOL firstHit) {
  if (!m_collisionLayers.Contains(layer)) return 0xFFFF;
  return m_collisionLayers[layer]->HitTestSphere(nearest, distance, mesh, polygon, centre, radius,
                                                 firstHit);
}

HRESULT CVeya2::CompareLayerParts(WORD a, WORD b) {
  if (!m_layers.Contains(a) || !m_layers.Contains(b)) return E_INVALIDARG;
  IVeyaLayer* first = m_layers[a];
  IVeyaLayer* second = m_layers[b];
  if (first->GetMeshCount() != second->GetMeshCount()) return E_FAIL;
  for (WORD m = 0; m < first->GetMeshCount(); ++m) {
    if (first->GetMesh(m)->vertexCount != second->GetMesh(m)->vertexCount) return E_FAIL;
  }
  return S_OK;
}

HRESULT CVeya2::CompareCollisionLayers(WORD a, WORD b) {
  if (!m_collisionLayers.Contains(a) || !m_collisionLayers.Contains(b)) return E_INVALIDARG;
  IVeyaCollisionLayer* first = m_collisionLayers[a];
  IVeyaCollisionLayer* second = m_collisionLayers[b];
  if (first->GetVertexCount() != second->GetVertexCount()) return E_FAIL;
  if (first->GetMeshCount() != second->GetMeshCount()) return E_FAIL;
  for (WORD m = 0; m < first->GetMeshCount(); ++m) {
    if (first->GetMesh(m)->polygonCount != second->GetMesh(m)->polygonCount) return E_FAIL;
  }
  return S_OK;
}
