#include "platform/dshow/media/MediaFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "platform_dshow_media/Movies.h"
#include "support/TempDir.h"

namespace tavorin::test {
namespace {

using media::CMediaFile;
using media::CMediaPacket;
using media::PacketStream;

TEST(MediaFileTest, OpensEachMovieWithItsStreamsAndDuration) {
  for (const Movie& movie : Movies()) {
    SCOPED_TRACE(movie.name);
    auto file = OpenMovie(movie);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Video().present);
    EXPECT_EQ(file->Video().width, kMovieWidth);
    EXPECT_EQ(file->Video().height, kMovieHeight);
    EXPECT_NEAR(file->Video().frameDuration, kFrameTime, 10);
    EXPECT_EQ(file->Audio().present, movie.sampleRate != 0);
    EXPECT_EQ(file->Audio().sampleRate, movie.sampleRate);
    EXPECT_EQ(file->Audio().channels, movie.channels);
    EXPECT_EQ(file->Audio().BlockAlign(), movie.channels * 2);
    EXPECT_NEAR(file->Duration(), 3 * media::kUnitsPerSecond, media::kUnitsPerSecond / 10);

    std::string error;
    EXPECT_TRUE(file->CreateVideoDecoder(&error)) << error;
    EXPECT_EQ(file->CreateAudioDecoder(&error) != nullptr, movie.sampleRate != 0);
    if (movie.sampleRate == 0) {
      EXPECT_NE(error.find("no audio"), std::string::npos);
    }
  }
}

TEST(MediaFileTest, PacketsCarryTheirStreamAndTimesUntilTheEnd) {
  auto file = OpenMovie(MovieNamed("mjpeg-pcm.avi"));
  ASSERT_TRUE(file);
  CMediaPacket packet;
  int video = 0, audio = 0;
  media::MediaTime lastVideo = -1;
  PacketStream stream;
  while ((stream = file->ReadPacket(packet)) == PacketStream::Video ||
         stream == PacketStream::Audio) {
    EXPECT_EQ(packet.Stream(), stream);
    EXPECT_GT(packet.Size(), 0u);
    ASSERT_NE(packet.Start(), media::kNoTime);
    if (stream == PacketStream::Video) {
      // Every MJPEG frame is a key frame, in time order.
      EXPECT_TRUE(packet.IsKeyFrame());
      EXPECT_NEAR(packet.Start(), video * kFrameTime, 1000);
      EXPECT_GT(packet.Start(), lastVideo);
      lastVideo = packet.Start();
      ++video;
    } else {
      ++audio;
    }
  }
  EXPECT_EQ(stream, PacketStream::End);
  EXPECT_EQ(packet.Stream(), PacketStream::End);
  EXPECT_EQ(packet.Size(), 0u);
  EXPECT_EQ(video, kMovieFrames);
  EXPECT_GT(audio, 0);
  // The end stays the end.
  EXPECT_EQ(file->ReadPacket(packet), PacketStream::End);

  // A moved packet keeps its data and times.
  ASSERT_TRUE(file->Seek(0));
  ASSERT_EQ(file->ReadPacket(packet), PacketStream::Video);
  size_t size = packet.Size();
  CMediaPacket moved(std::move(packet));
  EXPECT_EQ(moved.Size(), size);
  EXPECT_EQ(moved.Start(), 0);
}

TEST(MediaFileTest, OpenSaysWhyBytesAreNotAMovie) {
  std::string error;
  EXPECT_FALSE(OpenMovie(std::vector<uint8_t>{}, &error));
  EXPECT_FALSE(error.empty());

  error.clear();
  EXPECT_FALSE(OpenMovie(PatternBytes(100000), &error));
  EXPECT_NE(error.find("not a movie"), std::string::npos) << error;

  error.clear();
  media::ByteSource none;
  EXPECT_FALSE(CMediaFile::Open(none, &error));
  EXPECT_FALSE(error.empty());

  // A source that fails to read is reported as such, not as a foreign format.
  auto bytes = MovieBytes(MovieNamed("mpeg4.avi"));
  media::ByteSource failing = media::MemoryByteSource(bytes);
  failing.readAt = [](int64_t, void*, int) { return -1; };
  error.clear();
  EXPECT_FALSE(CMediaFile::Open(failing, &error));
  EXPECT_NE(error.find("could not be read"), std::string::npos) << error;

  // A WAVE file opens with audio alone.
  TempDir dir;
  std::string wave = dir.File("tone.wav");
  ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                         "sine=frequency=440:sample_rate=8000:duration=1 '" +
                         wave + "'")
                            .c_str()),
            0);
  media::ByteSource source;
  ASSERT_TRUE(media::FileByteSource(wave, &source));
  auto file = CMediaFile::Open(source, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_FALSE(file->Video().present);
  EXPECT_EQ(file->Audio().sampleRate, 8000);
  EXPECT_FALSE(file->CreateVideoDecoder(&error));
  EXPECT_FALSE(media::FileByteSource(dir.File("missing.avi"), &source));
}

