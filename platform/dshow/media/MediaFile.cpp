// Movie files demultiplexed by libavformat, read through a ByteSource.
#include "platform/dshow/media/MediaFile.h"

#include <algorithm>
#include <cstdio>

#include "platform/dshow/media/AudioDecoder.h"
#include "platform/dshow/media/Ffmpeg.h"
#include "platform/dshow/media/VideoDecoder.h"

namespace tavorin::dshow::media {

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// Probing bounds: enough for every container's headers and a few seconds of
// interleaved streams, little enough that a damaged file fails quickly.
constexpr int64_t kProbeBytes = 8 * 1024 * 1024;
constexpr int64_t kAnalyzeMicroseconds = 5 * 1000 * 1000;
// ReadPacket retries a damaged stretch this often while the reading still
// moves forward.
constexpr int kMaxReadRetries = 32;

struct FormatDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

}  // namespace

// The FFmpeg side of a CMediaFile: the byte source behind an AVIOContext, the
// format context and the chosen streams.
struct CMediaFile::Demuxer {
  ~Demuxer() {
    format.reset();
    if (io) {
      // FFmpeg may have replaced the buffer it was given, so free the current one.
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
  }

  ByteSource source;
  const std::atomic<bool>* aborted = nullptr;
  int64_t position = 0;
  bool readFailed = false;
  AVIOContext* io = nullptr;
  std::unique_ptr<AVFormatContext, FormatDeleter> format;
  int videoIndex = -1;
  int audioIndex = -1;
  MediaTime origin = 0;

  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t SeekIo(void* opaque, int64_t offset, int whence);
  static int Interrupt(void* opaque);
};

int CMediaFile::Demuxer::Read(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<Demuxer*>(opaque);
  if (*self->aborted) return AVERROR_EXIT;
  if (self->position >= self->source.length) return AVERROR_EOF;
  int count = self->source.readAt(self->position, buffer, size);
  if (count < 0 || count > size) {
    self->readFailed = true;
    return AVERROR(EIO);
  }
  if (count == 0) return AVERROR_EOF;
  self->position += count;
  return count;
}

int64_t CMediaFile::Demuxer::SeekIo(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<Demuxer*>(opaque);
  int64_t base;
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return self->source.length;
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = self->position;
      break;
    case SEEK_END:
      base = self->source.length;
      break;
    default:
      return AVERROR(EINVAL);
  }
  if (offset > INT64_MAX - base || offset < -base) return AVERROR(EINVAL);
  self->position = base + offset;
  return self->position;
}

int CMediaFile::Demuxer::Interrupt(void* opaque) {
  return static_cast<Demuxer*>(opaque)->aborted->load() ? 1 : 0;
}

namespace {

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

bool Decodable(const AVStream* stream) {
  const AVCodecParameters* parameters = stream->codecpar;
  if (!avcodec_find_decoder(parameters->codec_id)) return false;
  if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
    // Cover art is a one-picture "video" stream; it is not the movie.
    if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) return false;
    return parameters->width > 0 && parameters->height > 0 && parameters->width <= kMaxDimension &&
           parameters->height <= kMaxDimension &&
           int64_t{parameters->width} * parameters->height <= kMaxPixels;
  }
  if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
    return parameters->sample_rate > 0 && parameters->sample_rate <= 768000 &&
           parameters->ch_layout.nb_channels > 0;
  }
  return false;
}

MediaTime FrameDuration(const AVStream* stream) {
  for (AVRational rate : {stream->avg_frame_rate, stream->r_frame_rate}) {
    if (rate.num > 0 && rate.den > 0) {
      MediaTime duration = av_rescale(kUnitsPerSecond, rate.den, rate.num);
      if (duration > 0) return duration;
    }
  }
  return 0;
}

MediaTime ContainerDuration(const AVFormatContext* format) {
  if (format->duration > 0) return av_rescale(format->duration, kUnitsPerSecond, AV_TIME_BASE);
  MediaTime longest = 0;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVStream* stream = format->streams[i];
    longest = std::max(longest, DurationToMediaTime(stream->duration, stream->time_base));
  }
  return longest;
}

}  // namespace

std::unique_ptr<CMediaFile> CMediaFile::Open(ByteSource source, std::string* error) {
  if (!source.readAt || source.length < 0) {
    Fail(error, "the byte source has no reader or no known length");
    return nullptr;
  }
  auto demuxer = std::make_unique<Demuxer>();
  demuxer->source = std::move(source);
  std::unique_ptr<CMediaFile> file(new CMediaFile(std::move(demuxer)));
  if (!file->OpenDemuxer(error) || !file->ChooseStreams(error)) return nullptr;
  return file;
}

