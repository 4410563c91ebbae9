#include "animation/Surface.h"

#include <cmath>
#include <cstring>
#include <new>

#include <d3dx9.h>

#include "animation/SurfacePayload.h"

namespace {

// The parts of a path that name a texture entry: file name and extension,
// limited to the 127 and 31 characters such names have always been kept to.
std::string TextureNameFromPath(const char* path) {
  constexpr size_t kMaxName = 127;
  constexpr size_t kMaxExtension = 31;
  std::string file(path);
  if (file.size() >= 2 && file[1] == ':') file.erase(0, 2);  // a drive letter
  size_t slash = file.find_last_of("/\\");
  if (slash != std::string::npos) file.erase(0, slash + 1);
  size_t dot = file.find_last_of('.');
  std::string extension;
  if (dot != std::string::npos) {
    extension = file.substr(dot, kMaxExtension);
    file.erase(dot);
  }
  return file.substr(0, kMaxName) + extension;
}

FLOAT Clamp01(FLOAT value) {
  if (value <= 0.0f) return 0.0f;
  if (value >= 1.0f) return 1.0f;
  return value;
}

FLOAT Sample(const SurfaceFactor& factor, LONG frame) {
  return factor.track.keyCount > 0 ? EvaluateCurve(factor.track, frame) : factor.base;
}

void EvaluateClamped(SurfaceFactor& factor, LONG frame) {
  factor.current = Clamp01(Sample(factor, frame));
}

// The power track holds a normalised exponent: 0…1 maps onto 4…4096, and any
// value at or below −1 hands control back to the base power.
void EvaluatePower(SurfaceFactor& power, LONG frame) {
  if (power.track.keyCount == 0) {
    power.current = power.base;
    return;
  }
  FLOAT value = EvaluateCurve(power.track, frame);
  power.current = value > -1.0f ? std::exp2(10.0f * Clamp01(value) + 2.0f) : power.base;
}

FLOAT Effective(DWORD animated, const SurfaceFactor& factor) {
  return animated != 0 ? factor.current : factor.base;
}

}  // namespace

