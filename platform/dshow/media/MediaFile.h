// Movie files opened and demultiplexed by FFmpeg, for the splitter filter.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/dshow/media/ByteSource.h"
#include "platform/dshow/media/MediaPacket.h"
#include "platform/dshow/media/MediaTime.h"

namespace tavorin::dshow::media {

class CAudioDecoder;
class CVideoDecoder;
struct StreamSetup;

// The first video stream, as the decoder delivers it: RGB32 at this size.
struct VideoStreamInfo {
  bool present = false;
  int width = 0;
  int height = 0;
  // Time between frames, from the stream's frame rate; 0 when the file does
  // not say (a VIDEOINFOHEADER takes 0 as "unknown" too).
  MediaTime frameDuration = 0;
};

// The first audio stream, as the decoder delivers it: interleaved 16-bit
// signed PCM at the stream's own rate, mono or stereo (more channels are
// mixed down to two).
struct AudioStreamInfo {
  bool present = false;
  int sampleRate = 0;
  int channels = 0;
  int bitsPerSample = 16;
  int BlockAlign() const { return channels * bitsPerSample / 8; }
};

// Threads: Open, then any thread may read the stream info and create the
// decoders; from then on one thread at a time (the demux thread) calls
// ReadPacket and Seek. Abort and ClearAbort may be called from any thread.
// The decoders are independent objects and may outlive the file.
class CMediaFile {
 public:
  // Opens and probes `source`. Returns null with `*error` (when given) set to
  // a sentence saying why: not a movie FFmpeg knows, no video or audio
  // stream it can decode, or a read error. Probing reads at most a few
  // megabytes, so damaged or truncated files fail or open quickly.
  static std::unique_ptr<CMediaFile> Open(ByteSource source, std::string* error);
  ~CMediaFile();
  CMediaFile(const CMediaFile&) = delete;
  CMediaFile& operator=(const CMediaFile&) = delete;

  // `present` is false when the file has no such stream or none FFmpeg can
  // decode. At least one of the two is present in an opened file.
  const VideoStreamInfo& Video() const { return m_video; }
  const AudioStreamInfo& Audio() const { return m_audio; }
  // Length of the movie in 100 ns, or 0 when the container does not say.
  MediaTime Duration() const { return m_duration; }

  // Reads the next packet of the video or audio stream (other streams are
  // skipped) into `packet`, replacing what it held. Returns the packet's
  // stream, or End/Failed with `packet` emptied. Corrupt data is skipped
  // where the container allows it; otherwise it ends the file.
  PacketStream ReadPacket(CMediaPacket& packet);

  // Moves the read position to the last key frame at or before `target`
  // (100 ns from the movie's start), or to the start of the file when the
  // container cannot seek there. The caller flushes each decoder with the
  // same target, so decoding resumes with the frame covering it. False when
  // not even the start could be reached; reading then gives End.
  bool Seek(MediaTime target);

  // Makes a ReadPacket or Seek in progress give up soon (ReadPacket answers
  // Failed, Seek false), and every later one fail, until ClearAbort. Lets a
  // stopping filter free its demux thread from a slow source. Any thread.
  void Abort() { m_aborted = true; }
  void ClearAbort() { m_aborted = false; }

  // A decoder of the first video / audio stream, or null with `*error` set
  // when the stream is absent or its codec cannot be opened.
  std::unique_ptr<CVideoDecoder> CreateVideoDecoder(std::string* error) const;
  std::unique_ptr<CAudioDecoder> CreateAudioDecoder(std::string* error) const;

  struct Demuxer;

 private:
  explicit CMediaFile(std::unique_ptr<Demuxer> demuxer);
  bool OpenDemuxer(std::string* error);
  bool ChooseStreams(std::string* error);

  std::unique_ptr<Demuxer> m_demuxer;
  std::atomic<bool> m_aborted{false};
  VideoStreamInfo m_video;
  AudioStreamInfo m_audio;
  MediaTime m_duration = 0;
};

}  // namespace tavorin::dshow::media
