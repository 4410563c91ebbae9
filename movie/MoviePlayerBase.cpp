#include "movie/MoviePlayerBase.h"

#include <ICustomSource.h>

#include <chrono>
#include <cmath>
#include <utility>

namespace tavorin::movie {
namespace {

// A graph that never reaches a state would otherwise hold the caller (and
// the worker waiting for the lock) for ever.
constexpr auto kStateTimeout = std::chrono::seconds(10);

template <class Interface>
void ReleaseField(Interface*& field) {
  if (Interface* held = std::exchange(field, nullptr)) held->Release();
}

}  // namespace

LONGLONG MillisecondsToUnits(int ms) {
  return static_cast<LONGLONG>(ms) * 10000;
}

int UnitsToMilliseconds(LONGLONG units) {
  return static_cast<int>(std::trunc(static_cast<double>(units) * 0.0001));
}

CMoviePlayerBase::CMoviePlayerBase() = default;

CMoviePlayerBase::~CMoviePlayerBase() {
  Stop();
  ReleaseGraph();
}

void CMoviePlayerBase::ReleaseGraph() {
  if (m_worker.joinable()) m_worker.join();
  ReleaseField(m_mediaControl);
  ReleaseField(m_mediaSeeking);
  ReleaseField(m_mediaEvent);
  ReleaseField(m_basicAudio);
  ReleaseField(m_source);
  ReleaseField(m_graphBuilder);
}

HRESULT CMoviePlayerBase::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IMoviePlayer) return E_NOINTERFACE;
  *object = static_cast<IMoviePlayer*>(this);
  AddRef();
  return S_OK;
}

ULONG CMoviePlayerBase::AddRef() {
  return ++m_refCount;
}

ULONG CMoviePlayerBase::Release() {
  ULONG left = --m_refCount;
  if (left == 0) delete this;
  return left;
}