HRESULT CVeyaSurface::Init(IFileReader* reader, IDirect3DDevice9* device, WORD index, DWORD length,
                           DWORD* consumed) {
  if (consumed != nullptr) *consumed = 0;
  if (device == nullptr) return E_INVALIDARG;
  device->AddRef();
  m_device = tavorin::ComPtr<IDirect3DDevice9>(device);
  m_state.index = index;
  if (reader == nullptr) return S_OK;

  SurfaceRunReader run(reader, length);
  HRESULT hr;
  try {
    hr = ReadSurfacePayload(run, device, m_state);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (consumed != nullptr) *consumed = run.Consumed();
  return hr;
}

HRESULT CVeyaSurface::Evaluate(LONG frame) {
  // Only a flag of exactly 1 animates; other non-zero flags keep the current
  // values as they are, while the render parameters still read them.
  if (m_state.colorAnimated == 1) {
    EvaluateClamped(m_state.red, frame);
    EvaluateClamped(m_state.green, frame);
    EvaluateClamped(m_state.blue, frame);
  }
  if (m_state.diffuseAnimated == 1) EvaluateClamped(m_state.diffuse, frame);
  if (m_state.extraAnimated == 1) EvaluateClamped(m_state.extra, frame);
  if (m_state.emissiveAnimated == 1) EvaluateClamped(m_state.emissive, frame);
  if (m_state.specularAnimated == 1) EvaluateClamped(m_state.specular, frame);
  if (m_state.powerAnimated == 1) EvaluatePower(m_state.power, frame);
  return EvaluateIndex(m_state.textureIndexTrack, frame);
}

HRESULT CVeyaSurface::GetEdgeColor(FLOAT color[4]) {
  if (color == nullptr) return E_POINTER;
  std::memcpy(color, m_state.edgeColor, sizeof(m_state.edgeColor));
  return S_OK;
}

const SurfaceTexture* CVeyaSurface::GetTexture(WORD entry) {
  if (entry >= m_state.textures.size()) return nullptr;
  return m_state.textures[entry]->Record();
}

const SurfaceTexture* CVeyaSurface::GetToonTexture() {
  return m_state.toonTexture ? m_state.toonTexture->Record() : nullptr;
}

SurfaceRenderParameters* CVeyaSurface::GetRenderParameters(SurfaceRenderParameters* out) {
  if (out == nullptr) return nullptr;
  const SurfaceState& s = m_state;
  FLOAT diffuse = Effective(s.diffuseAnimated, s.diffuse);
  out->surfaceType = s.surfaceType;
  out->blendMode = s.blendMode;
  out->red = Effective(s.colorAnimated, s.red) * diffuse;
  out->green = Effective(s.colorAnimated, s.green) * diffuse;
  out->blue = Effective(s.colorAnimated, s.blue) * diffuse;
  out->extra = Effective(s.extraAnimated, s.extra);
  out->emissive = Effective(s.emissiveAnimated, s.emissive);
  out->specular = Effective(s.specularAnimated, s.specular);
  out->power = Effective(s.powerAnimated, s.power);
  out->reserved = 0.0f;
  WORD index = s.textureIndexTrack.enabled != 0 ? s.textureIndexTrack.current : s.textureIndex;
  out->texture = index < s.textures.size() ? s.textures[index]->Texture() : nullptr;
  out->toonTexture = s.toonTexture ? s.toonTexture->Texture() : nullptr;
  out->doubleSided = s.doubleSided;
  out->zEnable = s.zEnable;
  out->zWrite = s.zWrite;
  return out;
}

SurfaceEdgeParameters* CVeyaSurface::GetEdgeParameters(SurfaceEdgeParameters* out) {
  if (out == nullptr) return nullptr;
  out->red = m_state.edgeColor[0];
  out->green = m_state.edgeColor[1];
  out->blue = m_state.edgeColor[2];
  out->alpha = m_state.edgeColor[3];
  out->edgeSize = m_state.edgeSize;
  out->zEnable = m_state.zEnable;
  out->zWrite = m_state.zWrite;
  return out;
}

HRESULT CVeyaSurface::SetName(const char* name) {
  try {
    std::string copy(name != nullptr ? name : "");
    m_state.name.swap(copy);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CVeyaSurface::SetEdgeColor(FLOAT red, FLOAT green, FLOAT blue, FLOAT alpha) {
  m_state.edgeColor[0] = red;
  m_state.edgeColor[1] = green;
  m_state.edgeColor[2] = blue;
  m_state.edgeColor[3] = alpha;
  return S_OK;
}

HRESULT CVeyaSurface::LoadTexture(const char* path, std::unique_ptr<SurfaceTextureEntry>* out) {
  IDirect3DTexture9* texture = nullptr;
  HRESULT hr = D3DXCreateTextureFromFileExA(m_device.Get(), path, 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                            D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                            nullptr, nullptr, &texture);
  if (FAILED(hr)) return hr;
  tavorin::ComPtr<IDirect3DTexture9> held(texture);
  try {
    auto entry = std::make_unique<SurfaceTextureEntry>();
    entry->SetName(TextureNameFromPath(path));
    entry->SetTexture(held.Detach());
    *out = std::move(entry);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CVeyaSurface::AddTextureFromFile(const char* path) {
  if (path == nullptr) return E_INVALIDARG;
  if (m_state.textures.size() >= kMaxSurfaceTextures) return E_FAIL;
  std::unique_ptr<SurfaceTextureEntry> entry;
  HRESULT hr = LoadTexture(path, &entry);
  if (FAILED(hr)) return hr;
  try {
    m_state.textures.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CVeyaSurface::SetTextureIndex(WORD index) {
  m_state.textureIndex = index;
  m_state.textureIndexTrack.defaultValue = index;
  return S_OK;
}

HRESULT CVeyaSurface::SetTextureAnimated(WORD animated) {
  m_state.textureIndexTrack.enabled = animated;
  m_state.textureIndex = m_state.textureIndexTrack.defaultValue;
  return S_OK;
}

HRESULT CVeyaSurface::SetToonTextureFromFile(const char* path) {
  m_state.toonTexture.reset();
  if (path == nullptr) return E_INVALIDARG;
  return LoadTexture(path, &m_state.toonTexture);
}

HRESULT CVeyaSurface::RemoveTexture(WORD entry) {
  if (entry < m_state.textures.size()) m_state.textures.erase(m_state.textures.begin() + entry);
  return S_OK;
}

HRESULT CVeyaSurface::RemoveToonTexture() {
  m_state.toonTexture.reset();
  return S_OK;
}

HRESULT CVeyaSurface::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  return SerializeSurfacePayload(m_state, writer, size);
}

HRESULT CreateSurface(IVeyaSurface** out, IFileReader* reader, IDirect3DDevice9* device, WORD index,
                      DWORD length, DWORD* consumed) {
  if (consumed != nullptr) *consumed = 0;
  return tavorin::CreateComObject<CVeyaSurface>(out, reader, device, index, length, consumed);
}
