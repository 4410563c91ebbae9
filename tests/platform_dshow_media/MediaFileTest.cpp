#include "platform/dshow/media/MediaFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

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

}  // namespace
}  // namespace tavorin::test
