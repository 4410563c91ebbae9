// What a decoder's Receive gives back.
#pragma once

namespace tavorin::dshow::media {

enum class DecodeStatus {
  Output,     // a frame or a chunk of samples is ready
  NeedInput,  // send the next packet (or SendEnd)
  Ended,      // after SendEnd, everything held has been given out
};

}  // namespace tavorin::dshow::media
