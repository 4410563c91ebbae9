// The platform's splitter and decoder filter: pulls a byte stream through
// IAsyncReader, demultiplexes it with the movie engine and delivers decoded
// RGB32 video and 16-bit PCM audio.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <streams.h>

#include "platform/dshow/PacketQueue.h"
#include "platform/dshow/media/AudioDecoder.h"
#include "platform/dshow/media/MediaFile.h"
#include "platform/dshow/media/VideoDecoder.h"

namespace tavorin::dshow {

// {B1DBA30B-C6A4-4660-ADBF-42FE2BA42014}
DEFINE_GUID(CLSID_MovieSplitter, 0xB1DBA30B, 0xC6A4, 0x4660, 0xAD, 0xBF, 0x42, 0xFE, 0x2B, 0xA4,
            0x20, 0x14);

class CSplitterFilter;

// Where the delivered stream times start: stream time 0 is media position
// `start`, and media time runs `rate` times as fast as stream time.
struct Segment {
  REFERENCE_TIME start = 0;
  // Only a stop position the caller set ends the streams early: a container
  // whose stated duration is shorter than its data still plays it all.
  REFERENCE_TIME stop = 0;
  bool stopSet = false;
  double rate = 1.0;
};

// Takes MEDIATYPE_Stream from an output pin that offers IAsyncReader.
class CSplitterInputPin : public CBasePin {
 public:
  CSplitterInputPin(CSplitterFilter* filter, CCritSec* lock, HRESULT* result);
  ~CSplitterInputPin() override;

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receive) override;
  HRESULT BreakConnect() override;

  // A pulling pin is told nothing by its upstream pin.
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }

 private:
  CSplitterFilter* m_splitter;
  IAsyncReader* m_reader = nullptr;
};

// One decoded stream, delivered on a thread of its own.
class CSplitterOutputPin : public CBaseOutputPin {
 public:
  CSplitterOutputPin(CSplitterFilter* filter, CCritSec* lock, HRESULT* result, LPCWSTR name,
                     const CMediaType& type, std::unique_ptr<media::CVideoDecoder> video,
                     std::unique_ptr<media::CAudioDecoder> audio);
  ~CSplitterOutputPin() override;

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  bool IsVideo() const { return m_video != nullptr; }
  // Whether the delivery thread has ended (or never started).
  bool Finished() const;
  // Hands a packet (or the end) to the delivery thread; false when this
  // output takes no more (not streaming, finished or closed).
  bool Queue(PacketQueue::Item item);
  // Starts the delivery thread for `segment`; the decoder skips what ends
  // before `segment.start`.
  void StartDelivery(const Segment& segment);
  // Ends the delivery thread; returns once it has gone.
  void StopDelivery();

 private:
  enum class Step { Continue, EndOfStream, Abort };

  void DeliveryLoop();
  // Sends a packet (or the end) to the decoder and delivers what comes out.
  Step DecodeAndDeliver(PacketQueue::Item& item);
  Step DeliverVideo();
  Step DeliverAudio();
  Step DeliverSample(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop);
  REFERENCE_TIME StreamTime(REFERENCE_TIME mediaTime) const;
  bool PastStop(REFERENCE_TIME start) const;

  CSplitterFilter* m_splitter;
  CMediaType m_offered;
  std::unique_ptr<media::CVideoDecoder> m_video;
  std::unique_ptr<media::CAudioDecoder> m_audio;
  media::AudioChunk m_chunk;
  PacketQueue m_queue;
  std::thread m_thread;
  std::atomic<bool> m_active{false};
  std::atomic<bool> m_stopping{false};
  std::atomic<bool> m_finished{false};
  Segment m_segment;
  bool m_discontinuity = true;
};

class CSplitterFilter : public CBaseFilter, public IMediaSeeking {
 public:
  static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);
  ~CSplitterFilter() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  // Starting and stopping also start and stop the streaming threads.
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;

  // IMediaSeeking: positions in 100 ns of the movie.
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

  // Called by the input pin: opens the movie over `reader` and makes an
  // output pin per stream that can be decoded.
  HRESULT OpenMovie(IAsyncReader* reader);
  // Called by the input pin when it disconnects: the outputs go.
  void CloseMovie();

 private:
  CSplitterFilter(LPUNKNOWN outer, HRESULT* result);

  void StartStreaming();
  void StopStreaming();
  void DemuxLoop();
  HRESULT SeekWhileActive();

  CCritSec m_lock;
  std::unique_ptr<CSplitterInputPin> m_input;
  std::vector<std::unique_ptr<CSplitterOutputPin>> m_outputs;
  // Outputs of an earlier connection: callers may still hold them.
  std::vector<std::unique_ptr<CSplitterOutputPin>> m_retired;
  std::unique_ptr<media::CMediaFile> m_file;
  std::thread m_demux;
  std::atomic<bool> m_stopDemux{false};
  Segment m_segment;
  LONGLONG m_duration = 0;
};

}  // namespace tavorin::dshow
