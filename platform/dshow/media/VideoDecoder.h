// Video packets decoded by FFmpeg into bottom-up RGB32 frames.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/dshow/media/DecodeStatus.h"
#include "platform/dshow/media/MediaPacket.h"
#include "platform/dshow/media/MediaTime.h"

namespace tavorin::dshow::media {

struct StreamSetup;

// Made by CMediaFile::CreateVideoDecoder. One thread at a time (the video
// delivery thread) uses it; it shares nothing with the file or other decoders.
//
// Use: Send a packet, then Receive until NeedInput; for each Output, place
// the frame with CopyFrame. At the end of the stream SendEnd, then Receive
// until Ended.
class CVideoDecoder {
 public:
  ~CVideoDecoder();
  CVideoDecoder(const CVideoDecoder&) = delete;
  CVideoDecoder& operator=(const CVideoDecoder&) = delete;

  // The output frame: the stream's size when it was opened (a stream that
  // changes size later is scaled to it), 4 bytes a pixel, stride Width() * 4.
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  size_t FrameBytes() const { return static_cast<size_t>(m_width) * m_height * 4; }

  // Hands over one video packet. False when the decoder rejected it (damaged
  // data, a packet of another stream); decoding goes on with the next one.
  bool Send(const CMediaPacket& packet);
  // No more packets: the frames the decoder still holds come out next.
  void SendEnd();
  // Output with the next frame's times (`start` from the movie's start in
  // 100 ns, `stop` = start + frame duration), NeedInput, or Ended after
  // SendEnd. The frame is held until the next Receive or Flush. Frames that
  // end at or before the target of the last Flush are skipped here.
  DecodeStatus Receive(MediaTime* start, MediaTime* stop);
  // Writes the held frame into `dest` as RGB32 (bytes B, G, R, then the
  // source's alpha, 0xFF for pictures without), exactly FrameBytes(), rows
  // bottom-up as a DIB with positive biHeight stores them: the first row in
  // memory is the bottom row of the picture. False when no frame is held,
  // `destSize` < FrameBytes() or the conversion fails.
  bool CopyFrame(void* dest, size_t destSize);
  // Drops every frame and packet in flight (after a seek). Frames ending at
  // or before `target` are skipped until one covers or follows it; kNoTime
  // skips none.
  void Flush(MediaTime target = kNoTime);

  struct Codec;
  static std::unique_ptr<CVideoDecoder> Create(const StreamSetup& setup, int width, int height,
                                               MediaTime frameDuration, std::string* error);

 private:
  CVideoDecoder(std::unique_ptr<Codec> codec, int width, int height);

  std::unique_ptr<Codec> m_codec;
  int m_width;
  int m_height;
};

}  // namespace tavorin::dshow::media
