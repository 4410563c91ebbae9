// Movies made with the ffmpeg command-line tool for the engine's tests, and
// helpers that run them through the engine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/media/AudioDecoder.h"
#include "platform/dshow/media/MediaFile.h"
#include "platform/dshow/media/VideoDecoder.h"

namespace tavorin::test {

namespace media = tavorin::dshow::media;

// Every movie is 3 s of 64 x 48 video at 30 fps whose top half is red and
// bottom half blue, with green = 2 x the frame number, and where it has
// audio a 440 Hz sine.
constexpr int kMovieWidth = 64;
constexpr int kMovieHeight = 48;
constexpr int kMovieFrames = 90;
constexpr media::MediaTime kFrameTime = media::kUnitsPerSecond / 30;

struct Movie {
  std::string name;  // also the file's name
  std::string path;
  bool video = false;
  int sampleRate = 0;  // 0: no audio
  int channels = 0;    // as the engine delivers them
};

// The movies, made once per test program in a temporary directory.
const std::vector<Movie>& Movies();
const Movie& MovieNamed(const std::string& name);

std::shared_ptr<const std::vector<uint8_t>> MovieBytes(const Movie& movie);
std::unique_ptr<media::CMediaFile> OpenMovie(const std::vector<uint8_t>& bytes,
                                             std::string* error = nullptr);
std::unique_ptr<media::CMediaFile> OpenMovie(const Movie& movie);

struct DecodedFrame {
  media::MediaTime start = 0;
  media::MediaTime stop = 0;
  std::vector<uint8_t> pixels;  // bottom-up RGB32, as the decoder writes it
};

// Reads packets until the end, decoding the video (and, when given, the
// audio) stream. Stops after `maxFrames` video frames when that is > 0.
struct Decoded {
  std::vector<DecodedFrame> frames;
  std::vector<media::AudioChunk> chunks;
  int packets = 0;
  media::PacketStream last = media::PacketStream::End;
};
Decoded DecodeToEnd(media::CMediaFile& file, media::CVideoDecoder* video,
                    media::CAudioDecoder* audio, int maxFrames = 0);

// The frame number the green level of a decoded frame encodes.
int FrameNumberOf(const DecodedFrame& frame, int width);

}  // namespace tavorin::test
