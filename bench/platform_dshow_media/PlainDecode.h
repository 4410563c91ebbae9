// The baseline every movie decoding benchmark measures against: the least
// any player must do, a plain FFmpeg demux + decode + swscale loop.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

// The baseline loop; returns the frames converted. `bottomUp` writes the rows
// as the engine must, showing what that alone costs.
inline int PlainDecode(const std::string& path, std::vector<uint8_t>& buffer,
                       bool bottomUp = false) {
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
      if (bottomUp) {
        rows[0] += size_t(frame->height - 1) * strides[0];
        strides[0] = -strides[0];
      }
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
