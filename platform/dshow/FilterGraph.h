// The filter graph manager (CLSID_FilterGraph).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <streams.h>

#include "comobject.h"

namespace tavorin::dshow {

// One object behind every face of the graph. Graph building, control and
// seeking are serialised by the graph lock; events have a lock of their own,
// so that streaming threads can report while a caller holds the graph lock
// waiting for them.
class CFilterGraph : public ComObject<IGraphBuilder, IMediaControl, IMediaSeeking, IMediaEventEx,
                                      IMediaEventSink, IMediaFilter, IBasicAudio, IBasicVideo> {
 public:
  HRESULT Init();

  // IFilterGraph / IGraphBuilder
  STDMETHODIMP AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  STDMETHODIMP RemoveFilter(IBaseFilter* filter) override;
  STDMETHODIMP EnumFilters(IEnumFilters** filters) override;
  STDMETHODIMP FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  STDMETHODIMP ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Reconnect(IPin* pin) override;
  STDMETHODIMP Disconnect(IPin* pin) override;
  STDMETHODIMP SetDefaultSyncSource() override;
  STDMETHODIMP Connect(IPin* out, IPin* in) override;
  STDMETHODIMP Render(IPin* out) override;

  // IMediaControl and IMediaFilter
  STDMETHODIMP Run() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP GetState(LONG milliseconds, OAFilterState* state) override;
  STDMETHODIMP GetState(DWORD milliseconds, FILTER_STATE* state) override;
  STDMETHODIMP StopWhenReady() override;
  STDMETHODIMP GetClassID(CLSID* classId) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;

  // IMediaSeeking
  STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                            DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

  // IMediaEvent / IMediaEventEx / IMediaEventSink
  STDMETHODIMP GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                        LONG milliseconds) override;
  STDMETHODIMP WaitForCompletion(LONG milliseconds, LONG* eventCode) override;
  STDMETHODIMP FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
  STDMETHODIMP SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
  STDMETHODIMP SetNotifyFlags(LONG flags) override;
  STDMETHODIMP GetNotifyFlags(LONG* flags) override;
  STDMETHODIMP Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

  // IBasicAudio
  STDMETHODIMP put_Volume(LONG volume) override;
  STDMETHODIMP get_Volume(LONG* volume) override;
  STDMETHODIMP put_Balance(LONG balance) override;
  STDMETHODIMP get_Balance(LONG* balance) override;

  // IBasicVideo
  STDMETHODIMP get_AvgTimePerFrame(REFTIME* seconds) override;
  STDMETHODIMP get_VideoWidth(LONG* width) override;
  STDMETHODIMP get_VideoHeight(LONG* height) override;
  STDMETHODIMP GetVideoSize(LONG* width, LONG* height) override;

 protected:
  ~CFilterGraph() override;
  void* QueryOtherInterface(REFIID iid) override;

 private:
  struct Entry {
    ComPtr<IBaseFilter> filter;
    std::wstring name;
  };

  IFilterGraph* Self() { return static_cast<IGraphBuilder*>(this); }
  bool Contains(IBaseFilter* filter) const;
  bool PinInGraph(IPin* pin) const;
  std::wstring UniqueName(LPCWSTR name, bool* renamed) const;

  // Building (GraphConnect.cpp).
  HRESULT ConnectThrough(IPin* out, IPin* in, int depth);
  HRESULT RenderThrough(IPin* out, int depth);
  HRESULT AddPlatformFilter(REFCLSID clsid, ComPtr<IBaseFilter>* filter);

  // Control (GraphControl.cpp).
  std::vector<IBaseFilter*> DownstreamFirst() const;
  std::vector<IBaseFilter*> Renderers() const;
  HRESULT PauseFromStopped();
  HRESULT PauseFilters();
  HRESULT RunFilters(REFERENCE_TIME start);
  HRESULT StopFilters();
  // Waits up to `milliseconds` until no filter reports an unfinished change.
  HRESULT WaitForFilters(DWORD milliseconds);
  void ChooseClock();
  REFERENCE_TIME ClockNow() const;
  REFERENCE_TIME StreamTimeNow() const;
  HRESULT RunFromPaused();

  // Seeking (GraphSeeking.cpp).
  ComPtr<IMediaSeeking> SeekingFilter() const;
  LONGLONG PositionNow() const;
  HRESULT Reposition(LONGLONG position, LONGLONG* stop, DWORD stopFlags);

  // Events (GraphEvents.cpp).
  void ResetCompletion(size_t renderers);
  void QueueEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);

  // Audio and video (GraphAudioVideo.cpp).
  template <class Interface>
  ComPtr<Interface> FindFilterInterface() const;
  HRESULT VideoFormat(VIDEOINFOHEADER* format) const;

  mutable std::recursive_mutex m_graphLock;
  std::vector<Entry> m_filters;
  std::atomic<FILTER_STATE> m_state{State_Stopped};

  ComPtr<IReferenceClock> m_clock;
  ComPtr<IReferenceClock> m_systemClock;
  bool m_clockChosenByUser = false;

  // Stream time 0 of the current run is clock time m_runStart; it stands
  // for media position m_segmentStart. While not running, the stream time
  // reached is m_pausedStreamTime.
  REFERENCE_TIME m_runStart = 0;
  REFERENCE_TIME m_pausedStreamTime = 0;
  LONGLONG m_segmentStart = 0;
  double m_rate = 1.0;

  mutable std::mutex m_eventLock;
  std::condition_variable m_eventChanged;
  struct Event {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
  };
  std::deque<Event> m_events;
  std::set<LONG_PTR> m_completedRenderers;
  size_t m_renderersExpected = 0;
  bool m_complete = false;
  LONG m_abortCode = 0;
  LONG m_notifyFlags = 0;
  OAHWND m_notifyWindow = 0;
  LONG m_notifyMessage = 0;
  LONG_PTR m_notifyData = 0;
};

}  // namespace tavorin::dshow
