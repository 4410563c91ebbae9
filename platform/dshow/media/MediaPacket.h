// One demultiplexed packet of compressed data, passed from the demux thread
// to a decoder's thread.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/dshow/media/MediaTime.h"

namespace tavorin::dshow::media {

// What CMediaFile::ReadPacket produced.
enum class PacketStream {
  Video,   // a packet of the first video stream
  Audio,   // a packet of the first audio stream
  End,     // no more packets (end of file, or data too damaged to go on)
  Failed,  // a read error of the byte source, or the file was aborted
};

struct PacketPayload;

// Owns its data; movable, not copyable. Safe to hand to another thread.
class CMediaPacket {
 public:
  CMediaPacket();
  ~CMediaPacket();
  CMediaPacket(CMediaPacket&& other) noexcept;
  CMediaPacket& operator=(CMediaPacket&& other) noexcept;
  CMediaPacket(const CMediaPacket&) = delete;
  CMediaPacket& operator=(const CMediaPacket&) = delete;

  // Video or Audio for a packet that holds data, End otherwise.
  PacketStream Stream() const { return m_stream; }
  // Presentation time of the packet's first sample from the movie's start,
  // in 100 ns, or kNoTime when the container gives none. Packets come in
  // file order, which for video with reordered frames is not time order;
  // the decoders put frame times right.
  MediaTime Start() const { return m_start; }
  // Start() plus the packet's duration, or kNoTime.
  MediaTime Stop() const { return m_stop; }
  bool IsKeyFrame() const { return m_keyFrame; }
  // Bytes of compressed data held.
  size_t Size() const;

  // The engine's own access to the data; opaque to everyone else. The
  // non-const form makes the payload on first use.
  const PacketPayload* Payload() const { return m_payload.get(); }
  PacketPayload& Payload();
  void Assign(PacketStream stream, MediaTime start, MediaTime stop, bool keyFrame);

 private:
  std::unique_ptr<PacketPayload> m_payload;
  PacketStream m_stream = PacketStream::End;
  MediaTime m_start = kNoTime;
  MediaTime m_stop = kNoTime;
  bool m_keyFrame = false;
};

}  // namespace tavorin::dshow::media
