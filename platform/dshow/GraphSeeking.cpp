// DirectShow filter graph manager: positions and rate, carried out by the
// graph's seekable filter (the splitter) and followed on the clock.
#include <algorithm>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/MediaTime.h"

namespace tavorin::dshow {
namespace {

constexpr DWORD kCueTimeoutMs = 5000;

}  // namespace

ComPtr<IMediaSeeking> CFilterGraph::SeekingFilter() const {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  for (const Entry& entry : m_filters) {
    ComPtr<IMediaSeeking> seeking;
    if (SUCCEEDED(entry.filter.As(&seeking))) return seeking;
  }
  return nullptr;
}

LONGLONG CFilterGraph::PositionNow() const {
  LONGLONG stop = 0;
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking || FAILED(seeking->GetStopPosition(&stop))) stop = 0;
  bool complete = false;
  {
    std::lock_guard<std::mutex> hold(m_eventLock);
    complete = m_complete;
  }
  if (complete && stop > 0) return stop;
  LONGLONG position =
      m_segmentStart + static_cast<LONGLONG>(static_cast<double>(StreamTimeNow()) * m_rate);
  if (stop > 0) position = std::min(position, stop);
  return std::max<LONGLONG>(0, position);
}

HRESULT CFilterGraph::Reposition(LONGLONG position, LONGLONG* stop, DWORD stopFlags) {
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking) return E_NOTIMPL;
  FILTER_STATE state = m_state;
  if (state == State_Running) {
    m_state = State_Paused;
    PauseFilters();
  }
  LONGLONG target = position;
  HRESULT hr = seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, stop, stopFlags);
  if (FAILED(hr)) {
    if (state == State_Running) RunFromPaused();
    return hr;
  }
  m_segmentStart = position;
  m_pausedStreamTime = 0;
  ResetCompletion(state == State_Stopped ? 0 : Renderers().size());
  if (state == State_Running) {
    WaitForFilters(kCueTimeoutMs);
    RunFromPaused();
  }
  return hr;
}

STDMETHODIMP CFilterGraph::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = 0;
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking) return E_NOTIMPL;
  return seeking->GetCapabilities(capabilities);
}

STDMETHODIMP CFilterGraph::CheckCapabilities(DWORD* capabilities) {
  DWORD offered = 0;
  if (capabilities != nullptr) GetCapabilities(&offered);
  return media_time::CheckCapabilities(offered, capabilities);
}

STDMETHODIMP CFilterGraph::IsFormatSupported(const GUID* format) {
  return media_time::IsSupported(format);
}

STDMETHODIMP CFilterGraph::QueryPreferredFormat(GUID* format) {
  return media_time::Preferred(format);
}

STDMETHODIMP CFilterGraph::GetTimeFormat(GUID* format) {
  return QueryPreferredFormat(format);
}

STDMETHODIMP CFilterGraph::IsUsingTimeFormat(const GUID* format) {
  return media_time::IsSupported(format);
}

STDMETHODIMP CFilterGraph::SetTimeFormat(const GUID* format) {
  if (format != nullptr && m_state != State_Stopped) return VFW_E_WRONG_STATE;
  return media_time::Set(format);
}

STDMETHODIMP CFilterGraph::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking) return E_NOTIMPL;
  return seeking->GetDuration(duration);
}

STDMETHODIMP CFilterGraph::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking) return E_NOTIMPL;
  return seeking->GetStopPosition(stop);
}

STDMETHODIMP CFilterGraph::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (!SeekingFilter()) return E_NOTIMPL;
  *current = PositionNow();
  return S_OK;
}

STDMETHODIMP CFilterGraph::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                             LONGLONG source, const GUID* sourceFormat) {
  return media_time::Convert(target, targetFormat, source, sourceFormat);
}

STDMETHODIMP CFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                        DWORD stopFlags) {
  DWORD currentMode = currentFlags & AM_SEEKING_PositioningBitsMask;
  DWORD stopMode = stopFlags & AM_SEEKING_PositioningBitsMask;
  if ((currentMode != AM_SEEKING_NoPositioning && current == nullptr) ||
      (stopMode != AM_SEEKING_NoPositioning && stop == nullptr)) {
    return E_POINTER;
  }
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking) return E_NOTIMPL;
  LONGLONG now = PositionNow();
  LONGLONG newStop = 0;
  DWORD stopPass = AM_SEEKING_NoPositioning;
  if (stopMode != AM_SEEKING_NoPositioning) {
    LONGLONG oldStop = 0;
    seeking->GetStopPosition(&oldStop);
    newStop = stopMode == AM_SEEKING_AbsolutePositioning ? *stop : oldStop + *stop;
    stopPass = AM_SEEKING_AbsolutePositioning;
  }
  HRESULT hr = S_OK;
  if (currentMode == AM_SEEKING_NoPositioning) {
    if (stopPass != AM_SEEKING_NoPositioning) {
      hr = seeking->SetPositions(nullptr, AM_SEEKING_NoPositioning, &newStop, stopPass);
    }
  } else {
    LONGLONG target = currentMode == AM_SEEKING_AbsolutePositioning ? *current : now + *current;
    if (target < 0) target = 0;
    hr = Reposition(target, stopPass != AM_SEEKING_NoPositioning ? &newStop : nullptr, stopPass);
    if (SUCCEEDED(hr) && (currentFlags & AM_SEEKING_ReturnTime)) *current = target;
  }
  if (SUCCEEDED(hr) && stopPass != AM_SEEKING_NoPositioning &&
      (stopFlags & AM_SEEKING_ReturnTime)) {
    *stop = newStop;
  }
  return hr;
}

STDMETHODIMP CFilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current != nullptr) {
    HRESULT hr = GetCurrentPosition(current);
    if (FAILED(hr)) return hr;
  }
  if (stop != nullptr) return GetStopPosition(stop);
  return S_OK;
}

STDMETHODIMP CFilterGraph::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  if (earliest != nullptr) *earliest = 0;
  if (latest != nullptr) return GetDuration(latest);
  return S_OK;
}

STDMETHODIMP CFilterGraph::SetRate(double rate) {
  if (!(rate > 0.0)) return E_INVALIDARG;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  ComPtr<IMediaSeeking> seeking = SeekingFilter();
  if (!seeking) return E_NOTIMPL;
  if (rate == m_rate) return S_OK;
  LONGLONG position = PositionNow();
  HRESULT hr = seeking->SetRate(rate);
  if (FAILED(hr)) return hr;
  m_rate = rate;
  // A new rate starts a new segment where playback is now, so stream time
  // and position stay in step.
  if (m_state != State_Stopped) return Reposition(position, nullptr, AM_SEEKING_NoPositioning);
  return S_OK;
}

STDMETHODIMP CFilterGraph::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  *rate = m_rate;
  return S_OK;
}

STDMETHODIMP CFilterGraph::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

}  // namespace tavorin::dshow
