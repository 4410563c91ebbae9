// Writing a scene back as a "VMF4" file, in the chunk order that keeps every
// stored index meaning the same component when the file is read again.
#include "scene/SceneFormat.h"
#include "scene/SceneLoader.h"
#include "scene/Veya2.h"

using namespace tavorin::scene;

class SceneWriter {
 public:
  explicit SceneWriter(CVeya2& scene) : m_scene(scene) {}

  // Sums the chunk bytes the file will hold after its header. E_FAIL when
  // they do not fit the header's 32-bit total.
  HRESULT Measure(DWORD* total) {
    m_writer = nullptr;
    m_written = 0;
    HRESULT hr = EveryChunk();
    if (FAILED(hr)) return hr;
    if (m_written > 0xFFFFFFFFull) return E_FAIL;
    *total = DWORD(m_written);
    return S_OK;
  }

  // Writes every chunk; `*written` receives the bytes the writer took.
  HRESULT Write(IFileWriter* writer, ULONGLONG* written) {
    m_writer = writer;
    m_written = 0;
    HRESULT hr = EveryChunk();
    *written = m_written;
    return hr;
  }

 private:
  HRESULT EveryChunk() {
    CVeya2& s = m_scene;
    HRESULT hr = S_OK;
    if (FAILED(hr = Table(s.m_layers, kTagLayerCount, kTagLayer))) return hr;
    if (FAILED(hr = Table(s.m_motions, kTagMotionCount, kTagMotion))) return hr;
    if (FAILED(hr = Table(s.m_surfaces, kTagSurfaceCount, kTagSurface))) return hr;
    if (FAILED(hr = Table(s.m_cameras, kTagCameraCount, kTagCamera))) return hr;
    if (FAILED(hr = Table(s.m_lights, kTagLightCount, kTagLight))) return hr;
    if (FAILED(hr = Table(s.m_collisionGroups, kTagGroupCount, kTagGroup))) return hr;
    if (FAILED(hr = Table(s.m_collisionLayers, kTagCollisionLayerCount, kTagCollisionLayer))) {
      return hr;
    }
    if (FAILED(hr = Object(s.m_lipsync, kTagLipsync))) return hr;
    return Object(s.m_blink, kTagBlink);
  }

  template <class Component>
  HRESULT Table(const SceneTable<Component>& table, DWORD countTag, DWORD objectTag) {
    if (table.Count() == 0) return S_OK;
    BYTE count[kCountPayloadSize];
    tavorin::animation::StoreU16(count, table.Count());
    Header(countTag, kCountPayloadSize);
    Bytes(count, kCountPayloadSize);
    for (WORD i = 0; i < table.Count(); ++i) {
      HRESULT hr = Object(table[i], objectTag);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }

  template <class Component>
  HRESULT Object(Component* component, DWORD tag) {
    DWORD size = 0;
    HRESULT hr = component->Serialize(nullptr, &size);
    if (FAILED(hr)) return hr;
    Header(tag, size);
    if (m_writer == nullptr) {
      m_written += size;
      return S_OK;
    }
    DWORD written = 0;
    if (FAILED(hr = component->Serialize(m_writer, &written))) return hr;
    m_written += written;
    // A payload of another length than its header announced would shift
    // every chunk after it.
    return written == size ? S_OK : E_FAIL;
  }

  void Header(DWORD tag, DWORD size) {
    BYTE header[tavorin::animation::kChunkHeaderSize];
    tavorin::animation::StoreU32(header, tag);
    tavorin::animation::StoreU32(header + 4, size);
    Bytes(header, sizeof(header));
  }

  void Bytes(const void* data, DWORD length) {
    m_written += m_writer != nullptr ? m_writer->Write(data, length) : length;
  }

  CVeya2& m_scene;
  IFileWriter* m_writer = nullptr;
  ULONGLONG m_written = 0;
};

HRESULT CVeya2::Save(const char* fileName) {
  if (fileName == nullptr) return E_INVALIDARG;
  // Edits can leave an index naming nothing (a mesh's surface, a camera's
  // motion); such a file would not load again, so nothing is written.
  HRESULT hr = SceneLoader(*this, nullptr).CheckReferences();
  if (FAILED(hr)) return hr;
  SceneWriter sceneWriter(*this);
  DWORD total = 0;
  hr = sceneWriter.Measure(&total);
  if (FAILED(hr)) return hr;
  IFileWriter* writer = nullptr;
  if (FAILED(hr = CreateFileWriter(&writer, fileName))) return hr;
  BYTE header[kSceneHeaderSize];
  tavorin::animation::StoreU32(header, kSceneMagic);
  tavorin::animation::StoreU32(header + 4, total);
  writer->Write(header, kSceneHeaderSize);
  ULONGLONG written = 0;
  hr = sceneWriter.Write(writer, &written);
  // The writer reports refused bytes only when flushed.
  const BOOL flushed = writer->Flush();
  writer->Release();
  if (FAILED(hr)) return hr;
  return flushed && written == total ? S_OK : E_FAIL;
}
