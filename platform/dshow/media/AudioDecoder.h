// Audio packets decoded by FFmpeg into interleaved 16-bit PCM.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/media/DecodeStatus.h"
#include "platform/dshow/media/MediaPacket.h"
#include "platform/dshow/media/MediaTime.h"

namespace tavorin::dshow::media {

struct StreamSetup;

// A run of decoded samples.
struct AudioChunk {
  // Interleaved signed 16-bit samples, frames * channels of them.
  std::vector<int16_t> samples;
  int frames = 0;
  // From the movie's start in 100 ns; stop = start + frames at the rate.
  MediaTime start = 0;
  MediaTime stop = 0;
};

// Made by CMediaFile::CreateAudioDecoder. One thread at a time (the audio
// delivery thread) uses it; it shares nothing with the file or other decoders.
// Use as CVideoDecoder: Send, Receive until NeedInput; SendEnd, Receive until
// Ended.
class CAudioDecoder {
 public:
  ~CAudioDecoder();
  CAudioDecoder(const CAudioDecoder&) = delete;
  CAudioDecoder& operator=(const CAudioDecoder&) = delete;

  // The output format, fixed for the decoder's life: a stream that changes
  // rate or channels later is converted to it.
  int SampleRate() const { return m_sampleRate; }
  int Channels() const { return m_channels; }
  int BlockAlign() const { return m_channels * 2; }

  // Hands over one audio packet. False when the decoder rejected it;
  // decoding goes on with the next one.
  bool Send(const CMediaPacket& packet);
  void SendEnd();
  // Output with `chunk` refilled (its buffer is reused), NeedInput, or Ended
  // after SendEnd. Chunks ending at or before the target of the last Flush
  // are skipped.
  DecodeStatus Receive(AudioChunk& chunk);
  // Drops everything in flight (after a seek); see CVideoDecoder::Flush.
  void Flush(MediaTime target = kNoTime);

  struct Codec;
  static std::unique_ptr<CAudioDecoder> Create(const StreamSetup& setup, int sampleRate,
                                               int channels, std::string* error);

 private:
  CAudioDecoder(std::unique_ptr<Codec> codec, int sampleRate, int channels);

  std::unique_ptr<Codec> m_codec;
  int m_sampleRate;
  int m_channels;
};

}  // namespace tavorin::dshow::media
