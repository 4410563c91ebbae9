// Reading of "VMF4" scene files: the header, the chunk framing and the
// ordering rules, handing each payload to its component's creator.
#include "scene/SceneLoader.h"

#include "scene/SceneFormat.h"

using namespace tavorin::scene;

namespace {

// Discarding by reading, not seeking, so a chunk that claims more bytes than
// the file holds is caught instead of leaving the position past the end.
constexpr DWORD kSkipPiece = 4096;

}  // namespace

HRESULT SceneLoader::ReadChunks() {
  BYTE header[kSceneHeaderSize];
  m_reader->Seek(0, FILE_BEGIN);
  m_reader->SetAutoRefill(TRUE);
  if (m_reader->Read(header, kSceneHeaderSize) != kSceneHeaderSize) return E_FAIL;
  if (tavorin::animation::LoadU32(header) != kSceneMagic) return E_FAIL;
  m_total = tavorin::animation::LoadU32(header + 4);
  HRESULT hr = S_OK;
  while (m_position < m_total && SUCCEEDED(hr)) {
    BYTE chunk[tavorin::animation::kChunkHeaderSize];
    if (m_total - m_position < tavorin::animation::kChunkHeaderSize) return E_FAIL;
    if (m_reader->Read(chunk, sizeof(chunk)) != sizeof(chunk)) return E_FAIL;
    m_position += sizeof(chunk);
    const DWORD size = tavorin::animation::LoadU32(chunk + 4);
    // A chunk reaching past the announced data would leave the next chunk
    // header in the middle of it.
    if (size > m_total - m_position) return E_FAIL;
    hr = ReadChunk(tavorin::animation::LoadU32(chunk), size);
  }
  return hr;
}

HRESULT SceneLoader::ReadChunk(DWORD tag, DWORD size) {
  CVeya2& s = m_scene;
  IDirect3DDevice9* device = s.m_device;
  IFileReader* in = m_reader;
  switch (tag) {
    case kTagLayerCount:
      return ReadCount(s.m_layers, size);
    case kTagSurfaceCount:
      return ReadCount(s.m_surfaces, size);
    case kTagMotionCount:
      return ReadCount(s.m_motions, size);
    case kTagCameraCount:
      return ReadCount(s.m_cameras, size);
    case kTagLightCount:
      return ReadCount(s.m_lights, size);
    case kTagGroupCount:
      return ReadCount(s.m_collisionGroups, size);
    case kTagCollisionLayerCount:
      return ReadCount(s.m_collisionLayers, size);
    case kTagLayer:
      return ReadObject(s.m_layers, size, [&](IVeyaLayer** out, WORD index, DWORD* consumed) {
        return CreateLayer(out, index, device, in, size, consumed);
      });
    case kTagSurface:
      return ReadObject(s.m_surfaces, size, [&](IVeyaSurface** out, WORD index, DWORD* consumed) {
        return CreateSurface(out, in, device, index, size, consumed);
      });
    case kTagMotion:
      return ReadObject(s.m_motions, size, [&](IVeyaMotion** out, WORD index, DWORD* consumed) {
        return CreateMotion(out, index, in, size, consumed);
      });
    case kTagCamera:
      return ReadObject(s.m_cameras, size, [&](IVeyaCamera** out, WORD, DWORD* consumed) {
        return CreateCamera(out, in, size, consumed);
      });
    case kTagLight:
      return ReadObject(s.m_lights, size, [&](IVeyaLight** out, WORD, DWORD* consumed) {
        // A light reads nothing; its payload, if any, is passed over.
        HRESULT hr = CreateLight(out);
        if (SUCCEEDED(hr)) hr = Skip(size);
        *consumed = SUCCEEDED(hr) ? size : 0;
        return hr;
      });
    case kTagGroup:
      // Collision layers resolve their group indices while they are read.
      if (m_collisionLayerSeen) return E_FAIL;
      return ReadObject(s.m_collisionGroups, size,
                        [&](IVeyaCollisionGroup** out, WORD index, DWORD* consumed) {
                          return CreateCollisionGroup(out, index, index, in, size, consumed);
                        });
    case kTagCollisionLayer:
      m_collisionLayerSeen = true;
      return ReadObject(
          s.m_collisionLayers, size, [&](IVeyaCollisionLayer** out, WORD, DWORD* consumed) {
            return CreateCollisionLayer(out, in, size, consumed, s.m_collisionGroups.Slots(),
                                        s.m_collisionGroups.Count());
          });
    case kTagLipsync:
      return ReadSingle(&s.m_lipsync, size, [&](IVeyaLipsync** out, DWORD* consumed) {
        return CreateLipsync(out, in, size, consumed);
      });
    case kTagBlink:
      return ReadSingle(&s.m_blink, size, [&](IVeyaBlink** out, DWORD* consumed) {
        return CreateBlink(out, in, size, consumed);
      });
    default: {
      const HRESULT hr = Skip(size);
      if (SUCCEEDED(hr)) m_position += size;
      return hr;
    }
  }
}

