// DirectShow base classes: renderers that present samples on the reference
// clock.
#include <algorithm>
#include <chrono>

#include <streams.h>

namespace {

// Longest single wait, so that a clock running at its own pace (the audio
// renderer's) is looked at again soon.
constexpr REFERENCE_TIME kLongestWait = 100000;  // 10 ms

std::chrono::microseconds WaitSlice(REFERENCE_TIME remaining) {
  return std::chrono::microseconds(std::clamp<REFERENCE_TIME>(remaining, 10, kLongestWait) / 10);
}

}  // namespace

CBaseRenderer::CBaseRenderer(REFCLSID clsid, LPCTSTR name, LPUNKNOWN outer, HRESULT* result)
    : CBaseFilter(name, outer, &m_InterfaceLock, clsid, result) {
  m_pInputPin.reset(new (std::nothrow) CRendererInputPin(this, result, L"In"));
  if (!m_pInputPin && result != nullptr) *result = E_OUTOFMEMORY;
}

CBaseRenderer::~CBaseRenderer() {
  if (m_runClock != nullptr) m_runClock->Release();
}

HRESULT CBaseRenderer::SetMediaType(const CMediaType* /*type*/) {
  return S_OK;
}
HRESULT CBaseRenderer::BreakConnect() {
  return S_OK;
}
HRESULT CBaseRenderer::CompleteConnect(IPin* /*receive*/) {
  return S_OK;
}

HRESULT CBaseRenderer::ShouldDrawSampleNow(IMediaSample* /*sample*/, REFERENCE_TIME start,
                                           REFERENCE_TIME /*stop*/, REFERENCE_TIME now) {
  return now >= start ? S_OK : S_FALSE;
}

int CBaseRenderer::GetPinCount() {
  return 1;
}

CBasePin* CBaseRenderer::GetPin(int n) {
  return n == 0 ? m_pInputPin.get() : nullptr;
}

bool CBaseRenderer::ShouldGiveUp() const {
  return m_State == State_Stopped || m_bFlushing;
}

bool CBaseRenderer::ClockStreamTime(REFERENCE_TIME* now) const {
  if (m_runClock == nullptr) return false;
  REFERENCE_TIME clockTime = 0;
  if (FAILED(m_runClock->GetTime(&clockTime))) return false;
  *now = clockTime - m_runStart;
  return true;
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample) {
  std::unique_lock<std::mutex> hold(m_schedule);
  if (m_bFlushing) return S_FALSE;
  if (m_State == State_Stopped) return VFW_E_WRONG_STATE;
  if (m_bEOS) return VFW_E_SAMPLE_REJECTED_EOS;
  if (m_State == State_Paused && !m_bHaveFirstSample) {
    hold.unlock();
    {
      CAutoLock render(&m_RendererLock);
      OnReceiveFirstSample(sample);
    }
    hold.lock();
  }
  m_bHaveFirstSample = true;
  m_changed.notify_all();

  HRESULT hr = WaitForRenderTime(hold, sample);
  if (hr == S_FALSE) return m_bFlushing ? S_FALSE : VFW_E_WRONG_STATE;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) m_lastStop = std::max(m_lastStop, stop);
  if (hr == E_FAIL) {
    ++m_framesDropped;
    return S_OK;
  }
  hold.unlock();
  CAutoLock render(&m_RendererLock);
  return DoRenderSample(sample);
}

HRESULT CBaseRenderer::WaitForRenderTime(std::unique_lock<std::mutex>& hold, IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  for (;;) {
    if (ShouldGiveUp()) return S_FALSE;
    if (m_State == State_Paused) {
      m_changed.wait(hold);
      continue;
    }
    REFERENCE_TIME now = 0;
    if (!timed || !ClockStreamTime(&now)) return S_OK;
    HRESULT hr = ShouldDrawSampleNow(sample, start, stop, now);
    if (hr != S_FALSE) return hr;
    m_changed.wait_for(hold, WaitSlice(start - now));
  }
}

bool CBaseRenderer::WaitForStreamTime(std::unique_lock<std::mutex>& hold, REFERENCE_TIME due) {
  for (;;) {
    if (ShouldGiveUp()) return false;
    if (m_State == State_Paused) {
      m_changed.wait(hold);
      continue;
    }
    REFERENCE_TIME now = 0;
    if (!ClockStreamTime(&now) || now >= due) return true;
    m_changed.wait_for(hold, WaitSlice(due - now));
  }
}

HRESULT CBaseRenderer::EndOfStream() {
  std::unique_lock<std::mutex> hold(m_schedule);
  if (m_State == State_Stopped) return VFW_E_WRONG_STATE;
  if (m_bFlushing || m_bEOS) return S_OK;
  m_bEOS = true;
  m_changed.notify_all();
  // The stream is complete once its last sample has had its time on screen.
  if (!WaitForStreamTime(hold, m_lastStop)) return S_OK;
  hold.unlock();
  SendEndOfStream();
  return S_OK;
}

