// Layers: creation, posing, the getters and the editing operations.
#include "scene/Layer.h"

#include <cstring>

#include "scene/LayerPayload.h"

using tavorin::scene::CopyText;

namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Bone names are compared without regard to ASCII letter case, whatever the
// process locale.
bool SameNameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

HRESULT CreateLayer(IVeyaLayer** out, WORD index, IDirect3DDevice9* device, IFileReader* reader,
                    DWORD length, DWORD* consumed) {
  return tavorin::CreateComObject<CVeyaLayer>(out, index, device, reader, length, consumed);
}

HRESULT CVeyaLayer::Init(WORD index, IDirect3DDevice9* device, IFileReader* reader, DWORD length,
                         DWORD* consumed) {
  if (consumed != nullptr) *consumed = 0;
  m_state.index = SHORT(index);
  if (reader == nullptr) return S_OK;
  if (device == nullptr) return E_INVALIDARG;
  if (consumed == nullptr) return E_POINTER;
  return tavorin::scene::ReadLayerPayload(reader, length, device, m_state, consumed);
}

HRESULT CVeyaLayer::SetFrame(INT frame) {
  EvaluateStep(m_state.visibility, frame);
  if (m_state.morphEnabled != 0) {
    EvaluateIndex(m_state.morphTarget, frame);
    EvaluateScalar(m_state.morphWeight, frame);
  }
  return S_OK;
}

DWORD CVeyaLayer::IsVisible() {
  if (m_state.show == 0) return 0;
  return m_state.visibility.enabled != 0 ? m_state.visibility.current : 1;
}

HRESULT CVeyaLayer::GetBoundingBox(D3DXVECTOR3* min, D3DXVECTOR3* max) {
  if (min == nullptr || max == nullptr) return E_POINTER;
  *min = m_state.boxMin;
  *max = m_state.boxMax;
  return S_OK;
}

WORD CVeyaLayer::GetPolygonCount() {
  WORD sum = 0;
  for (WORD i = 0; i < m_state.meshes.Count(); ++i) {
    sum = WORD(sum + m_state.meshes.At(i)->polygonCount);
  }
  return sum;
}

LayerBone* CVeyaLayer::FindBone(const char* name) {
  if (name == nullptr) return nullptr;
  for (WORD i = 0; i < m_state.bones.Count(); ++i) {
    LayerBone* bone = m_state.bones.At(i);
    if (bone->name != nullptr && SameNameIgnoringCase(bone->name, name)) return bone;
  }
  return nullptr;
}

HRESULT CVeyaLayer::GetMotionLink(WORD index, MotionLink* out) {
  const MotionLink* link = m_state.links.At(index);
  if (link == nullptr) return E_INVALIDARG;
  if (out == nullptr) return E_POINTER;
  *out = *link;
  return S_OK;
}

HRESULT CVeyaLayer::GetMainMotionLink(MotionLink* out) {
  if (out == nullptr) return E_POINTER;
  *out = m_state.mainLink;
  return S_OK;
}

WORD CVeyaLayer::GetMorphTarget() {
  return m_state.morphEnabled != 0 ? m_state.morphTarget.current : WORD(0xFFFF);
}

FLOAT CVeyaLayer::GetMorphWeight(FLOAT* weight) {
  const FLOAT value = m_state.morphEnabled != 0 ? m_state.morphWeight.current : 1.0f;
  if (weight != nullptr) weight[0] = weight[1] = weight[2] = value;
  return value;
}

HRESULT CVeyaLayer::SetName(const char* name) {
  bool failed = false;
  std::unique_ptr<char[]> copy = CopyText(name, &failed);
  if (failed) return E_OUTOFMEMORY;
  m_state.name = std::move(copy);
  return S_OK;
}

HRESULT CVeyaLayer::SetBoundingBox(const D3DXVECTOR3* min, const D3DXVECTOR3* max) {
  if (min == nullptr || max == nullptr) return E_POINTER;
  m_state.boxMin = *min;
  m_state.boxMax = *max;
  return S_OK;
}

HRESULT CVeyaLayer::SetShow(DWORD value) {
  m_state.show = value;
  m_state.visibility.defaultValue = value;
  return S_OK;
}

HRESULT CVeyaLayer::SetBoneName(WORD index, const char* name) {
  LayerBone* bone = m_state.bones.At(index);
  if (bone == nullptr) return E_INVALIDARG;
  bool failed = false;
  std::unique_ptr<char[]> copy = CopyText(name, &failed);
  if (failed) return E_OUTOFMEMORY;
  delete[] bone->name;
  bone->name = copy.release();
  return S_OK;
}

HRESULT CVeyaLayer::SetMotionLink(WORD index, MotionLink link) {
  MotionLink* entry = m_state.links.At(index);
  if (entry == nullptr) return E_INVALIDARG;
  *entry = link;
  return S_OK;
}

HRESULT CVeyaLayer::RemoveMesh(WORD index) {
  if (index >= m_state.meshes.Count()) return E_INVALIDARG;
  m_state.meshes.Remove(index);
  return S_OK;
}

HRESULT CVeyaLayer::Serialize(IFileWriter* writer, DWORD* size) {
  return tavorin::scene::SerializeLayerPayload(m_state, writer, size);
}