template <class Component>
HRESULT SceneLoader::ReadCount(SceneTable<Component>& table, DWORD size) {
  if (size != kCountPayloadSize || table.Allocated()) return E_FAIL;
  BYTE count[kCountPayloadSize];
  if (m_reader->Read(count, kCountPayloadSize) != kCountPayloadSize) return E_FAIL;
  m_position += kCountPayloadSize;
  return table.Allocate(tavorin::animation::LoadU16(count));
}

template <class Component, class Create>
HRESULT SceneLoader::ReadObject(SceneTable<Component>& table, DWORD size, Create create) {
  Component** slot = table.NextSlot();
  if (slot == nullptr) return E_FAIL;  // no count chunk yet, or more objects than it said
  DWORD consumed = 0;
  HRESULT hr = create(slot, table.Count(), &consumed);
  table.CommitSlot();
  if (FAILED(hr)) return hr;
  if (consumed != size) return E_FAIL;
  m_position += consumed;
  return S_OK;
}

template <class Component, class Create>
HRESULT SceneLoader::ReadSingle(Component** slot, DWORD size, Create create) {
  if (*slot != nullptr) return E_FAIL;
  DWORD consumed = 0;
  HRESULT hr = create(slot, &consumed);
  if (FAILED(hr)) return hr;
  if (consumed != size) return E_FAIL;
  m_position += consumed;
  return S_OK;
}

HRESULT SceneLoader::Skip(DWORD size) {
  BYTE scratch[kSkipPiece];
  for (DWORD left = size; left > 0;) {
    const DWORD piece = left < kSkipPiece ? left : kSkipPiece;
    if (m_reader->Read(scratch, piece) != piece) return E_FAIL;
    left -= piece;
  }
  return S_OK;
}

HRESULT SceneLoader::Finish() {
  CVeya2& s = m_scene;
  HRESULT hr = S_OK;
  if (s.m_lipsync == nullptr && FAILED(hr = CreateLipsync(&s.m_lipsync, nullptr, 0, nullptr))) {
    return hr;
  }
  if (s.m_blink == nullptr && FAILED(hr = CreateBlink(&s.m_blink, nullptr, 0, nullptr))) {
    return hr;
  }
  if (FAILED(hr = LinkParents())) return hr;
  if (FAILED(hr = CheckReferences())) return hr;
  for (WORD i = 0; i < s.m_collisionLayers.Count(); ++i) {
    hr = s.m_collisionLayers[i]->BindBones(s.m_motions.Slots(), s.m_motions.Count());
    if (FAILED(hr)) return E_FAIL;
  }
  ComputeBoundingBox();
  return S_OK;
}

// Linking runs after every chunk is in, so a parent may come before or after
// its child in the file.
HRESULT SceneLoader::LinkParents() {
  SceneTable<IVeyaMotion>& motions = m_scene.m_motions;
  for (WORD i = 0; i < motions.Count(); ++i) {
    const WORD parent = motions[i]->GetParentIndex();
    if (parent == 0xFFFF) continue;
    if (!motions.Contains(parent)) return E_FAIL;
    // A parent chain that comes back to the motion is refused by SetParent.
    if (FAILED(motions[i]->SetParent(motions[parent]))) return E_FAIL;
  }
  return S_OK;
}

void SceneLoader::ComputeBoundingBox() {
  SceneTable<IVeyaLayer>& layers = m_scene.m_layers;
  D3DXVECTOR3 low(0.0f, 0.0f, 0.0f), high(0.0f, 0.0f, 0.0f);
  for (WORD i = 0; i < layers.Count(); ++i) {
    D3DXVECTOR3 min, max;
    layers[i]->GetBoundingBox(&min, &max);
    if (i == 0) {
      low = min;
      high = max;
      continue;
    }
    for (int axis = 0; axis < 3; ++axis) {
      if (min[axis] < low[axis]) low[axis] = min[axis];
      if (max[axis] > high[axis]) high[axis] = max[axis];
    }
  }
  m_scene.m_boxMin = low;
  m_scene.m_boxMax = high;
}
