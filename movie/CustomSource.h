// The source filter that serves an IReadAccesser through IAsyncReader.
#pragma once

#include <ICustomSource.h>
#include <streams.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

namespace tavorin::movie {

class CCSFilter;

// The output pin. Reads are done at once on the caller's thread; only
// their completions queue up for WaitForNext.
class CCSOutPin : public CBasePin, public IAsyncReader {
 public:
  CCSOutPin(CCSFilter* filter, CCritSec* lock, IReadAccesser* stream, HRESULT* result);
  ~CCSOutPin() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receive) override;
  HRESULT BreakConnect() override { return S_OK; }
  HRESULT Active() override { return S_OK; }

  STDMETHODIMP Connect(IPin* receive, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;

  STDMETHODIMP RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                IMemAllocator** actual) override;
  STDMETHODIMP Request(IMediaSample* sample, DWORD_PTR user) override;
  STDMETHODIMP WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override;
  STDMETHODIMP SyncReadAligned(IMediaSample* sample) override;
  STDMETHODIMP SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
  STDMETHODIMP Length(LONGLONG* total, LONGLONG* available) override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

 private:
  // Reads the bytes a sample's times name into its buffer.
  HRESULT ReadIntoSample(IMediaSample* sample);
  DWORD ReadAt(LONGLONG position, BYTE* buffer, LONG length);

  IReadAccesser* m_stream = nullptr;
  // A read is a seek and a read; parsers may read from more than one
  // thread (opening, streaming, seeking), so the pair is kept whole.
  std::mutex m_streamLock;
  std::atomic<bool> m_asyncReaderRequested{false};
  CAMEvent m_completion{TRUE};
  std::mutex m_queueLock;
  std::deque<std::pair<IMediaSample*, DWORD_PTR>> m_queue;
  std::atomic<bool> m_flushing{false};
};

class CCSFilter : public CBaseFilter {
 public:
  explicit CCSFilter(HRESULT* result);
  ~CCSFilter() override;

  HRESULT Init(IReadAccesser* stream);

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

 private:
  CCritSec m_lock;
  std::unique_ptr<CCSOutPin> m_pin;
};

}  // namespace tavorin::movie
