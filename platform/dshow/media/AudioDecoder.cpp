// Audio packets decoded by libavcodec and converted by libswresample into
// interleaved 16-bit PCM.
#include "platform/dshow/media/AudioDecoder.h"

#include "platform/dshow/media/CodecPump.h"
#include "platform/dshow/media/Ffmpeg.h"

namespace tavorin::dshow::media {

namespace {

struct ResamplerDeleter {
  void operator()(SwrContext* context) const { swr_free(&context); }
};

// What a resampler is made for; a new one only when this changes.
struct ResamplerKey {
  AVSampleFormat format = AV_SAMPLE_FMT_NONE;
  int rate = 0;
  AVChannelLayout layout{};

  bool Matches(const AVFrame* frame) const {
    return format == frame->format && rate == frame->sample_rate &&
           av_channel_layout_compare(&layout, &frame->ch_layout) == 0;
  }
};

}  // namespace

struct CAudioDecoder::Codec {
  explicit Codec(CodecContextPtr context) : pump(std::move(context)), frame(av_frame_alloc()) {}
  ~Codec() { av_channel_layout_uninit(&resamplerKey.layout); }

  SwrContext* Resampler(int outRate, int outChannels);
  // Converts what the resampler holds or `frame` brings into `chunk`.
  int Convert(const AVFrame* input, int outChannels, AudioChunk& chunk);

  CCodecPump pump;
  FramePtr frame;
  int streamIndex = -1;
  AVRational timeBase{1, 1};
  MediaTime origin = 0;
  MediaTime target = kNoTime;
  MediaTime nextStart = kNoTime;
  bool drained = false;
  std::unique_ptr<SwrContext, ResamplerDeleter> resampler;
  ResamplerKey resamplerKey;
};

SwrContext* CAudioDecoder::Codec::Resampler(int outRate, int outChannels) {
  if (resampler && resamplerKey.Matches(frame.get())) return resampler.get();
  resampler.reset();
  av_channel_layout_uninit(&resamplerKey.layout);
  AVChannelLayout in{};
  // Streams that only give a channel count get the usual layout for it.
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&in, frame->ch_layout.nb_channels);
  else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
    return nullptr;
  AVChannelLayout out{};
  av_channel_layout_default(&out, outChannels);
  SwrContext* context = nullptr;
  int result = swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_S16, outRate, &in,
                                   static_cast<AVSampleFormat>(frame->format), frame->sample_rate,
                                   0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  resampler.reset(context);
  if (result < 0 || swr_init(context) < 0) {
    resampler.reset();
    return nullptr;
  }
  resamplerKey.format = static_cast<AVSampleFormat>(frame->format);
  resamplerKey.rate = frame->sample_rate;
  av_channel_layout_copy(&resamplerKey.layout, &frame->ch_layout);
  return context;
}

int CAudioDecoder::Codec::Convert(const AVFrame* input, int outChannels, AudioChunk& chunk) {
  SwrContext* context = resampler.get();
  int inFrames = input ? input->nb_samples : 0;
  int room = swr_get_out_samples(context, inFrames);
  if (room <= 0) return 0;
  chunk.samples.resize(static_cast<size_t>(room) * outChannels);
  auto* out = reinterpret_cast<uint8_t*>(chunk.samples.data());
  int frames =
      swr_convert(context, &out, room,
                  input ? const_cast<const uint8_t**>(input->extended_data) : nullptr, inFrames);
  if (frames <= 0) return 0;
  chunk.samples.resize(static_cast<size_t>(frames) * outChannels);
  chunk.frames = frames;
  return frames;
}

std::unique_ptr<CAudioDecoder> CAudioDecoder::Create(const StreamSetup& setup, int sampleRate,
                                                     int channels, std::string* error) {
  if (sampleRate <= 0 || channels < 1 || channels > 2) {
    if (error) *error = "the audio format is out of range";
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
  return std::unique_ptr<CAudioDecoder>(new CAudioDecoder(std::move(codec), sampleRate, channels));
}

CAudioDecoder::CAudioDecoder(std::unique_ptr<Codec> codec, int sampleRate, int channels)
    : m_codec(std::move(codec)), m_sampleRate(sampleRate), m_channels(channels) {}

CAudioDecoder::~CAudioDecoder() = default;

bool CAudioDecoder::Send(const CMediaPacket& packet) {
  const PacketPayload* payload = packet.Payload();
  if (packet.Stream() != PacketStream::Audio || !payload ||
      payload->streamIndex != m_codec->streamIndex)
    return false;
  return m_codec->pump.Send(payload->packet.get());
}

void CAudioDecoder::SendEnd() {
  m_codec->pump.SendEnd();
}

DecodeStatus CAudioDecoder::Receive(AudioChunk& chunk) {
  Codec& codec = *m_codec;
  AVFrame* frame = codec.frame.get();
  for (;;) {
    av_frame_unref(frame);
    int result = codec.pump.Receive(frame);
    MediaTime begin = kNoTime;
    int frames = 0;
    if (result == 0) {
      if (frame->nb_samples <= 0 || !codec.Resampler(m_sampleRate, m_channels)) continue;
      begin = ToMediaTime(frame->best_effort_timestamp, codec.timeBase, codec.origin);
      frames = codec.Convert(frame, m_channels, chunk);
    } else if (result == AVERROR_EOF) {
      // What the resampler still holds is the stream's last samples.
      if (codec.drained || !codec.resampler) return DecodeStatus::Ended;
      codec.drained = true;
      frames = codec.Convert(nullptr, m_channels, chunk);
      if (frames <= 0) return DecodeStatus::Ended;
    } else {
      return DecodeStatus::NeedInput;
    }
    if (frames <= 0) continue;
    if (begin == kNoTime) begin = codec.nextStart != kNoTime ? codec.nextStart : 0;
    MediaTime end = begin + av_rescale(frames, kUnitsPerSecond, m_sampleRate);
    codec.nextStart = end;
    if (codec.target != kNoTime && end <= codec.target) continue;
    codec.target = kNoTime;
    chunk.start = begin;
    chunk.stop = end;
    return DecodeStatus::Output;
  }
}

void CAudioDecoder::Flush(MediaTime target) {
  Codec& codec = *m_codec;
  codec.pump.Flush();
  av_frame_unref(codec.frame.get());
  // Samples the resampler holds belong before the seek.
  codec.resampler.reset();
  av_channel_layout_uninit(&codec.resamplerKey.layout);
  codec.drained = false;
  codec.target = target;
  codec.nextStart = kNoTime;
}

}  // namespace tavorin::dshow::media