CMediaFile::CMediaFile(std::unique_ptr<Demuxer> demuxer) : m_demuxer(std::move(demuxer)) {
  m_demuxer->aborted = &m_aborted;
}

CMediaFile::~CMediaFile() = default;

bool CMediaFile::OpenDemuxer(std::string* error) {
  Demuxer& demuxer = *m_demuxer;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) return Fail(error, "out of memory");
  demuxer.io = avio_alloc_context(buffer, kIoBufferSize, 0, &demuxer, &Demuxer::Read, nullptr,
                                  &Demuxer::SeekIo);
  if (!demuxer.io) {
    av_free(buffer);
    return Fail(error, "out of memory");
  }
  AVFormatContext* format = avformat_alloc_context();
  if (!format) return Fail(error, "out of memory");
  format->pb = demuxer.io;
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  format->probesize = kProbeBytes;
  format->max_analyze_duration = kAnalyzeMicroseconds;
  format->interrupt_callback = {&Demuxer::Interrupt, &demuxer};
  // avformat_open_input frees the context itself when it fails.
  if (avformat_open_input(&format, nullptr, nullptr, nullptr) < 0) {
    if (demuxer.readFailed) return Fail(error, "the movie could not be read");
    return Fail(error, "the data is not a movie format FFmpeg knows");
  }
  demuxer.format.reset(format);
  // A failure here still leaves what the headers said; the streams are
  // judged on that below.
  avformat_find_stream_info(format, nullptr);
  if (m_aborted) return Fail(error, "opening the movie was aborted");
  return true;
}

bool CMediaFile::ChooseStreams(std::string* error) {
  Demuxer& demuxer = *m_demuxer;
  AVFormatContext* format = demuxer.format.get();
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    AVStream* stream = format->streams[i];
    AVMediaType type = stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && demuxer.videoIndex < 0 && Decodable(stream)) {
      demuxer.videoIndex = static_cast<int>(i);
    } else if (type == AVMEDIA_TYPE_AUDIO && demuxer.audioIndex < 0 && Decodable(stream)) {
      demuxer.audioIndex = static_cast<int>(i);
    } else {
      // The demuxer then skips their packets without handing them out.
      stream->discard = AVDISCARD_ALL;
    }
  }
  if (demuxer.videoIndex < 0 && demuxer.audioIndex < 0)
    return Fail(error, "the movie has no video or audio stream FFmpeg can decode");

  // A stream that starts before 0 carries encoder priming its decoder drops,
  // not picture or sound; the movie still starts at 0.
  if (format->start_time != AV_NOPTS_VALUE && format->start_time > 0)
    demuxer.origin = av_rescale(format->start_time, kUnitsPerSecond, AV_TIME_BASE);
  m_duration = ContainerDuration(format);
  if (demuxer.videoIndex >= 0) {
    const AVStream* stream = format->streams[demuxer.videoIndex];
    m_video.present = true;
    m_video.width = stream->codecpar->width;
    m_video.height = stream->codecpar->height;
    m_video.frameDuration = FrameDuration(stream);
  }
  if (demuxer.audioIndex >= 0) {
    const AVStream* stream = format->streams[demuxer.audioIndex];
    m_audio.present = true;
    m_audio.sampleRate = stream->codecpar->sample_rate;
    m_audio.channels = std::min(stream->codecpar->ch_layout.nb_channels, 2);
  }
  return true;
}

