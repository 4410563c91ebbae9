// Video packets decoded by libavcodec and converted by libswscale into
// bottom-up RGB32 frames.
#include "platform/dshow/media/VideoDecoder.h"

#include <cstring>
#include <vector>

#include "platform/dshow/media/CodecPump.h"
#include "platform/dshow/media/Ffmpeg.h"

namespace tavorin::dshow::media {

namespace {

constexpr size_t kStagingSlack = 256;

// A frame's length when neither the frame nor the stream says: 25 frames a second.
constexpr MediaTime kFallbackFrameDuration = kUnitsPerSecond / 25;

// The full-range "J" formats are deprecated in libswscale: it logs and takes
// a slower path on every frame. The same layout with full range set is what
// they mean.
AVPixelFormat WithoutFullRangeAlias(AVPixelFormat format, bool* fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      *fullRange = true;
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      *fullRange = true;
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      *fullRange = true;
      return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
      *fullRange = true;
      return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
      *fullRange = true;
      return AV_PIX_FMT_YUV411P;
    default:
      return format;
  }
}

int SwsColorspace(AVColorSpace space) {
  switch (space) {
    case AVCOL_SPC_BT709:
      return SWS_CS_ITU709;
    case AVCOL_SPC_SMPTE240M:
      return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return SWS_CS_BT2020;
    default:
      return SWS_CS_DEFAULT;
  }
}

// What a conversion context is made for; a new one only when this changes.
struct ScalerKey {
  AVPixelFormat format = AV_PIX_FMT_NONE;
  int width = 0;
  int height = 0;
  bool fullRange = false;
  int colorspace = SWS_CS_DEFAULT;

  bool operator==(const ScalerKey& other) const {
    return format == other.format && width == other.width && height == other.height &&
           fullRange == other.fullRange && colorspace == other.colorspace;
  }
};

// Whether libswscale may write a frame of this width straight into the
// caller's buffer with a negative stride. For other widths it can write past
// the rows it was given (its guard for the last line assumes a positive
// stride), so those frames go through a padded buffer of our own.
bool WritesStraight(int width) {
  return width % 16 == 0;
}

}  // namespace

struct CVideoDecoder::Codec {
  explicit Codec(CodecContextPtr context) : pump(std::move(context)), frame(av_frame_alloc()) {}
  ~Codec() { sws_freeContext(scaler); }

  SwsContext* Scaler(int outWidth, int outHeight);

  CCodecPump pump;
  FramePtr frame;
  bool holding = false;
  int streamIndex = -1;
  AVRational timeBase{1, 1};
  MediaTime origin = 0;
  MediaTime frameDuration = 0;
  MediaTime target = kNoTime;
  MediaTime nextStart = kNoTime;
  SwsContext* scaler = nullptr;
  ScalerKey scalerKey;
  std::vector<uint8_t> staging;
};

SwsContext* CVideoDecoder::Codec::Scaler(int outWidth, int outHeight) {
  ScalerKey key;
  key.fullRange = frame->color_range == AVCOL_RANGE_JPEG;
  key.format = WithoutFullRangeAlias(static_cast<AVPixelFormat>(frame->format), &key.fullRange);
  key.width = frame->width;
  key.height = frame->height;
  key.colorspace = SwsColorspace(frame->colorspace);
  if (scaler && key == scalerKey) return scaler;

  sws_freeContext(scaler);
  scaler = nullptr;
  if (key.width <= 0 || key.height <= 0 || !sws_isSupportedInput(key.format)) return nullptr;
  // libswscale's fast YUV converters leave the last pixels of a row unset
  // when the width is no multiple of 8; the accurate path writes them all.
  int flags = SWS_BILINEAR | (WritesStraight(outWidth) ? 0 : SWS_ACCURATE_RND);
  scaler = sws_getContext(key.width, key.height, key.format, outWidth, outHeight, AV_PIX_FMT_BGRA,
                          flags, nullptr, nullptr, nullptr);
  if (!scaler) return nullptr;
  // The defaults (limited-range BT.601) need no call, which would set up the
  // tables a second time. Fails harmlessly for RGB sources.
  if (key.fullRange || key.colorspace != SWS_CS_DEFAULT) {
    sws_setColorspaceDetails(scaler, sws_getCoefficients(key.colorspace), key.fullRange ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
  }
  scalerKey = key;
  return scaler;
}

std::unique_ptr<CVideoDecoder> CVideoDecoder::Create(const StreamSetup& setup, int width,
                                                     int height, MediaTime frameDuration,
                                                     std::string* error) {
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
    if (error) *error = "the video size is out of range";
    return nullptr;
  }
  CodecContextPtr context = OpenCodec(setup, error);
  if (!context) return nullptr;
  auto codec = std::make_unique<Codec>(std::move(context));
  if (!codec->frame) {
    if (error) *error = "out of memory";
    return nullptr;
  }
  codec->streamIndex = setup.streamIndex;
  codec->timeBase = setup.timeBase;
  codec->origin = setup.origin;
  codec->frameDuration = frameDuration;
  return std::unique_ptr<CVideoDecoder>(new CVideoDecoder(std::move(codec), width, height));
}

