// Base classes: media samples, allocators, pins, filters and enumerators.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "combase.h"
#include "mtype.h"
#include "wxutil.h"

class CBaseAllocator;
class CBaseFilter;
class CBasePin;

// A sample of an allocator's pool. Its last Release hands it back to the
// allocator instead of deleting it.
class CMediaSample : public IMediaSample {
 public:
  CMediaSample(LPCTSTR name, CBaseAllocator* allocator, HRESULT* result, LPBYTE buffer = nullptr,
               LONG length = 0);
  virtual ~CMediaSample();
  CMediaSample(const CMediaSample&) = delete;
  CMediaSample& operator=(const CMediaSample&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  HRESULT SetPointer(BYTE* buffer, LONG length);

  STDMETHODIMP GetPointer(BYTE** buffer) override;
  STDMETHODIMP_(LONG) GetSize() override;
  STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP IsSyncPoint() override;
  STDMETHODIMP SetSyncPoint(BOOL syncPoint) override;
  STDMETHODIMP IsPreroll() override;
  STDMETHODIMP SetPreroll(BOOL preroll) override;
  STDMETHODIMP_(LONG) GetActualDataLength() override;
  STDMETHODIMP SetActualDataLength(LONG length) override;
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP IsDiscontinuity() override;
  STDMETHODIMP SetDiscontinuity(BOOL discontinuity) override;
  STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
  STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

 protected:
  friend class CBaseAllocator;
  // Back to a fresh sample: no times, flags or type, no data.
  void ResetProperties();

  enum Flags : DWORD {
    kSyncPoint = 0x1,
    kPreroll = 0x2,
    kDiscontinuity = 0x4,
    kTypeChanged = 0x8,
    kTimeValid = 0x10,
    kMediaTimeValid = 0x20,
  };

  DWORD m_dwFlags = 0;
  LPBYTE m_pBuffer;
  LONG m_lActual = 0;
  LONG m_cbBuffer;
  CBaseAllocator* m_pAllocator;
  REFERENCE_TIME m_Start = 0;
  REFERENCE_TIME m_End = 0;
  LONGLONG m_MediaStart = 0;
  LONGLONG m_MediaEnd = 0;
  AM_MEDIA_TYPE* m_pMediaType = nullptr;
  std::atomic<LONG> m_cRef{0};
};

// A pool of samples with the commit/decommit life cycle. Thread-safe.
class CBaseAllocator : public CUnknown, public IMemAllocator {
 public:
  CBaseAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result);
  ~CBaseAllocator() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* props) override;
  STDMETHODIMP Commit() override;
  STDMETHODIMP Decommit() override;
  STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                         DWORD flags) override;
  STDMETHODIMP ReleaseBuffer(IMediaSample* sample) override;

 protected:
  // Makes the samples for the current properties (called by Commit with the
  // lock held when the properties changed or nothing is allocated).
  virtual HRESULT Alloc();
  // Frees every sample (called with the lock held once all are back).
  virtual void Free() = 0;

  std::mutex m_lock;
  std::condition_variable m_sampleFree;
  std::vector<CMediaSample*> m_lFree;
  LONG m_lAllocated = 0;
  LONG m_lCount = 0;
  LONG m_lSize = 0;
  LONG m_lAlignment = 0;
  LONG m_lPrefix = 0;
  bool m_bChanged = false;
  bool m_bCommitted = false;
  bool m_bDecommitInProgress = false;
};

// An allocator of plain memory; CLSID_MemoryAllocator.
class CMemAllocator : public CBaseAllocator {
 public:
  CMemAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result);
  ~CMemAllocator() override;

  // Alignment must be a power of two; prefix bytes come before every buffer.
  STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;

  // For the class table: a new allocator with one reference.
  static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

 protected:
  HRESULT Alloc() override;
  void Free() override;
  void ReallyFree();

  std::vector<BYTE> m_memory;
  std::vector<CMediaSample*> m_samples;
};

// A filter: its state machine, clock, graph membership and pin enumeration.
class CBaseFilter : public CUnknown, public IBaseFilter {
 public:
  // `lock` is the filter's interface lock, held by every state change and
  // usually shared with its pins.
  CBaseFilter(LPCTSTR name, LPUNKNOWN outer, CCritSec* lock, REFCLSID clsid,
              HRESULT* result = nullptr);
  ~CBaseFilter() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  STDMETHODIMP GetClassID(CLSID* classId) override;
  // Stopping deactivates every connected pin (Inactive), pausing from
  // stopped activates them (Active), running calls Run on them.
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD milliseconds, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  virtual int GetPinCount() = 0;
  // The n-th pin without a reference, or null.
  virtual CBasePin* GetPin(int n) = 0;
  // Changes whenever the set of pins changes, so enumerators notice.
  virtual LONG GetPinVersion() { return m_PinVersion; }
  void IncrementPinVersion() { ++m_PinVersion; }

  // Reports an event to the graph (EC_COMPLETE's second parameter defaults
  // to this filter). E_NOTIMPL outside a graph.
  HRESULT NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);
  // The stream time now: clock time minus the run start. VFW_E_NO_CLOCK
  // without a clock.
  HRESULT StreamTime(REFERENCE_TIME* time);

  BOOL IsActive() const { return m_State != State_Stopped; }
  BOOL IsStopped() const { return m_State == State_Stopped; }
  FILTER_STATE State() const { return m_State; }
  IFilterGraph* GetFilterGraph() const { return m_pGraph; }
  CCritSec* FilterLock() const { return m_pLock; }

 protected:
  std::atomic<FILTER_STATE> m_State{State_Stopped};
  IReferenceClock* m_pClock = nullptr;
  std::atomic<REFERENCE_TIME> m_tStart{0};
  CLSID m_clsid;
  CCritSec* m_pLock;
  std::vector<WCHAR> m_pName;
  IFilterGraph* m_pGraph = nullptr;
  IMediaEventSink* m_pSink = nullptr;
  std::atomic<LONG> m_PinVersion{1};
};