HRESULT CMoviePlayerBase::WaitForState(OAFilterState wanted) {
  auto deadline = std::chrono::steady_clock::now() + kStateTimeout;
  for (int tries = 0;; ++tries) {
    OAFilterState state = -1;
    HRESULT hr = m_mediaControl->GetState(0, &state);
    if (hr != VFW_S_STATE_INTERMEDIATE && state == wanted) return hr;
    if (std::chrono::steady_clock::now() >= deadline) return VFW_E_TIMEOUT;
    // Yield first, as most changes complete at once; then stop spinning.
    if (tries < 100) {
      std::this_thread::yield();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

HRESULT CMoviePlayerBase::RewindToStart() {
  LONGLONG start = 0;
  return m_mediaSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                      AM_SEEKING_NoPositioning);
}

HRESULT CMoviePlayerBase::Play(int loopCount) {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_loopLimit = static_cast<unsigned>(loopCount);
  m_loopsDone = 0;
  HRESULT hr = m_mediaControl->Run();
  if (FAILED(hr)) return hr;
  // A graph that is late to run still gets its worker, which sees the end.
  if (WaitForState(State_Running) == VFW_E_TIMEOUT) hr = VFW_E_TIMEOUT;
  if (m_workerActive) return hr;
  try {
    StartWorker();
  } catch (...) {
    return E_FAIL;
  }
  return hr;
}

// Called with the player lock held and no worker in its loop.
void CMoviePlayerBase::StartWorker() {
  // A worker that has left its loop only unlocks and returns: joining it
  // here cannot wait on anything this thread holds.
  if (m_worker.joinable()) m_worker.join();
  m_runFlag = true;
  m_workerActive = true;
  try {
    m_worker = std::thread(&CMoviePlayerBase::RunWorker, this);
  } catch (...) {
    m_workerActive = false;
    m_runFlag = false;
    throw;
  }
}

void CMoviePlayerBase::RunWorker() {
  for (;;) {
    {
      std::lock_guard<std::recursive_mutex> hold(m_lock);
      if (!m_runFlag || !Update()) {
        m_workerActive = false;
        return;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

HRESULT CMoviePlayerBase::Pause() {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  HRESULT hr = m_mediaControl->Pause();
  if (SUCCEEDED(hr) && WaitForState(State_Paused) == VFW_E_TIMEOUT) return VFW_E_TIMEOUT;
  return hr;
}

HRESULT CMoviePlayerBase::Stop() {
  std::thread worker;
  bool wasPlaying = false;
  {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    wasPlaying = m_workerActive;
    if (wasPlaying) {
      m_mediaControl->Stop();
      m_runFlag = false;
    }
    // A worker that ended by itself is only released; the graph stays.
    worker = std::move(m_worker);
  }
  // Joined without the lock: the worker needs it to see the flag.
  if (worker.joinable()) worker.join();
  if (!wasPlaying) return S_OK;
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  WaitForState(State_Stopped);
  RewindToStart();
  m_mediaControl->StopWhenReady();
  WaitForState(State_Stopped);
  return S_OK;
}

HRESULT CMoviePlayerBase::StopWhenReady() {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  HRESULT hr = m_mediaControl->StopWhenReady();
  if (SUCCEEDED(hr) && WaitForState(State_Stopped) == VFW_E_TIMEOUT) return VFW_E_TIMEOUT;
  return hr;
}

HRESULT CMoviePlayerBase::SetPosition(int ms) {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  LONGLONG position = MillisecondsToUnits(ms);
  int state = 0;
  GetState(&state);
  m_mediaControl->Stop();
  WaitForState(State_Stopped);
  HRESULT hr = m_mediaSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning);
  if (state == State_Running) {
    m_mediaControl->Run();
    if (WaitForState(State_Running) == VFW_E_TIMEOUT) return VFW_E_TIMEOUT;
  }
  return hr;
}

HRESULT CMoviePlayerBase::SetVolume(long volume) {
  return m_basicAudio ? m_basicAudio->put_Volume(volume) : E_NOINTERFACE;
}

HRESULT CMoviePlayerBase::SetBalance(long balance) {
  return m_basicAudio ? m_basicAudio->put_Balance(balance) : E_NOINTERFACE;
}

HRESULT CMoviePlayerBase::SetRate(double rate) {
  return m_mediaSeeking->SetRate(rate);
}

HRESULT CMoviePlayerBase::GetState(int* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  OAFilterState graphState = 0;
  HRESULT hr = m_mediaControl->GetState(0, &graphState);
  *state = static_cast<int>(graphState);
  return hr;
}

HRESULT CMoviePlayerBase::GetVideoSize(int size[2]) {
  if (size == nullptr) return E_POINTER;
  IBasicVideo* video = nullptr;
  HRESULT hr = m_graphBuilder->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&video));
  if (FAILED(hr)) return hr;
  LONG width = 0;
  LONG height = 0;
  video->get_VideoWidth(&width);
  video->get_VideoHeight(&height);
  video->Release();
  size[0] = static_cast<int>(width);
  size[1] = static_cast<int>(height);
  return S_OK;
}

HRESULT CMoviePlayerBase::GetDuration(int* ms) {
  if (ms == nullptr) return E_POINTER;
  LONGLONG units = 0;
  HRESULT hr = m_mediaSeeking->GetDuration(&units);
  *ms = UnitsToMilliseconds(units);
  return hr;
}

HRESULT CMoviePlayerBase::GetPosition(int* ms) {
  if (ms == nullptr) return E_POINTER;
  LONGLONG units = 0;
  HRESULT hr = m_mediaSeeking->GetCurrentPosition(&units);
  *ms = UnitsToMilliseconds(units);
  return hr;
}

HRESULT CMoviePlayerBase::GetVolume(long* volume) {
  if (volume == nullptr) return E_POINTER;
  if (m_basicAudio == nullptr) return E_NOINTERFACE;
  LONG value = 0;
  HRESULT hr = m_basicAudio->get_Volume(&value);
  *volume = value;
  return hr;
}

HRESULT CMoviePlayerBase::GetBalance(long* balance) {
  if (balance == nullptr) return E_POINTER;
  if (m_basicAudio == nullptr) return E_NOINTERFACE;
  LONG value = 0;
  HRESULT hr = m_basicAudio->get_Balance(&value);
  *balance = value;
  return hr;
}

HRESULT CMoviePlayerBase::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  return m_mediaSeeking->GetRate(rate);
}

bool CMoviePlayerBase::Update() {
  return ProcessEvents() != 0;
}

int CMoviePlayerBase::ProcessEvents() {
  LONG code = 0;
  HRESULT hr = m_mediaEvent->WaitForCompletion(0, &code);
  if (FAILED(hr) || code != EC_COMPLETE) return 1;
  m_mediaControl->Stop();
  WaitForState(State_Stopped);
  ++m_loopsDone;
  if (m_loopLimit != 0 && m_loopsDone >= m_loopLimit) return 0;
  RewindToStart();
  m_mediaControl->Run();
  WaitForState(State_Running);
  return 1;
}

HRESULT CMoviePlayerBase::Initialize(const char* fileName, IReadAccesser* stream,
                                     const RendererContext& context) {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_graphBuilder));
  if (FAILED(hr)) return hr;
  IBaseFilter* renderer = nullptr;
  hr = CreateRenderer(&renderer, context);
  if (FAILED(hr)) return hr;
  hr = BuildGraph(fileName, stream, renderer, context);
  if (renderer != nullptr) renderer->Release();
  if (FAILED(hr)) return hr;
  m_graphBuilder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_mediaControl));
  m_graphBuilder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_mediaSeeking));
  m_graphBuilder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&m_mediaEvent));
  m_graphBuilder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_basicAudio));
  // Every operation drives the graph through these three.
  if (!m_mediaControl || !m_mediaSeeking || !m_mediaEvent) return E_NOINTERFACE;
  hr = OnGraphBuilt(context);
  if (FAILED(hr)) return hr;
  return CheckSeeking(context);
}

