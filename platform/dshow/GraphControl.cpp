// DirectShow filter graph manager: running, pausing and stopping every
// filter together on one reference clock.
#include <algorithm>
#include <chrono>

#include "platform/dshow/FilterGraph.h"

namespace tavorin::dshow {
namespace {

// Stream time 0 lies this far after the clock time Run is called at, so
// the first samples are not already late when they arrive.
constexpr REFERENCE_TIME kRunLead = 100000;  // 10 ms
// How long Run and StopWhenReady wait for the renderers to be cued. A
// source that never delivers (broken data ends the stream instead) must not
// hang the caller.
constexpr DWORD kCueTimeoutMs = 5000;

struct PinLinks {
  bool connectedInput = false;
  bool connectedOutput = false;
  std::vector<ComPtr<IBaseFilter>> downstream;
};

PinLinks LinksOf(IBaseFilter* filter) {
  PinLinks links;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return links;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    ComPtr<IPin> held(pin);
    ComPtr<IPin> other;
    PIN_DIRECTION direction;
    if (FAILED(pin->ConnectedTo(other.ReleaseAndGetAddressOf())) || !other ||
        FAILED(pin->QueryDirection(&direction))) {
      continue;
    }
    if (direction == PINDIR_INPUT) {
      links.connectedInput = true;
      continue;
    }
    links.connectedOutput = true;
    PIN_INFO info{};
    if (SUCCEEDED(other->QueryPinInfo(&info)) && info.pFilter != nullptr) {
      links.downstream.push_back(ComPtr<IBaseFilter>(info.pFilter));
    }
  }
  return links;
}

}  // namespace

std::vector<IBaseFilter*> CFilterGraph::DownstreamFirst() const {
  std::vector<IBaseFilter*> order;
  std::vector<std::pair<IBaseFilter*, PinLinks>> pending;
  for (const Entry& entry : m_filters)
    pending.emplace_back(entry.filter.Get(), LinksOf(entry.filter.Get()));
  auto placed = [&order](IBaseFilter* filter) {
    return std::find(order.begin(), order.end(), filter) != order.end();
  };
  while (!pending.empty()) {
    auto ready = std::find_if(pending.begin(), pending.end(), [&](const auto& item) {
      return std::all_of(item.second.downstream.begin(), item.second.downstream.end(),
                         [&](const ComPtr<IBaseFilter>& next) { return placed(next.Get()); });
    });
    // A cycle cannot be ordered; its filters go in as they come.
    if (ready == pending.end()) ready = pending.begin();
    order.push_back(ready->first);
    pending.erase(ready);
  }
  return order;
}

std::vector<IBaseFilter*> CFilterGraph::Renderers() const {
  std::vector<IBaseFilter*> renderers;
  for (const Entry& entry : m_filters) {
    PinLinks links = LinksOf(entry.filter.Get());
    if (links.connectedInput && !links.connectedOutput) renderers.push_back(entry.filter.Get());
  }
  return renderers;
}

void CFilterGraph::ChooseClock() {
  if (!m_clockChosenByUser) {
    m_clock = m_systemClock;
    for (const Entry& entry : m_filters) {
      ComPtr<IReferenceClock> own;
      if (SUCCEEDED(entry.filter.As(&own))) {
        m_clock = own;
        break;
      }
    }
  }
  for (const Entry& entry : m_filters) entry.filter->SetSyncSource(m_clock.Get());
}

REFERENCE_TIME CFilterGraph::ClockNow() const {
  REFERENCE_TIME now = 0;
  IReferenceClock* clock = m_clock ? m_clock.Get() : m_systemClock.Get();
  clock->GetTime(&now);
  return now;
}

REFERENCE_TIME CFilterGraph::StreamTimeNow() const {
  if (m_state != State_Running) return m_pausedStreamTime;
  return std::max<REFERENCE_TIME>(0, ClockNow() - m_runStart);
}