PacketStream CMediaFile::ReadPacket(CMediaPacket& packet) {
  Demuxer& demuxer = *m_demuxer;
  PacketPayload& payload = packet.Payload();
  AVPacket* raw = payload.packet.get();
  av_packet_unref(raw);
  packet.Assign(PacketStream::End, kNoTime, kNoTime, false);
  if (!raw) return PacketStream::Failed;

  int retries = 0;
  int64_t lastErrorPosition = -1;
  for (;;) {
    int result = av_read_frame(demuxer.format.get(), raw);
    if (result < 0) {
      if (m_aborted || demuxer.readFailed) return PacketStream::Failed;
      if (result == AVERROR_EOF) return PacketStream::End;
      // Damaged data: go on while the reading moves forward, else stop.
      int64_t position = avio_tell(demuxer.format->pb);
      bool moving = result == AVERROR(EAGAIN) || position > lastErrorPosition;
      if (!moving || ++retries > kMaxReadRetries) return PacketStream::End;
      lastErrorPosition = position;
      continue;
    }
    PacketStream stream = raw->stream_index == demuxer.videoIndex   ? PacketStream::Video
                          : raw->stream_index == demuxer.audioIndex ? PacketStream::Audio
                                                                    : PacketStream::End;
    if (stream == PacketStream::End) {
      av_packet_unref(raw);
      continue;
    }
    AVRational timeBase = demuxer.format->streams[raw->stream_index]->time_base;
    int64_t stamp = raw->pts != AV_NOPTS_VALUE ? raw->pts : raw->dts;
    MediaTime start = ToMediaTime(stamp, timeBase, demuxer.origin);
    MediaTime stop = kNoTime;
    if (start != kNoTime && raw->duration > 0)
      stop = start + DurationToMediaTime(raw->duration, timeBase);
    payload.streamIndex = raw->stream_index;
    packet.Assign(stream, start, stop, (raw->flags & AV_PKT_FLAG_KEY) != 0);
    return stream;
  }
}

bool CMediaFile::Seek(MediaTime target) {
  Demuxer& demuxer = *m_demuxer;
  if (m_aborted) return false;
  AVFormatContext* format = demuxer.format.get();
  int index = demuxer.videoIndex >= 0 ? demuxer.videoIndex : demuxer.audioIndex;
  const AVStream* stream = format->streams[index];
  // Containers index key frames by decoding time, which runs ahead of the
  // picture's time by the decoder's delay when frames are reordered; a few
  // frames of margin make the key frame land at or before the target.
  MediaTime margin =
      m_video.present ? 3 * std::max(m_video.frameDuration, kUnitsPerSecond / 30) : 0;
  // Rounded down: a target between two frames must land on the earlier one,
  // where FFmpeg's own conversion from AV_TIME_BASE rounds to the nearest.
  int64_t stamp = av_rescale_q_rnd(std::max<MediaTime>(target - margin, 0) + demuxer.origin,
                                   AVRational{1, static_cast<int>(kUnitsPerSecond)},
                                   stream->time_base, AV_ROUND_DOWN);
  demuxer.readFailed = false;
  if (av_seek_frame(format, index, stamp, AVSEEK_FLAG_BACKWARD) >= 0) return true;
  // A file without an index: start over, and the decoders skip to the target.
  int64_t begin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  if (av_seek_frame(format, index, begin, AVSEEK_FLAG_BACKWARD) >= 0) return true;
  return avformat_seek_file(format, index, INT64_MIN, begin, begin, 0) >= 0;
}

namespace {

std::unique_ptr<StreamSetup> MakeSetup(const AVFormatContext* format, int index, MediaTime origin) {
  auto setup = std::make_unique<StreamSetup>();
  setup->parameters.reset(avcodec_parameters_alloc());
  if (!setup->parameters ||
      avcodec_parameters_copy(setup->parameters.get(), format->streams[index]->codecpar) < 0)
    return nullptr;
  setup->streamIndex = index;
  setup->timeBase = format->streams[index]->time_base;
  setup->origin = origin;
  return setup;
}

}  // namespace

std::unique_ptr<CVideoDecoder> CMediaFile::CreateVideoDecoder(std::string* error) const {
  if (!m_video.present) {
    Fail(error, "the movie has no video stream");
    return nullptr;
  }
  auto setup = MakeSetup(m_demuxer->format.get(), m_demuxer->videoIndex, m_demuxer->origin);
  if (!setup) {
    Fail(error, "out of memory");
    return nullptr;
  }
  return CVideoDecoder::Create(*setup, m_video.width, m_video.height, m_video.frameDuration, error);
}

std::unique_ptr<CAudioDecoder> CMediaFile::CreateAudioDecoder(std::string* error) const {
  if (!m_audio.present) {
    Fail(error, "the movie has no audio stream");
    return nullptr;
  }
  auto setup = MakeSetup(m_demuxer->format.get(), m_demuxer->audioIndex, m_demuxer->origin);
  if (!setup) {
    Fail(error, "out of memory");
    return nullptr;
  }
  return CAudioDecoder::Create(*setup, m_audio.sampleRate, m_audio.channels, error);
}

}  // namespace tavorin::dshow::media
