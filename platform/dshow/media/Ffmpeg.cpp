// Time conversions and decoder opening shared by the engine's parts.
#include "platform/dshow/media/Ffmpeg.h"

#include <string>

namespace tavorin::dshow::media {

namespace {

constexpr AVRational kMediaTimeBase{1, static_cast<int>(kUnitsPerSecond)};

// FFmpeg reports damaged input at warning level on every frame; the library
// keeps no log, so its messages are silenced before any thread can use it.
struct QuietLog {
  QuietLog() { av_log_set_level(AV_LOG_QUIET); }
};
const QuietLog kQuietLog;

}  // namespace

MediaTime ToMediaTime(int64_t timestamp, AVRational timeBase, MediaTime origin) {
  if (timestamp == AV_NOPTS_VALUE || timeBase.num <= 0 || timeBase.den <= 0) return kNoTime;
  return av_rescale_q(timestamp, timeBase, kMediaTimeBase) - origin;
}

MediaTime DurationToMediaTime(int64_t duration, AVRational timeBase) {
  if (duration <= 0 || timeBase.num <= 0 || timeBase.den <= 0) return 0;
  return av_rescale_q(duration, timeBase, kMediaTimeBase);
}

CodecContextPtr OpenCodec(const StreamSetup& setup, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return CodecContextPtr();
  };
  const AVCodec* codec = avcodec_find_decoder(setup.parameters->codec_id);
  if (!codec) return fail("no decoder for the stream's codec");
  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) return fail("out of memory");
  if (avcodec_parameters_to_context(context.get(), setup.parameters.get()) < 0)
    return fail("the stream's codec parameters are invalid");
  context->pkt_timebase = setup.timeBase;
  // One thread a decoder: the filter already runs one thread per stream, and
  // frame threading would hold frames back and add threads per movie.
  context->thread_count = 1;
  context->max_pixels = kMaxPixels;
  if (avcodec_open2(context.get(), codec, nullptr) < 0)
    return fail(std::string("the ") + codec->name + " decoder cannot open the stream");
  return context;
}

}  // namespace tavorin::dshow::media