HRESULT CMoviePlayerBase::CreateRenderer(IBaseFilter** out, const RendererContext& /*context*/) {
  *out = nullptr;
  return S_OK;
}

HRESULT CMoviePlayerBase::BuildGraph(const char* fileName, IReadAccesser* stream,
                                     IBaseFilter* renderer, const RendererContext& /*context*/) {
  HRESULT hr = S_OK;
  if (stream != nullptr) {
    stream->AddRef();
  } else if (FAILED(hr = OpenReadAccesser(&stream, fileName))) {
    return hr;
  }
  hr = CreateCustomSource(&m_source, stream);
  stream->Release();
  if (FAILED(hr)) return hr;
  hr = m_graphBuilder->AddFilter(m_source, L"SourceFilter");
  if (FAILED(hr)) return hr;

  ICaptureGraphBuilder2* builder = nullptr;
  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr,
                        CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICaptureGraphBuilder2,
                        reinterpret_cast<void**>(&builder));
  if (FAILED(hr)) return hr;
  hr = builder->SetFiltergraph(m_graphBuilder);
  if (SUCCEEDED(hr)) hr = builder->RenderStream(nullptr, nullptr, m_source, nullptr, renderer);
  // A movie without sound plays all the same.
  if (SUCCEEDED(hr)) builder->RenderStream(nullptr, &MEDIATYPE_Audio, m_source, nullptr, nullptr);
  builder->Release();
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CMoviePlayerBase::OnGraphBuilt(const RendererContext& /*context*/) {
  return S_OK;
}

HRESULT CMoviePlayerBase::CheckSeeking(const RendererContext& /*context*/) {
  DWORD capabilities = 0;
  m_mediaSeeking->GetCapabilities(&capabilities);
  return (capabilities & AM_SEEKING_CanSeekAbsolute) ? S_OK : E_FAIL;
}

}  // namespace tavorin::movie
