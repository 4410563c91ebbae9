// Decoding a movie to RGB32 through the engine, against the least any player
// must do: a plain FFmpeg demux + decode + swscale loop over the same file.
// Both run in every iteration, so load on a shared machine hits them alike.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/dshow/media/MediaFile.h"
#include "platform/dshow/media/VideoDecoder.h"

namespace media = tavorin::dshow::media;

namespace {

// Thread CPU time, so that other processes on a shared machine do not count.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// An 800 x 600, 30 fps MPEG-4 AVI of moving test pictures, made once.
const std::string& MoviePath() {
  static const std::string path = [] {
    std::string dir = (std::filesystem::temp_directory_path() /
                       ("tavorin-media-bench-" + std::to_string(getpid())))
                          .string();
    std::filesystem::create_directories(dir);
    std::string file = dir + "/movie.avi";
    std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=800x600:r=30:d=2 "
        "-c:v mpeg4 -q:v 4 '" +
        file + "'";
    if (std::system(command.c_str()) != 0) std::abort();
    std::atexit(
        [] { std::filesystem::remove_all(std::filesystem::path(MoviePath()).parent_path()); });
    return file;
  }();
  return path;
}

// The baseline loop; returns the frames converted.
int PlainDecode(const std::string& path, std::vector<uint8_t>& buffer) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) std::abort();
  avformat_find_stream_info(format, nullptr);
  const AVCodec* codec = nullptr;
  int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  AVCodecContext* context = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(context, format->streams[index]->codecpar);
  context->thread_count = 1;
  avcodec_open2(context, codec, nullptr);
  SwsContext* scaler = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int frames = 0;
  auto receive = [&] {
    while (avcodec_receive_frame(context, frame) == 0) {
      scaler = sws_getCachedContext(
          scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
          frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
      buffer.resize(size_t(frame->width) * frame->height * 4);
      uint8_t* rows[4] = {buffer.data()};
      int strides[4] = {frame->width * 4};
      sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, rows, strides);
      ++frames;
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0) receive();
    av_packet_unref(packet);
  }
  avcodec_send_packet(context, nullptr);
  receive();
  av_frame_free(&frame);
  av_packet_free(&packet);
  sws_freeContext(scaler);
  avcodec_free_context(&context);
  avformat_close_input(&format);
  return frames;
}

int EngineDecode(const std::string& path, std::vector<uint8_t>& buffer) {
  media::ByteSource source;
  if (!media::FileByteSource(path, &source)) std::abort();
  auto file = media::CMediaFile::Open(source, nullptr);
  if (!file) std::abort();
  auto video = file->CreateVideoDecoder(nullptr);
  buffer.resize(video->FrameBytes());
  int frames = 0;
  media::MediaTime start, stop;
  auto receive = [&] {
    while (video->Receive(&start, &stop) == media::DecodeStatus::Output)
      frames += video->CopyFrame(buffer.data(), buffer.size());
  };
  media::CMediaPacket packet;
  while (file->ReadPacket(packet) == media::PacketStream::Video) {
    video->Send(packet);
    receive();
  }
  video->SendEnd();
  receive();
  return frames;
}

void BM_DecodeToRgb32(benchmark::State& state) {
  const std::string& path = MoviePath();
  std::vector<uint8_t> buffer;
  double plain = 0, engine = 0;
  int plainFrames = 0, engineFrames = 0;
  for (auto _ : state) {
    double start = CpuSeconds();
    plainFrames += PlainDecode(path, buffer);
    double middle = CpuSeconds();
    engineFrames += EngineDecode(path, buffer);
    engine += CpuSeconds() - middle;
    plain += middle - start;
    benchmark::DoNotOptimize(buffer.data());
  }
  if (plainFrames != engineFrames || plainFrames == 0) {
    state.SkipWithError("the engine and the plain loop decoded different frame counts");
    return;
  }
  state.counters["plain_ms_per_frame"] = plain / plainFrames * 1e3;
  state.counters["engine_ms_per_frame"] = engine / engineFrames * 1e3;
  state.counters["engine_vs_plain"] = engine / plain;
}
BENCHMARK(BM_DecodeToRgb32)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