HRESULT CFilterGraph::PauseFilters() {
  for (IBaseFilter* filter : DownstreamFirst()) {
    HRESULT hr = filter->Pause();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CFilterGraph::RunFilters(REFERENCE_TIME start) {
  for (IBaseFilter* filter : DownstreamFirst()) {
    HRESULT hr = filter->Run(start);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CFilterGraph::StopFilters() {
  HRESULT result = S_OK;
  // Renderers first: they let go of the streaming threads their upstream
  // filters are about to wait for.
  for (IBaseFilter* filter : DownstreamFirst()) {
    HRESULT hr = filter->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CFilterGraph::PauseFromStopped() {
  ChooseClock();
  if (ComPtr<IMediaSeeking> seeking = SeekingFilter()) {
    LONGLONG start = m_segmentStart;
    seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                          AM_SEEKING_NoPositioning);
  }
  ResetCompletion(Renderers().size());
  m_pausedStreamTime = 0;
  m_state = State_Paused;
  HRESULT hr = PauseFilters();
  if (FAILED(hr)) {
    StopFilters();
    m_state = State_Stopped;
  }
  return hr;
}

HRESULT CFilterGraph::WaitForFilters(DWORD milliseconds) {
  std::vector<ComPtr<IBaseFilter>> filters;
  {
    std::lock_guard<std::recursive_mutex> hold(m_graphLock);
    for (const Entry& entry : m_filters) filters.push_back(entry.filter);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (const ComPtr<IBaseFilter>& filter : filters) {
    DWORD left = 0;
    if (milliseconds == INFINITE) {
      left = INFINITE;
    } else {
      auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      left = static_cast<DWORD>(std::max<int64_t>(0, remaining.count()));
    }
    FILTER_STATE state;
    HRESULT hr = filter->GetState(left, &state);
    if (hr == VFW_S_STATE_INTERMEDIATE) return hr;
  }
  return S_OK;
}

HRESULT CFilterGraph::RunFromPaused() {
  m_runStart = ClockNow() + kRunLead - m_pausedStreamTime;
  HRESULT hr = RunFilters(m_runStart);
  if (FAILED(hr)) return hr;
  m_state = State_Running;
  return S_OK;
}

STDMETHODIMP CFilterGraph::Run() {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state == State_Running) return S_OK;
  if (m_state == State_Stopped) {
    HRESULT hr = PauseFromStopped();
    if (FAILED(hr)) return hr;
    WaitForFilters(kCueTimeoutMs);
  }
  return RunFromPaused();
}

STDMETHODIMP CFilterGraph::Run(REFERENCE_TIME start) {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state == State_Running) return S_OK;
  if (m_state == State_Stopped) {
    HRESULT hr = PauseFromStopped();
    if (FAILED(hr)) return hr;
  }
  m_runStart = start - m_pausedStreamTime;
  HRESULT hr = RunFilters(m_runStart);
  if (FAILED(hr)) return hr;
  m_state = State_Running;
  return S_OK;
}

STDMETHODIMP CFilterGraph::Pause() {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  HRESULT hr = S_OK;
  if (m_state == State_Stopped) {
    hr = PauseFromStopped();
  } else if (m_state == State_Running) {
    m_pausedStreamTime = StreamTimeNow();
    m_state = State_Paused;
    hr = PauseFilters();
  }
  if (FAILED(hr)) return hr;
  return WaitForFilters(0) == VFW_S_STATE_INTERMEDIATE ? S_FALSE : S_OK;
}

STDMETHODIMP CFilterGraph::Stop() {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state == State_Stopped) return S_OK;
  m_segmentStart = PositionNow();
  HRESULT hr = StopFilters();
  m_state = State_Stopped;
  m_pausedStreamTime = 0;
  ResetCompletion(0);
  return hr;
}

STDMETHODIMP CFilterGraph::StopWhenReady() {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  HRESULT hr = Pause();
  if (FAILED(hr)) return hr;
  WaitForFilters(kCueTimeoutMs);
  return Stop();
}

STDMETHODIMP CFilterGraph::GetState(LONG milliseconds, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  *state = m_state;
  if (m_state == State_Stopped) return S_OK;
  HRESULT hr = WaitForFilters(milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds));
  *state = m_state;
  return hr;
}

STDMETHODIMP CFilterGraph::GetState(DWORD milliseconds, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  OAFilterState value = 0;
  HRESULT hr = GetState(milliseconds == INFINITE ? -1 : static_cast<LONG>(milliseconds), &value);
  *state = static_cast<FILTER_STATE>(value);
  return hr;
}

STDMETHODIMP CFilterGraph::GetClassID(CLSID* classId) {
  if (classId == nullptr) return E_POINTER;
  *classId = CLSID_FilterGraph;
  return S_OK;
}

STDMETHODIMP CFilterGraph::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  if (clock != nullptr) clock->AddRef();
  m_clock = ComPtr<IReferenceClock>(clock);
  m_clockChosenByUser = true;
  for (const Entry& entry : m_filters) entry.filter->SetSyncSource(clock);
  return S_OK;
}

STDMETHODIMP CFilterGraph::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  *clock = m_clock.Get();
  if (*clock != nullptr) (*clock)->AddRef();
  return S_OK;
}

STDMETHODIMP CFilterGraph::SetDefaultSyncSource() {
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  m_clockChosenByUser = false;
  ChooseClock();
  return S_OK;
}

}  // namespace tavorin::dshow
