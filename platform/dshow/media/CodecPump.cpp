// The send/receive cycle of one FFmpeg decoder.
#include "platform/dshow/media/CodecPump.h"

namespace tavorin::dshow::media {

bool CCodecPump::Send(const AVPacket* packet) {
  if (m_endRequested) return false;
  if (m_held.empty()) {
    int result = avcodec_send_packet(m_context.get(), packet);
    if (result == 0) return true;
    if (result != AVERROR(EAGAIN)) return false;
  }
  PacketPtr copy(av_packet_alloc());
  if (!copy || av_packet_ref(copy.get(), packet) < 0) return false;
  m_held.push_back(std::move(copy));
  return true;
}

bool CCodecPump::FeedHeld() {
  while (!m_held.empty()) {
    int result = avcodec_send_packet(m_context.get(), m_held.front().get());
    if (result == AVERROR(EAGAIN)) return false;
    // A refused packet is damaged data: drop it and go on with the next.
    m_held.pop_front();
    if (result == 0) return true;
  }
  if (m_endRequested && !m_endSent) {
    m_endSent = true;
    avcodec_send_packet(m_context.get(), nullptr);
    return true;
  }
  return false;
}

int CCodecPump::Receive(AVFrame* frame) {
  int errors = 0;
  for (;;) {
    int result = avcodec_receive_frame(m_context.get(), frame);
    if (result == 0 || result == AVERROR_EOF) return result;
    if (result == AVERROR(EAGAIN)) {
      if (!FeedHeld()) return m_endSent ? AVERROR_EOF : AVERROR(EAGAIN);
      continue;
    }
    // A frame that failed to decode; the decoder goes on with the next one.
    if (++errors > kMaxErrorsInRow) return m_endSent ? AVERROR_EOF : AVERROR(EAGAIN);
  }
}

void CCodecPump::Flush() {
  avcodec_flush_buffers(m_context.get());
  m_held.clear();
  m_endRequested = false;
  m_endSent = false;
}

}  // namespace tavorin::dshow::media
