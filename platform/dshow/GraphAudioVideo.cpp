// DirectShow filter graph manager: IBasicAudio and IBasicVideo, answered by
// the renderers.
#include <cstdlib>
#include <cstring>

#include "platform/dshow/FilterGraph.h"

namespace tavorin::dshow {

template <class Interface>
ComPtr<Interface> CFilterGraph::FindFilterInterface() const {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  for (const Entry& entry : m_filters) {
    ComPtr<Interface> found;
    if (SUCCEEDED(entry.filter.As(&found))) return found;
  }
  return nullptr;
}

STDMETHODIMP CFilterGraph::put_Volume(LONG volume) {
  ComPtr<IBasicAudio> audio = FindFilterInterface<IBasicAudio>();
  return audio ? audio->put_Volume(volume) : E_NOTIMPL;
}

STDMETHODIMP CFilterGraph::get_Volume(LONG* volume) {
  if (volume == nullptr) return E_POINTER;
  ComPtr<IBasicAudio> audio = FindFilterInterface<IBasicAudio>();
  return audio ? audio->get_Volume(volume) : E_NOTIMPL;
}

STDMETHODIMP CFilterGraph::put_Balance(LONG balance) {
  ComPtr<IBasicAudio> audio = FindFilterInterface<IBasicAudio>();
  return audio ? audio->put_Balance(balance) : E_NOTIMPL;
}

STDMETHODIMP CFilterGraph::get_Balance(LONG* balance) {
  if (balance == nullptr) return E_POINTER;
  ComPtr<IBasicAudio> audio = FindFilterInterface<IBasicAudio>();
  return audio ? audio->get_Balance(balance) : E_NOTIMPL;
}

// The video format of the first connected input pin that carries one: a
// renderer's, since decoders in this graph give their pictures in that form.
HRESULT CFilterGraph::VideoFormat(VIDEOINFOHEADER* format) const {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  for (const Entry& entry : m_filters) {
    ComPtr<IEnumPins> pins;
    if (FAILED(entry.filter->EnumPins(pins.ReleaseAndGetAddressOf()))) continue;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
      ComPtr<IPin> held(pin);
      PIN_DIRECTION direction;
      CMediaType type;
      if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_INPUT ||
          FAILED(pin->ConnectionMediaType(&type))) {
        continue;
      }
      if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        std::memcpy(format, type.pbFormat, sizeof(VIDEOINFOHEADER));
        return S_OK;
      }
    }
  }
  return VFW_E_NOT_CONNECTED;
}

STDMETHODIMP CFilterGraph::get_AvgTimePerFrame(REFTIME* seconds) {
  if (seconds == nullptr) return E_POINTER;
  VIDEOINFOHEADER format;
  HRESULT hr = VideoFormat(&format);
  if (FAILED(hr)) return hr;
  *seconds = static_cast<double>(format.AvgTimePerFrame) / 10000000.0;
  return S_OK;
}

STDMETHODIMP CFilterGraph::get_VideoWidth(LONG* width) {
  if (width == nullptr) return E_POINTER;
  VIDEOINFOHEADER format;
  HRESULT hr = VideoFormat(&format);
  if (FAILED(hr)) return hr;
  *width = format.bmiHeader.biWidth;
  return S_OK;
}

STDMETHODIMP CFilterGraph::get_VideoHeight(LONG* height) {
  if (height == nullptr) return E_POINTER;
  VIDEOINFOHEADER format;
  HRESULT hr = VideoFormat(&format);
  if (FAILED(hr)) return hr;
  *height = std::abs(format.bmiHeader.biHeight);
  return S_OK;
}

STDMETHODIMP CFilterGraph::GetVideoSize(LONG* width, LONG* height) {
  if (width == nullptr || height == nullptr) return E_POINTER;
  HRESULT hr = get_VideoWidth(width);
  if (FAILED(hr)) return hr;
  return get_VideoHeight(height);
}

}  // namespace tavorin::dshow
