#include "platform/dshow/media/VideoDecoder.h"

#include <gtest/gtest.h>

#include "platform_dshow_media/Movies.h"

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
    EXPECT_NEAR(bottom[0], 200, 16);
    EXPECT_NEAR(bottom[2], 20, 16);
    EXPECT_NEAR(top[0], 20, 16);
    EXPECT_NEAR(top[2], 200, 16);
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

}  // namespace
}  // namespace tavorin::test
