// The send/receive cycle of one FFmpeg decoder, shared by the video and
// audio decoders. Private to this folder.
#pragma once

#include <deque>

#include "platform/dshow/media/Ffmpeg.h"

namespace tavorin::dshow::media {

// Keeps packets the decoder could not take yet, so a caller that sends
// twice without receiving loses nothing, and tolerates damaged data.
class CCodecPump {
 public:
  explicit CCodecPump(CodecContextPtr context) : m_context(std::move(context)) {}

  AVCodecContext* Context() const { return m_context.get(); }
  // False when the decoder refused the packet outright or the end was sent.
  bool Send(const AVPacket* packet);
  void SendEnd() { m_endRequested = true; }
  // 0 with `frame` filled, AVERROR(EAGAIN) when input is needed, or
  // AVERROR_EOF once drained after SendEnd.
  int Receive(AVFrame* frame);
  void Flush();

 private:
  // Feeds the next held packet or the end marker; false when nothing is held.
  bool FeedHeld();

  CodecContextPtr m_context;
  std::deque<PacketPtr> m_held;
  bool m_endRequested = false;
  bool m_endSent = false;
};

}  // namespace tavorin::dshow::media