TEST(MediaFileTest, ReadErrorsAndAbortFailTheReadingUntilCleared) {
  auto bytes = MovieBytes(MovieNamed("mpeg4-pcm.avi"));
  CMediaFile* target = nullptr;
  std::atomic<bool> breakReads{false};
  std::atomic<bool> abortMidway{false};
  media::ByteSource source = media::MemoryByteSource(bytes);
  auto read = source.readAt;
  source.readAt = [&](int64_t offset, void* buffer, int size) {
    if (breakReads) return -1;
    if (abortMidway && offset > static_cast<int64_t>(bytes->size()) / 2) target->Abort();
    return read(offset, buffer, size);
  };
  auto file = CMediaFile::Open(source, nullptr);
  ASSERT_TRUE(file);
  target = file.get();
  CMediaPacket packet;

  // Aborted halfway (as another thread would): the reading fails, and stays
  // failed, seeking included.
  abortMidway = true;
  PacketStream stream;
  int packets = 0;
  while ((stream = file->ReadPacket(packet)) == PacketStream::Video ||
         stream == PacketStream::Audio)
    ++packets;
  EXPECT_EQ(stream, PacketStream::Failed);
  EXPECT_GT(packets, 0);
  EXPECT_EQ(file->ReadPacket(packet), PacketStream::Failed);
  EXPECT_FALSE(file->Seek(0));

  // Cleared, the file reads again from the start.
  abortMidway = false;
  file->ClearAbort();
  ASSERT_TRUE(file->Seek(0));
  EXPECT_EQ(file->ReadPacket(packet), PacketStream::Video);
  EXPECT_EQ(packet.Start(), 0);

  // A source that starts failing ends the reading as a failure, not an end.
  breakReads = true;
  while ((stream = file->ReadPacket(packet)) == PacketStream::Video ||
         stream == PacketStream::Audio) {
  }
  EXPECT_EQ(stream, PacketStream::Failed);
}

// Cuts and corruptions of every movie: each either fails to open with a
// reason or reads to an end, decoding what survives.
TEST(MediaFileTest, DamagedMoviesFailToOpenOrEndCleanly) {
  for (const Movie& movie : Movies()) {
    auto bytes = MovieBytes(movie);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
    for (int percent : {10, 50, 90}) {
      damaged.emplace_back(
          "cut to " + std::to_string(percent) + "%",
          std::vector<uint8_t>(bytes->begin(), bytes->begin() + bytes->size() * percent / 100));
    }
    for (size_t step : {size_t{7}, size_t{101}, size_t{997}}) {
      std::vector<uint8_t> flipped = *bytes;
      for (size_t i = step / 2; i < flipped.size(); i += step) flipped[i] ^= 0xFF;
      damaged.emplace_back("every " + std::to_string(step) + "th byte flipped", flipped);
    }
    for (const auto& [what, data] : damaged) {
      SCOPED_TRACE(movie.name + ", " + what);
      std::string error;
      auto file = OpenMovie(data, &error);
      if (!file) {
        EXPECT_FALSE(error.empty());
        continue;
      }
      auto video = file->CreateVideoDecoder(nullptr);
      auto audio = file->CreateAudioDecoder(nullptr);
      Decoded decoded = DecodeToEnd(*file, video.get(), audio.get());
      EXPECT_EQ(decoded.last, PacketStream::End);
      EXPECT_LE(decoded.frames.size(), size_t{kMovieFrames} + 1);
      // Damaged data seeks like whole data, or not at all, but never hangs.
      if (file->Seek(media::kUnitsPerSecond)) {
        if (video) video->Flush(media::kUnitsPerSecond);
        if (audio) audio->Flush(media::kUnitsPerSecond);
        DecodeToEnd(*file, video.get(), audio.get());
      }
    }
  }
  // Where the index is intact, a cut AVI still plays what it holds.
  auto bytes = MovieBytes(MovieNamed("mjpeg.avi"));
  auto file = OpenMovie(std::vector<uint8_t>(bytes->begin(), bytes->begin() + bytes->size() / 2));
  ASSERT_TRUE(file);
  auto video = file->CreateVideoDecoder(nullptr);
  Decoded decoded = DecodeToEnd(*file, video.get(), nullptr);
  EXPECT_GT(decoded.frames.size(), size_t{kMovieFrames} / 3);
  EXPECT_LT(decoded.frames.size(), size_t{kMovieFrames});
}

