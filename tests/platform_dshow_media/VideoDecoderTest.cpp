#include "platform/dshow/media/VideoDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform_dshow_media/Movies.h"
#include "support/TempDir.h"

namespace tavorin::test {
namespace {

using media::DecodeStatus;
using media::MediaTime;

// Bytes B, G, R, A of the pixel in the middle of a memory row.
const uint8_t* MiddleOfRow(const DecodedFrame& frame, int row) {
  return &frame.pixels[(static_cast<size_t>(row) * kMovieWidth + kMovieWidth / 2) * 4];
}

TEST(VideoDecoderTest, DecodesEveryFrameBottomUpInTimeOrder) {
  for (const Movie& movie : Movies()) {
    SCOPED_TRACE(movie.name);
    auto file = OpenMovie(movie);
    ASSERT_TRUE(file);
    auto video = file->CreateVideoDecoder(nullptr);
    ASSERT_TRUE(video);
    ASSERT_EQ(video->FrameBytes(), size_t{kMovieWidth} * kMovieHeight * 4);
    Decoded decoded = DecodeToEnd(*file, video.get(), nullptr);
    ASSERT_EQ(decoded.frames.size(), size_t{kMovieFrames});
    // AVI stores no presentation times: with B-frames the decoder's delay
    // shows as the whole movie starting one frame late. The Matroska muxer
    // starts the video 12 ms late to leave the Vorbis priming its place.
    MediaTime offset = decoded.frames[0].start;
    if (movie.name != "mpeg4-pcm.avi" && movie.name != "vp8-vorbis.mkv") {
      EXPECT_EQ(offset, 0);
    }
    EXPECT_LE(offset, kFrameTime + 1);
    for (int i = 0; i < kMovieFrames; ++i) {
      const DecodedFrame& frame = decoded.frames[i];
      // Matroska keeps milliseconds.
      ASSERT_NEAR(frame.start, offset + i * kFrameTime, 6000) << "frame " << i;
      ASSERT_NEAR(frame.stop - frame.start, kFrameTime, 6000) << "frame " << i;
      ASSERT_NEAR(FrameNumberOf(frame, kMovieWidth), i, 1) << "frame " << i;
    }
    // The first row in memory is the picture's bottom (blue), the last its
    // top (red); bytes are B, G, R, then an opaque 0xFF.
    const DecodedFrame& first = decoded.frames[0];
    const uint8_t* bottom = MiddleOfRow(first, 2);
    const uint8_t* top = MiddleOfRow(first, kMovieHeight - 3);
    // Tight enough that a wrong range (MJPEG's is full, the others' limited)
    // would show: it moves 200 and 20 by more than ten.
    EXPECT_NEAR(bottom[0], 200, 4);
    EXPECT_NEAR(bottom[2], 20, 4);
    EXPECT_NEAR(top[0], 20, 4);
    EXPECT_NEAR(top[2], 200, 4);
    for (size_t i = 3; i < first.pixels.size(); i += 4) ASSERT_EQ(first.pixels[i], 0xFF);

    // After the end, Receive keeps answering Ended.
    MediaTime start, stop;
    EXPECT_EQ(video->Receive(&start, &stop), DecodeStatus::Ended);
    EXPECT_FALSE(video->CopyFrame(const_cast<uint8_t*>(first.pixels.data()), first.pixels.size()));
  }
}

TEST(VideoDecoderTest, PacketsSentInABurstAreAllDecoded) {
  auto file = OpenMovie(MovieNamed("h264-aac.mp4"));
  ASSERT_TRUE(file);
  auto video = file->CreateVideoDecoder(nullptr);
  ASSERT_TRUE(video);
  media::CMediaPacket packet;
  media::PacketStream stream;
  int sent = 0;
  while ((stream = file->ReadPacket(packet)) != media::PacketStream::End) {
    ASSERT_NE(stream, media::PacketStream::Failed);
    // Audio packets are not the video decoder's.
    EXPECT_EQ(video->Send(packet), stream == media::PacketStream::Video);
    sent += stream == media::PacketStream::Video;
  }
  EXPECT_EQ(sent, kMovieFrames);
  video->SendEnd();
  EXPECT_FALSE(video->Send(packet));
  MediaTime start, stop, last = -1;
  int frames = 0;
  DecodeStatus status;
  std::vector<uint8_t> small(video->FrameBytes() - 1);
  while ((status = video->Receive(&start, &stop)) == DecodeStatus::Output) {
    EXPECT_GT(start, last);
    last = start;
    if (frames++ == 0) {
      EXPECT_FALSE(video->CopyFrame(small.data(), small.size()));
    }
  }
  EXPECT_EQ(status, DecodeStatus::Ended);
  EXPECT_EQ(frames, kMovieFrames);
}

TEST(VideoDecoderTest, SeekDeliversFirstTheFrameCoveringTheTarget) {
  const MediaTime targets[] = {2 * media::kUnitsPerSecond + kFrameTime / 2, 0,
                               media::kUnitsPerSecond, 3 * media::kUnitsPerSecond - 10,
                               15 * media::kUnitsPerSecond / 10 - 1};
  for (const Movie& movie : Movies()) {
    SCOPED_TRACE(movie.name);
    auto file = OpenMovie(movie);
    ASSERT_TRUE(file);
    auto video = file->CreateVideoDecoder(nullptr);
    ASSERT_TRUE(video);
    Decoded reference = DecodeToEnd(*file, video.get(), nullptr);
    ASSERT_EQ(reference.frames.size(), size_t{kMovieFrames});
    for (MediaTime target : targets) {
      SCOPED_TRACE(target);
      // The frame covering the target, or the first one when none does.
      size_t covering = 0;
      while (covering + 1 < reference.frames.size() &&
             reference.frames[covering + 1].start <= target)
        ++covering;
      // Part-way in, so the seek has frames and packets in flight to throw away.
      ASSERT_TRUE(file->Seek(kFrameTime * 20));
      video->Flush();
      DecodeToEnd(*file, video.get(), nullptr, 3);

      ASSERT_TRUE(file->Seek(target));
      video->Flush(target);
      Decoded decoded = DecodeToEnd(*file, video.get(), nullptr);
      ASSERT_EQ(decoded.frames.size(), reference.frames.size() - covering);
      const DecodedFrame& first = decoded.frames.front();
      EXPECT_EQ(first.start, reference.frames[covering].start);
      EXPECT_EQ(first.stop, reference.frames[covering].stop);
      EXPECT_NEAR(FrameNumberOf(first, kMovieWidth),
                  FrameNumberOf(reference.frames[covering], kMovieWidth), 1);
    }
  }
}

// Sizes whose rows are no multiple of the converter's vector width, and one
// that is: the frame lands exactly in the bytes given, every pixel of it
// right, nothing written around it.
TEST(VideoDecoderTest, CopyFrameWritesOnlyTheFrameBytes) {
  TempDir dir;
  for (const char* size : {"50x30", "34x18", "48x16"}) {
    SCOPED_TRACE(size);
    std::string path = dir.File(std::string(size) + ".avi");
    std::string picture = "color=c=black:s=" + std::string(size) +
                          ":r=10:d=0.3,format=rgb24,"
                          "geq=r='if(lt(Y,H/2),200,20)':g='0':b='if(lt(Y,H/2),20,200)'";
    std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i \"" + picture +
                          "\" -c:v mpeg4 -q:v 2 '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    media::ByteSource source;
    ASSERT_TRUE(media::FileByteSource(path, &source));
    auto file = media::CMediaFile::Open(source, nullptr);
    ASSERT_TRUE(file);
    auto video = file->CreateVideoDecoder(nullptr);
    ASSERT_TRUE(video);
    constexpr size_t kGuard = 256;
    std::vector<uint8_t> buffer(video->FrameBytes() + 2 * kGuard, 0xA5);
    media::CMediaPacket packet;
    MediaTime start, stop;
    int frames = 0;
    while (file->ReadPacket(packet) == media::PacketStream::Video) {
      video->Send(packet);
      while (video->Receive(&start, &stop) == DecodeStatus::Output) {
        ASSERT_TRUE(video->CopyFrame(buffer.data() + kGuard, video->FrameBytes()));
        ++frames;
      }
    }
    EXPECT_EQ(frames, 3);
    for (size_t i = 0; i < kGuard; ++i) {
      ASSERT_EQ(buffer[i], 0xA5) << "before the frame, byte " << i;
      ASSERT_EQ(buffer[buffer.size() - 1 - i], 0xA5) << "after the frame, byte " << i;
    }
    // No alpha byte keeps the fill, and the rows next to the bottom (first
    // in memory) and the top are right to their last pixel.
    const uint8_t* frame = buffer.data() + kGuard;
    for (size_t i = 3; i < video->FrameBytes(); i += 4)
      ASSERT_EQ(frame[i], 0xFF) << "pixel " << i / 4;
    const int width = video->Width();
    const uint8_t* bottomRow = frame + 4 * width;
    const uint8_t* topRow = frame + 4 * width * (video->Height() - 2);
    for (int x = 0; x < width; ++x) {
      ASSERT_NEAR(bottomRow[4 * x], 200, 8) << "bottom, x " << x;
      ASSERT_NEAR(bottomRow[4 * x + 2], 20, 8) << "bottom, x " << x;
      ASSERT_NEAR(topRow[4 * x], 20, 8) << "top, x " << x;
      ASSERT_NEAR(topRow[4 * x + 2], 200, 8) << "top, x " << x;
    }
  }
}

}  // namespace
}  // namespace tavorin::test