void CBaseRenderer::SendEndOfStream() {
  NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CBaseRenderer::BeginFlush() {
  std::lock_guard<std::mutex> hold(m_schedule);
  m_bFlushing = true;
  m_changed.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
  std::lock_guard<std::mutex> hold(m_schedule);
  m_bFlushing = false;
  m_bHaveFirstSample = false;
  m_bEOS = false;
  m_lastStop = 0;
  m_changed.notify_all();
  return S_OK;
}

STDMETHODIMP CBaseRenderer::Stop() {
  CAutoLock hold(&m_InterfaceLock);
  if (m_State == State_Stopped) return S_OK;
  {
    std::lock_guard<std::mutex> schedule(m_schedule);
    m_State = State_Stopped;
    m_bHaveFirstSample = false;
    m_bEOS = false;
    m_lastStop = 0;
    m_changed.notify_all();
  }
  if (m_pInputPin->IsConnected()) m_pInputPin->Inactive();
  if (m_bStreaming) {
    m_bStreaming = false;
    OnStopStreaming();
  }
  return S_OK;
}

STDMETHODIMP CBaseRenderer::Pause() {
  CAutoLock hold(&m_InterfaceLock);
  bool connected = m_pInputPin->IsConnected();
  if (m_State == State_Stopped && connected) {
    HRESULT hr = m_pInputPin->Active();
    if (FAILED(hr)) return hr;
  }
  std::lock_guard<std::mutex> schedule(m_schedule);
  if (m_State == State_Stopped) {
    m_bHaveFirstSample = false;
    m_bEOS = false;
    m_bFlushing = false;
    if (connected && !m_bStreaming) {
      m_bStreaming = true;
      OnStartStreaming();
    }
  }
  m_State = State_Paused;
  m_changed.notify_all();
  return (m_bHaveFirstSample || m_bEOS || !connected) ? S_OK : S_FALSE;
}

STDMETHODIMP CBaseRenderer::Run(REFERENCE_TIME start) {
  CAutoLock hold(&m_InterfaceLock);
  if (m_State == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  std::lock_guard<std::mutex> schedule(m_schedule);
  m_tStart = start;
  m_runStart = start;
  if (m_pClock != nullptr) m_pClock->AddRef();
  if (m_runClock != nullptr) m_runClock->Release();
  m_runClock = m_pClock;
  m_State = State_Running;
  m_changed.notify_all();
  return S_OK;
}

STDMETHODIMP CBaseRenderer::GetState(DWORD milliseconds, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  std::unique_lock<std::mutex> hold(m_schedule);
  auto settled = [this] {
    return m_State != State_Paused || m_bHaveFirstSample || m_bEOS || !m_pInputPin->IsConnected();
  };
  bool ready = milliseconds == INFINITE
                   ? (m_changed.wait(hold, settled), true)
                   : m_changed.wait_for(hold, std::chrono::milliseconds(milliseconds), settled);
  *state = m_State;
  return ready ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

CBaseVideoRenderer::CBaseVideoRenderer(REFCLSID clsid, LPCTSTR name, LPUNKNOWN outer,
                                       HRESULT* result)
    : CBaseRenderer(clsid, name, outer, result) {}

HRESULT CBaseVideoRenderer::ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME start,
                                                REFERENCE_TIME stop, REFERENCE_TIME now) {
  if (stop > start && now > stop) return E_FAIL;
  return CBaseRenderer::ShouldDrawSampleNow(sample, start, stop, now);
}

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, LPCWSTR name)
    : CBaseInputPin(NAME("Renderer input pin"), renderer, &renderer->m_InterfaceLock, result, name),
      m_pRenderer(renderer) {}

STDMETHODIMP CRendererInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return m_pRenderer->Receive(sample);
}

STDMETHODIMP CRendererInputPin::EndOfStream() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsFlushing()) return S_OK;
  return m_pRenderer->EndOfStream();
}

STDMETHODIMP CRendererInputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  return m_pRenderer->BeginFlush();
}

STDMETHODIMP CRendererInputPin::EndFlush() {
  m_pRenderer->EndFlush();
  return CBaseInputPin::EndFlush();
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* type) {
  return m_pRenderer->CheckMediaType(type);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* type) {
  HRESULT hr = CBaseInputPin::SetMediaType(type);
  if (FAILED(hr)) return hr;
  return m_pRenderer->SetMediaType(type);
}

HRESULT CRendererInputPin::BreakConnect() {
  m_pRenderer->BreakConnect();
  return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::CompleteConnect(IPin* receive) {
  return m_pRenderer->CompleteConnect(receive);
}

HRESULT CRendererInputPin::Active() {
  return CBaseInputPin::Active();
}

HRESULT CRendererInputPin::Inactive() {
  return CBaseInputPin::Inactive();
}
