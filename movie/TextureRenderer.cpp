#include "movie/TextureRenderer.h"

#include <d3d9.h>

#include <cstring>
#include <new>

namespace tavorin::movie {
namespace {

// {8A879A56-20ED-42F1-868E-42E6266AAFC2}
DEFINE_GUID(CLSID_TextureRenderer, 0x8A879A56, 0x20ED, 0x42F1, 0x86, 0x8E, 0x42, 0xE6, 0x26, 0x6A,
            0xAF, 0xC2);

}  // namespace

CTRFilter::CTRFilter(HRESULT* result)
    : CBaseVideoRenderer(CLSID_TextureRenderer, NAME("TextureRenderFilter"), nullptr, result) {}

CTRFilter::~CTRFilter() {
  if (m_movieTexture != nullptr) m_movieTexture->Release();
}

HRESULT CTRFilter::Init(IDirect3DDevice9* device, IMovieTexture* texture) {
  if (texture != nullptr) {
    texture->AddRef();
    m_movieTexture = texture;
    return S_OK;
  }
  return CreateMovieTexture(&m_movieTexture, device);
}

HRESULT CTRFilter::GetVideoSize(int size[2]) {
  if (size == nullptr) return E_POINTER;
  size[0] = m_width;
  size[1] = m_height;
  return S_OK;
}

HRESULT CTRFilter::GetTexture(IDirect3DTexture9** texture, BOOL* updated) {
  return m_movieTexture->GetTexture(texture, updated);
}

IMovieTexture* CTRFilter::GetMovieTexture() {
  m_movieTexture->AddRef();
  return m_movieTexture;
}

HRESULT CTRFilter::CheckMediaType(const CMediaType* type) {
  if (type == nullptr) return E_POINTER;
  if (type->formattype != FORMAT_VideoInfo) return E_INVALIDARG;
  if (type->majortype == MEDIATYPE_Video && type->subtype == MEDIASUBTYPE_RGB32) return S_OK;
  return E_FAIL;
}

HRESULT CTRFilter::SetMediaType(const CMediaType* type) {
  if (type == nullptr) return E_POINTER;
  // The copy trusts the format block's size, so a block too short to hold
  // one is refused rather than read past.
  if (type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) return E_INVALIDARG;
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  int width = static_cast<int>(info->bmiHeader.biWidth);
  int height = static_cast<int>(info->bmiHeader.biHeight);
  HRESULT hr = m_movieTexture->Allocate(width, height);
  if (FAILED(hr)) return hr;
  m_width = width;
  m_height = height;
  m_sourceRowPixels = width;
  return S_OK;
}

HRESULT CTRFilter::DoRenderSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> hold(m_frameLock);
  BYTE* source = nullptr;
  HRESULT hr = sample->GetPointer(&source);
  if (FAILED(hr)) return hr;
  // A sample shorter than the negotiated frame would be read past its end.
  long long frameBytes = 4LL * m_sourceRowPixels * m_height;
  if (source == nullptr || sample->GetActualDataLength() < frameBytes) return E_INVALIDARG;

  IDirect3DTexture9* texture = nullptr;
  hr = m_movieTexture->GetWriteTexture(&texture);
  if (FAILED(hr)) return hr;
  hr = CopyFrame(texture, source);
  if (SUCCEEDED(hr)) m_movieTexture->Commit();
  texture->Release();
  return hr;
}

// Video rows arrive bottom-up and texture rows go top-down: the first
// source row becomes the last row of the rectangle.
HRESULT CTRFilter::CopyFrame(IDirect3DTexture9* texture, const BYTE* source) {
  int width = m_width;
  int height = m_height;
  RECT area = {0, 0, width, height};
  D3DLOCKED_RECT locked{};
  HRESULT hr = texture->LockRect(0, &locked, &area, 0);
  if (FAILED(hr)) return hr;
  long rowPixels = locked.Pitch / 4;
  BYTE* destination = static_cast<BYTE*>(locked.pBits) + (height - 1) * rowPixels * 4;
  size_t rowBytes = static_cast<size_t>(width) * 4;
  size_t sourceStride = static_cast<size_t>(m_sourceRowPixels) * 4;
  for (int row = 0; row < height; ++row) {
    std::memcpy(destination, source, rowBytes);
    source += sourceStride;
    destination -= rowPixels * 4;
  }
  texture->UnlockRect(0);
  return S_OK;
}

void CTRFilter::OnReceiveFirstSample(IMediaSample* sample) {
  DoRenderSample(sample);
}

}  // namespace tavorin::movie

HRESULT CreateTextureRenderer(ITRFilter** out, IDirect3DDevice9* device, IMovieTexture* texture) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  HRESULT hr = S_OK;
  auto* filter = new (std::nothrow) tavorin::movie::CTRFilter(&hr);
  if (filter == nullptr) return E_OUTOFMEMORY;
  filter->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = filter->Init(device, texture);
  if (FAILED(hr)) {
    filter->NonDelegatingRelease();
    return hr;
  }
  *out = filter;
  return S_OK;
}