CVideoDecoder::CVideoDecoder(std::unique_ptr<Codec> codec, int width, int height)
    : m_codec(std::move(codec)), m_width(width), m_height(height) {}

CVideoDecoder::~CVideoDecoder() = default;

bool CVideoDecoder::Send(const CMediaPacket& packet) {
  const PacketPayload* payload = packet.Payload();
  if (packet.Stream() != PacketStream::Video || !payload ||
      payload->streamIndex != m_codec->streamIndex)
    return false;
  return m_codec->pump.Send(payload->packet.get());
}

void CVideoDecoder::SendEnd() {
  m_codec->pump.SendEnd();
}

DecodeStatus CVideoDecoder::Receive(MediaTime* start, MediaTime* stop) {
  Codec& codec = *m_codec;
  AVFrame* frame = codec.frame.get();
  av_frame_unref(frame);
  codec.holding = false;
  for (;;) {
    int result = codec.pump.Receive(frame);
    if (result == AVERROR_EOF) return DecodeStatus::Ended;
    if (result != 0) return DecodeStatus::NeedInput;

    MediaTime begin = ToMediaTime(frame->best_effort_timestamp, codec.timeBase, codec.origin);
    if (begin == kNoTime) begin = codec.nextStart != kNoTime ? codec.nextStart : 0;
    MediaTime length = DurationToMediaTime(frame->pkt_duration, codec.timeBase);
    if (length <= 0)
      length = codec.frameDuration > 0 ? codec.frameDuration : kFallbackFrameDuration;
    codec.nextStart = begin + length;
    if (codec.target != kNoTime && begin + length <= codec.target) {
      av_frame_unref(frame);
      continue;
    }
    codec.target = kNoTime;
    codec.holding = true;
    if (start) *start = begin;
    if (stop) *stop = begin + length;
    return DecodeStatus::Output;
  }
}

bool CVideoDecoder::CopyFrame(void* dest, size_t destSize) {
  Codec& codec = *m_codec;
  if (!codec.holding || !dest || destSize < FrameBytes()) return false;
  SwsContext* scaler = codec.Scaler(m_width, m_height);
  if (!scaler) return false;
  AVFrame* frame = codec.frame.get();
  const size_t rowBytes = static_cast<size_t>(m_width) * 4;
  auto* bottom = static_cast<uint8_t*>(dest);
  if (WritesStraight(m_width)) {
    // A negative stride from the last row writes the picture bottom-up.
    uint8_t* rows[4] = {bottom + (m_height - 1) * rowBytes, nullptr, nullptr, nullptr};
    int strides[4] = {-static_cast<int>(rowBytes), 0, 0, 0};
    return sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, rows, strides) ==
           m_height;
  }
  // Rows padded to 16 pixels and slack after the last one take whatever
  // libswscale writes beyond a row.
  const size_t stride = (static_cast<size_t>(m_width) + 15) / 16 * 16 * 4;
  codec.staging.resize(stride * m_height + kStagingSlack);
  uint8_t* rows[4] = {codec.staging.data(), nullptr, nullptr, nullptr};
  int strides[4] = {static_cast<int>(stride), 0, 0, 0};
  if (sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, rows, strides) != m_height)
    return false;
  for (int row = 0; row < m_height; ++row)
    std::memcpy(bottom + (m_height - 1 - row) * rowBytes, codec.staging.data() + row * stride,
                rowBytes);
  return true;
}

void CVideoDecoder::Flush(MediaTime target) {
  Codec& codec = *m_codec;
  codec.pump.Flush();
  av_frame_unref(codec.frame.get());
  codec.holding = false;
  codec.target = target;
  codec.nextStart = kNoTime;
}

}  // namespace tavorin::dshow::media
