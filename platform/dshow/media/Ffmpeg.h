// FFmpeg's declarations and the engine's shared pieces over them. Private to
// this folder: the engine's public headers never carry an FFmpeg type.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/dshow/media/MediaPacket.h"
#include "platform/dshow/media/MediaTime.h"

namespace tavorin::dshow::media {

struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct CodecParametersDeleter {
  void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersDeleter>;

struct PacketPayload {
  PacketPayload() : packet(av_packet_alloc()) {}
  PacketPtr packet;
  int streamIndex = -1;
};

// What a decoder needs of its stream, copied so it does not depend on the
// file once made.
struct StreamSetup {
  CodecParametersPtr parameters;
  int streamIndex = -1;
  AVRational timeBase{1, 1};
  // The movie's first time stamp in 100 ns: every time the engine gives out
  // counts from it, so a file whose clock starts late still starts at 0.
  MediaTime origin = 0;
};

// Stream time stamps to the engine's time, and back.
MediaTime ToMediaTime(int64_t timestamp, AVRational timeBase, MediaTime origin);
MediaTime DurationToMediaTime(int64_t duration, AVRational timeBase);

// Larger pictures are refused: a damaged header must not make the decoder
// or the filter's allocator reserve gigabytes.
constexpr int kMaxDimension = 8192;
constexpr int64_t kMaxPixels = int64_t{8192} * 4608;

// Receive tolerates this many decode errors in a row before asking for input.
constexpr int kMaxErrorsInRow = 64;

// Opens a decoder for `setup` with the engine's settings. Null with `*error`
// set on failure.
CodecContextPtr OpenCodec(const StreamSetup& setup, std::string* error);

}  // namespace tavorin::dshow::media
