// DirectShow's streaming interfaces: filters, pins, enumerators, allocators,
// samples, the asynchronous reader, the filter graph and seeking.
#pragma once

#include "amvideo.h"
#include "unknwn.h"

typedef LONGLONG REFERENCE_TIME;

struct IBaseFilter;
struct IEnumFilters;
struct IEnumMediaTypes;
struct IEnumPins;
struct IFilterGraph;
struct IMemAllocator;
struct IPin;
struct IReferenceClock;

DECLARE_INTERFACE_ID(IPersist, 0x0000010C, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x46);
DECLARE_INTERFACE_ID(IReferenceClock, 0x56A86897, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF,
                     0x0B, 0xA7, 0x70);
DECLARE_INTERFACE_ID(IMediaFilter, 0x56A86899, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IBaseFilter, 0x56A86895, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IPin, 0x56A86891, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
                     0x70);
DECLARE_INTERFACE_ID(IEnumPins, 0x56A86892, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IEnumFilters, 0x56A86893, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IEnumMediaTypes, 0x89C31040, 0x846B, 0x11CE, 0x97, 0xD3, 0x00, 0xAA, 0x00,
                     0x55, 0x59, 0x5A);
DECLARE_INTERFACE_ID(IFilterGraph, 0x56A8689F, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IGraphBuilder, 0x56A868A9, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(ICaptureGraphBuilder2, 0x93E5A4E0, 0x2D50, 0x11D2, 0xAB, 0xFA, 0x00, 0xA0,
                     0xC9, 0xC6, 0xE3, 0x8D);
DECLARE_INTERFACE_ID(IMediaSample, 0x56A8689A, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IMemAllocator, 0x56A8689C, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IMemInputPin, 0x56A8689D, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IAsyncReader, 0x56A868AA, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IMediaSeeking, 0x36B73880, 0xC2C8, 0x11CF, 0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C,
                     0xEF, 0x60);
DECLARE_INTERFACE_ID(IMediaEventSink, 0x56A868A2, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF,
                     0x0B, 0xA7, 0x70);

// A media type: what flows over a pin connection. pbFormat (cbFormat bytes)
// is allocated with CoTaskMemAlloc; pUnk is normally null.
typedef struct _AMMediaType {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;
} AM_MEDIA_TYPE;

typedef enum _PinDirection { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 } PIN_DIRECTION;
typedef enum _FilterState { State_Stopped = 0, State_Paused = 1, State_Running = 2 } FILTER_STATE;

#define MAX_PIN_NAME 128
#define MAX_FILTER_NAME 128

// Filled by QueryPinInfo: pFilter carries a reference the caller releases.
typedef struct _PinInfo {
  IBaseFilter* pFilter;
  PIN_DIRECTION dir;
  WCHAR achName[MAX_PIN_NAME];
} PIN_INFO;

// Filled by QueryFilterInfo: pGraph (may be null) carries a reference.
typedef struct _FilterInfo {
  WCHAR achName[MAX_FILTER_NAME];
  IFilterGraph* pGraph;
} FILTER_INFO;

typedef struct _AllocatorProperties {
  LONG cBuffers;
  LONG cbBuffer;
  LONG cbAlign;
  LONG cbPrefix;
} ALLOCATOR_PROPERTIES;

struct IPersist : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) = 0;
};

// A clock in 100 ns units that never runs backwards.
struct IReferenceClock : IUnknown {
  // The current time; S_OK. Any thread.
  virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) = 0;
};

// A filter's state machine. Any thread; calls are serialised by the filter.
struct IMediaFilter : IPersist {
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
  // Runs with stream time 0 at reference clock time `start`.
  virtual HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) = 0;
  // VFW_S_STATE_INTERMEDIATE while the filter cannot yet complete a change to
  // paused (a renderer without its first sample) after waiting up to
  // milliseconds.
  virtual HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) = 0;
  // *clock carries a reference, or is null when the filter has no clock.
  virtual HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) = 0;
};

struct IBaseFilter : IMediaFilter {
  virtual HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) = 0;
  // Called by the graph when the filter is added (graph non-null) or removed.
  // The filter keeps no reference to the graph.
  virtual HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
  // *info is allocated with CoTaskMemAlloc; E_NOTIMPL when there is none.
  virtual HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) = 0;
};

struct IPin : IUnknown {
  // Output pins only: connects to `receive`, with `type` (may be partial or
  // null) restricting the types tried.
  virtual HRESULT STDMETHODCALLTYPE Connect(IPin* receive, const AM_MEDIA_TYPE* type) = 0;
  // Input pins only: accepts a connection from `connector` with `type`.
  virtual HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                                      const AM_MEDIA_TYPE* type) = 0;
  // Breaks this side of a connection; S_FALSE when none. Only while stopped.
  virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) = 0;
  // Copies the connection's type (free it with FreeMediaType).
  virtual HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) = 0;
  // *id is allocated with CoTaskMemAlloc.
  virtual HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) = 0;
  // S_OK when the pin would accept `type`, S_FALSE otherwise.
  virtual HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) = 0;
  // Streaming notifications, called on input pins by the upstream filter.
  virtual HRESULT STDMETHODCALLTYPE EndOfStream() = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginFlush() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndFlush() = 0;
  virtual HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                               double rate) = 0;
};

// Enumerators hand out references (or, for media types, CoTaskMemAlloc'd
// types the caller frees with DeleteMediaType). Next answers S_FALSE when
// fewer than asked remain, VFW_E_ENUM_OUT_OF_SYNC when the set changed.
struct IEnumPins : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumPins** copy) = 0;
};

struct IEnumMediaTypes : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** copy) = 0;
};

struct IEnumFilters : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumFilters** copy) = 0;
};