// A pin: connection and media-type negotiation. Its reference count is its
// filter's.
class CBasePin : public CUnknown, public IPin {
 public:
  CBasePin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
           LPCWSTR pinName, PIN_DIRECTION direction);
  ~CBasePin() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
  STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

  STDMETHODIMP Connect(IPin* receive, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // S_OK when the pin takes `type`; anything else refuses it.
  virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
  // Records the agreed type.
  virtual HRESULT SetMediaType(const CMediaType* type);
  // The other pin's direction must differ from ours.
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* receive);
  // The pin's preferred types by position: S_OK, VFW_S_NO_MORE_ITEMS past
  // the end. The base offers none.
  virtual HRESULT GetMediaType(int position, CMediaType* type);
  virtual LONG GetMediaTypeVersion() { return m_TypeVersion; }
  // Called when the filter leaves / returns to the stopped state.
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT Run(REFERENCE_TIME /*start*/) { return S_OK; }

  BOOL IsConnected() const { return m_Connected != nullptr; }
  IPin* GetConnected() const { return m_Connected; }
  BOOL IsStopped() const { return m_pFilter->IsStopped(); }
  LPCWSTR Name() const { return m_pName.data(); }
  const CMediaType& CurrentMediaType() const { return m_mt; }
  REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
  REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
  double CurrentRate() const { return m_dRate; }
  void IncrementTypeVersion() { ++m_TypeVersion; }

 protected:
  HRESULT AgreeMediaType(IPin* receive, const CMediaType* type);
  HRESULT TryMediaTypes(IPin* receive, const CMediaType* filter, IEnumMediaTypes* types);
  HRESULT AttemptConnection(IPin* receive, const CMediaType* type);
  HRESULT DisconnectInternal();

  std::vector<WCHAR> m_pName;
  IPin* m_Connected = nullptr;
  PIN_DIRECTION m_dir;
  CCritSec* m_pLock;
  std::atomic<bool> m_bRunTimeError{false};
  bool m_bTryMyTypesFirst = false;
  CBaseFilter* m_pFilter;
  std::atomic<LONG> m_TypeVersion{1};
  CMediaType m_mt;
  REFERENCE_TIME m_tStart = 0;
  REFERENCE_TIME m_tStop = 0;
  double m_dRate = 1.0;
};

// An output pin that delivers samples from an allocator to an IMemInputPin.
class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                 LPCWSTR pinName);
  ~CBaseOutputPin() override;

  // Refuses input pins without IMemInputPin (VFW_E_NO_TRANSPORT).
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receive) override;
  HRESULT BreakConnect() override;
  // Commits / decommits the allocator.
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Chooses the allocator: the input pin's if it will take our sizes, else
  // our own memory allocator.
  virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
  // Sets the allocator's properties for the connected type.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT InitAllocator(IMemAllocator** allocator);
  // Blocks until a sample is free; VFW_E_NOT_COMMITTED once stopped.
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                    REFERENCE_TIME* stop, DWORD flags);
  virtual HRESULT Deliver(IMediaSample* sample);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // Output pins receive no stream notifications: E_UNEXPECTED.
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

 protected:
  IMemAllocator* m_pAllocator = nullptr;
  IMemInputPin* m_pInputPin = nullptr;
};

// An input pin that receives samples through IMemInputPin.
class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                LPCWSTR pinName);
  ~CBaseInputPin() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  // The base checks that the pin may stream (CheckStreaming).
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  HRESULT BreakConnect() override;
  HRESULT Inactive() override;
  // S_OK when a sample may be received now; S_FALSE while flushing;
  // VFW_E_WRONG_STATE while stopped; VFW_E_RUNTIME_ERROR after an error.
  virtual HRESULT CheckStreaming();

  BOOL IsReadOnly() const { return m_bReadOnly; }
  BOOL IsFlushing() const { return m_bFlushing; }

 protected:
  IMemAllocator* m_pAllocator = nullptr;
  BOOL m_bReadOnly = FALSE;
  std::atomic<bool> m_bFlushing{false};
};

// Enumerates a filter's pins as they were when the enumerator was made.
class CEnumPins : public IEnumPins {
 public:
  CEnumPins(CBaseFilter* filter, CEnumPins* toCopy);
  virtual ~CEnumPins();

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** copy) override;

 private:
  bool AreWeOutOfSync() const;

  CBaseFilter* m_pFilter;
  std::vector<IPin*> m_pins;
  size_t m_position = 0;
  LONG m_version;
  std::atomic<LONG> m_cRef{1};
};

// Enumerates a pin's preferred media types.
class CEnumMediaTypes : public IEnumMediaTypes {
 public:
  CEnumMediaTypes(CBasePin* pin, CEnumMediaTypes* toCopy);
  virtual ~CEnumMediaTypes();

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** copy) override;

 private:
  bool AreWeOutOfSync() const;

  CBasePin* m_pPin;
  std::vector<CMediaType> m_types;
  size_t m_position = 0;
  LONG m_version;
  std::atomic<LONG> m_cRef{1};
};
