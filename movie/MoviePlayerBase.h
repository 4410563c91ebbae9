// The filter graph of one movie and the playback operations on it.
#pragma once

#include <IMoviePlayer.h>
#include <dshow.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace tavorin::movie {

// What a creator hands through Initialize to CreateRenderer.
struct RendererContext {
  IDirect3DDevice9* device = nullptr;
  IMovieTexture* texture = nullptr;
};

// Milliseconds to 100 ns units and back (truncating toward zero).
LONGLONG MillisecondsToUnits(int ms);
int UnitsToMilliseconds(LONGLONG units);

class CMoviePlayerBase : public IMoviePlayer {
 public:
  CMoviePlayerBase();
  ~CMoviePlayerBase() override;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT Play(int loopCount) override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT StopWhenReady() override;
  HRESULT SetPosition(int ms) override;
  HRESULT SetVolume(long volume) override;
  HRESULT SetBalance(long balance) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetState(int* state) override;
  HRESULT GetVideoSize(int size[2]) override;
  HRESULT GetDuration(int* ms) override;
  HRESULT GetPosition(int* ms) override;
  HRESULT GetVolume(long* volume) override;
  HRESULT GetBalance(long* balance) override;
  HRESULT GetRate(double* rate) override;

  // One tick of the worker; false ends it.
  virtual bool Update();
  // End-of-movie handling, with the player lock held: 0 ends the worker.
  virtual int ProcessEvents();
  virtual HRESULT Initialize(const char* fileName, IReadAccesser* stream,
                             const RendererContext& context);
  // The video renderer to connect to; null lets the graph pick its own.
  virtual HRESULT CreateRenderer(IBaseFilter** out, const RendererContext& context);
  virtual HRESULT BuildGraph(const char* fileName, IReadAccesser* stream, IBaseFilter* renderer,
                             const RendererContext& context);
  virtual HRESULT OnGraphBuilt(const RendererContext& context);
  virtual HRESULT CheckSeeking(const RendererContext& context);

 protected:
  // Releases the graph and its interfaces; derived destructors call it after
  // their own Stop so the worker is gone first.
  void ReleaseGraph();
  HRESULT WaitForState(OAFilterState wanted);
  HRESULT RewindToStart();
  void StartWorker();
  void RunWorker();

  std::atomic<ULONG> m_refCount{1};
  // The worker thread and whether it is still running its loop. The flag is
  // cleared by the worker under the player lock, so Play decides under the
  // same lock whether a new worker is needed.
  std::thread m_worker;
  std::atomic<bool> m_workerActive{false};
  std::atomic<bool> m_runFlag{false};
  std::recursive_mutex m_lock;
  IGraphBuilder* m_graphBuilder = nullptr;
  IBaseFilter* m_source = nullptr;
  IMediaControl* m_mediaControl = nullptr;
  IMediaSeeking* m_mediaSeeking = nullptr;
  IMediaEvent* m_mediaEvent = nullptr;
  IBasicAudio* m_basicAudio = nullptr;
  unsigned m_loopLimit = 0;
  unsigned m_loopsDone = 0;
};

}  // namespace tavorin::movie
