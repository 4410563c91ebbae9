// Demultiplexed packets owning their FFmpeg packet.
#include "platform/dshow/media/MediaPacket.h"

#include "platform/dshow/media/Ffmpeg.h"

namespace tavorin::dshow::media {

CMediaPacket::CMediaPacket() = default;
CMediaPacket::~CMediaPacket() = default;
CMediaPacket::CMediaPacket(CMediaPacket&& other) noexcept = default;
CMediaPacket& CMediaPacket::operator=(CMediaPacket&& other) noexcept = default;

size_t CMediaPacket::Size() const {
  if (!m_payload || !m_payload->packet) return 0;
  return static_cast<size_t>(m_payload->packet->size);
}

PacketPayload& CMediaPacket::Payload() {
  if (!m_payload) m_payload = std::make_unique<PacketPayload>();
  return *m_payload;
}

void CMediaPacket::Assign(PacketStream stream, MediaTime start, MediaTime stop, bool keyFrame) {
  m_stream = stream;
  m_start = start;
  m_stop = stop;
  m_keyFrame = keyFrame;
}

}  // namespace tavorin::dshow::media