// Packets handed from one queue to a consumer thread.
class PacketQueue {
 public:
  void Push(CMediaPacket packet) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_packets.push_back(std::move(packet));
    m_ready.notify_one();
  }
  // An End packet closes the queue.
  CMediaPacket Pop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [this] { return !m_packets.empty(); });
    CMediaPacket packet = std::move(m_packets.front());
    m_packets.pop_front();
    return packet;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<CMediaPacket> m_packets;
};

// The splitter's arrangement: one demux thread, each decoder on its own
// thread. The result is the same as decoding on one thread.
TEST(MediaFileTest, DemuxAndDecodersWorkOnTheirOwnThreads) {
  const Movie& movie = MovieNamed("h264-aac.mp4");
  auto file = OpenMovie(movie);
  ASSERT_TRUE(file);
  auto video = file->CreateVideoDecoder(nullptr);
  auto audio = file->CreateAudioDecoder(nullptr);
  ASSERT_TRUE(video && audio);
  Decoded expected = DecodeToEnd(*file, video.get(), audio.get());
  ASSERT_TRUE(file->Seek(0));
  video->Flush(0);
  audio->Flush(0);

  PacketQueue videoQueue, audioQueue;
  std::vector<media::MediaTime> frameTimes;
  int64_t audioFrames = 0;
  std::thread videoThread([&] {
    std::vector<uint8_t> buffer(video->FrameBytes());
    media::MediaTime start, stop;
    for (;;) {
      CMediaPacket packet = videoQueue.Pop();
      if (packet.Stream() == PacketStream::End) {
        video->SendEnd();
      } else {
        video->Send(packet);
      }
      media::DecodeStatus status;
      while ((status = video->Receive(&start, &stop)) == media::DecodeStatus::Output) {
        if (video->CopyFrame(buffer.data(), buffer.size())) frameTimes.push_back(start);
      }
      if (status == media::DecodeStatus::Ended) return;
    }
  });
  std::thread audioThread([&] {
    media::AudioChunk chunk;
    for (;;) {
      CMediaPacket packet = audioQueue.Pop();
      if (packet.Stream() == PacketStream::End) {
        audio->SendEnd();
      } else {
        audio->Send(packet);
      }
      media::DecodeStatus status;
      while ((status = audio->Receive(chunk)) == media::DecodeStatus::Output)
        audioFrames += chunk.frames;
      if (status == media::DecodeStatus::Ended) return;
    }
  });
  std::thread demuxThread([&] {
    for (;;) {
      CMediaPacket packet;
      PacketStream stream = file->ReadPacket(packet);
      if (stream == PacketStream::Video) {
        videoQueue.Push(std::move(packet));
      } else if (stream == PacketStream::Audio) {
        audioQueue.Push(std::move(packet));
      } else {
        videoQueue.Push(CMediaPacket());
        audioQueue.Push(CMediaPacket());
        return;
      }
    }
  });
  demuxThread.join();
  videoThread.join();
  audioThread.join();

  ASSERT_EQ(frameTimes.size(), expected.frames.size());
  for (size_t i = 0; i < frameTimes.size(); ++i) EXPECT_EQ(frameTimes[i], expected.frames[i].start);
  int64_t expectedAudio = 0;
  for (const media::AudioChunk& chunk : expected.chunks) expectedAudio += chunk.frames;
  EXPECT_EQ(audioFrames, expectedAudio);
}

}  // namespace
}  // namespace tavorin::test