// The filters of a graph and their connections. Calls that change the graph
// are refused with VFW_E_NOT_STOPPED while it is not stopped.
struct IFilterGraph : IUnknown {
  // Adds `filter` under `name` (null: a made-up name). A name already in use
  // gets " 0001"... appended and the call answers VFW_S_DUPLICATE_NAME. The
  // graph holds a reference while the filter is in it.
  virtual HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
  // Disconnects every pin of `filter` and removes it.
  virtual HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** filters) = 0;
  // VFW_E_NOT_FOUND when no filter has that name; *filter carries a reference.
  virtual HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
  // Connects two pins of filters in this graph with no filter between them.
  virtual HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* out, IPin* in,
                                                  const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) = 0;
  virtual HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) = 0;
  // Uses the default clock: the audio renderer's, else the system clock.
  virtual HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() = 0;
};

struct IGraphBuilder : IFilterGraph {
  // Connects `out` to `in`, directly or through the platform's filters,
  // which are added to the graph as needed. VFW_E_CANNOT_CONNECT when no
  // chain exists (nothing is left behind).
  virtual HRESULT STDMETHODCALLTYPE Connect(IPin* out, IPin* in) = 0;
  // Connects `out` through the platform's filters to a renderer.
  virtual HRESULT STDMETHODCALLTYPE Render(IPin* out) = 0;
};

struct ICaptureGraphBuilder2 : IUnknown {
  // The graph to build in; the builder keeps a reference.
  virtual HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFiltergraph(IGraphBuilder** graph) = 0;
  // Connects an unconnected output pin of `source`, or of a filter
  // downstream of it, whose major type is *type (any when null) through
  // `intermediate` (may be null) to `sink`; with a null sink, to a new
  // default renderer for that type. `category` must be null.
  virtual HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type,
                                                 IUnknown* source, IBaseFilter* intermediate,
                                                 IBaseFilter* sink) = 0;
};

// A buffer of media data. Times are in 100 ns of stream time.
struct IMediaSample : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) = 0;
  virtual LONG STDMETHODCALLTYPE GetSize() = 0;
  // VFW_E_SAMPLE_TIME_NOT_SET without times; VFW_S_NO_STOP_TIME not used:
  // a sample with a start time always has a stop time here.
  virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  // Null start clears the times.
  virtual HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsSyncPoint() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL syncPoint) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsPreroll() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPreroll(BOOL preroll) = 0;
  virtual LONG STDMETHODCALLTYPE GetActualDataLength() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) = 0;
  // S_FALSE and null when the type has not changed.
  virtual HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsDiscontinuity() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) = 0;
};

#define AM_GBF_PREVFRAMESKIPPED 1
#define AM_GBF_NOWAIT 4

// A pool of samples. GetBuffer blocks until a sample is free (AM_GBF_NOWAIT:
// VFW_E_TIMEOUT instead), or fails with VFW_E_NOT_COMMITTED once the
// allocator is decommitted.
struct IMemAllocator : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                                  ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
  virtual HRESULT STDMETHODCALLTYPE Decommit() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                              REFERENCE_TIME* stop, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IMemInputPin : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
  // Delivers one sample; may block (a renderer waits for its time).
  virtual HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, LONG count,
                                                    LONG* processed) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReceiveCanBlock() = 0;
};

// The pull interface of a source pin. Sample times give byte positions
// scaled by 10 000 000.
struct IAsyncReader : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred,
                                                     ALLOCATOR_PROPERTIES* props,
                                                     IMemAllocator** actual) = 0;
  virtual HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) = 0;
  virtual HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample,
                                                DWORD_PTR* user) = 0;
  virtual HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) = 0;
  // Reads `length` bytes at `position`; S_FALSE when fewer were available.
  virtual HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginFlush() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndFlush() = 0;
};

enum AM_SEEKING_SeekingCapabilities {
  AM_SEEKING_CanSeekAbsolute = 0x1,
  AM_SEEKING_CanSeekForwards = 0x2,
  AM_SEEKING_CanSeekBackwards = 0x4,
  AM_SEEKING_CanGetCurrentPos = 0x8,
  AM_SEEKING_CanGetStopPos = 0x10,
  AM_SEEKING_CanGetDuration = 0x20,
  AM_SEEKING_CanPlayBackwards = 0x40,
  AM_SEEKING_CanDoSegments = 0x80,
  AM_SEEKING_Source = 0x100
};

enum AM_SEEKING_SeekingFlags {
  AM_SEEKING_NoPositioning = 0x0,
  AM_SEEKING_AbsolutePositioning = 0x1,
  AM_SEEKING_RelativePositioning = 0x2,
  AM_SEEKING_IncrementalPositioning = 0x3,
  AM_SEEKING_PositioningBitsMask = 0x3,
  AM_SEEKING_SeekToKeyFrame = 0x4,
  AM_SEEKING_ReturnTime = 0x8,
  AM_SEEKING_Segment = 0x10,
  AM_SEEKING_NoFlush = 0x20
};

// Positions in the time format in use; only TIME_FORMAT_MEDIA_TIME (100 ns)
// is offered.
struct IMediaSeeking : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) = 0;
  // S_OK when all of *capabilities are offered, S_FALSE when some (and
  // *capabilities keeps those), E_FAIL when none.
  virtual HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                                      LONGLONG source,
                                                      const GUID* sourceFormat) = 0;
  // Either pointer may be null with AM_SEEKING_NoPositioning for it.
  virtual HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags,
                                                 LONGLONG* stop, DWORD stopFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
  // Positive rates only; E_INVALIDARG otherwise.
  virtual HRESULT STDMETHODCALLTYPE SetRate(double rate) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRate(double* rate) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) = 0;
};

// How filters report events to their graph.
struct IMediaEventSink : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};
