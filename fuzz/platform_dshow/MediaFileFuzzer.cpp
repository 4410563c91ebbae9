// Feeds arbitrary bytes to the movie engine as a file in memory: open,
// demux, decode and convert a few frames and samples, seek, decode again.
#include <cstdint>
#include <vector>

#include "platform/dshow/media/AudioDecoder.h"
#include "platform/dshow/media/MediaFile.h"
#include "platform/dshow/media/VideoDecoder.h"

namespace media = tavorin::dshow::media;

namespace {

constexpr int kMaxPackets = 48;
// Frames larger than this are decoded but not converted, to keep each run short.
constexpr size_t kMaxFrameBytes = 4 * 1024 * 1024;

void DrainVideo(media::CVideoDecoder& video, std::vector<uint8_t>& buffer) {
  media::MediaTime start, stop;
  while (video.Receive(&start, &stop) == media::DecodeStatus::Output) {
    if (stop < start) __builtin_trap();
    if (video.FrameBytes() <= kMaxFrameBytes) {
      buffer.resize(video.FrameBytes());
      if (!video.CopyFrame(buffer.data(), buffer.size())) continue;
    }
  }
}

void DrainAudio(media::CAudioDecoder& audio, media::AudioChunk& chunk) {
  while (audio.Receive(chunk) == media::DecodeStatus::Output) {
    if (chunk.samples.size() != static_cast<size_t>(chunk.frames) * audio.Channels())
      __builtin_trap();
  }
}

void Play(media::CMediaFile& file, media::CVideoDecoder* video, media::CAudioDecoder* audio) {
  std::vector<uint8_t> buffer;
  media::AudioChunk chunk;
  media::CMediaPacket packet;
  for (int i = 0; i < kMaxPackets; ++i) {
    media::PacketStream stream = file.ReadPacket(packet);
    if (stream == media::PacketStream::Video && video) {
      video->Send(packet);
      DrainVideo(*video, buffer);
    } else if (stream == media::PacketStream::Audio && audio) {
      audio->Send(packet);
      DrainAudio(*audio, chunk);
    } else if (stream == media::PacketStream::End || stream == media::PacketStream::Failed) {
      break;
    }
  }
  if (video) {
    video->SendEnd();
    DrainVideo(*video, buffer);
  }
  if (audio) {
    audio->SendEnd();
    DrainAudio(*audio, chunk);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  auto file = media::CMediaFile::Open(media::MemoryByteSource(bytes), nullptr);
  if (!file) return 0;
  if (!file->Video().present && !file->Audio().present) __builtin_trap();
  auto video = file->CreateVideoDecoder(nullptr);
  auto audio = file->CreateAudioDecoder(nullptr);
  Play(*file, video.get(), audio.get());
  media::MediaTime middle = file->Duration() / 2;
  if (file->Seek(middle)) {
    if (video) video->Flush(middle);
    if (audio) audio->Flush(middle);
    Play(*file, video.get(), audio.get());
  }
  return 0;
}
