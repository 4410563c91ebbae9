// The frames a set of keyed tracks covers, from the first key to the last.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

namespace scenetool {

class FrameRange {
 public:
  template <class Track>
  void Add(const Track& track) {
    if (track.keyCount == 0 || !track.keys) return;
    // Keys are stored in frame order, but nothing stops a file holding
    // them otherwise, so every key counts.
    for (WORD k = 0; k < track.keyCount; ++k) Widen(track.keys[k].frame);
    m_keys += track.keyCount;
  }
  void Add(const FrameRange& other) {
    if (other.m_keys == 0) return;
    Widen(other.m_first);
    Widen(other.m_last);
    m_keys += other.m_keys;
  }
  // "12 keys, frames 0..120", or "no keys".
  std::string Text() const {
    if (m_keys == 0) return "no keys";
    return std::to_string(m_keys) + " keys, frames " + std::to_string(m_first) + ".." +
           std::to_string(m_last);
  }

 private:
  void Widen(INT frame) {
    m_first = m_any ? std::min(m_first, frame) : frame;
    m_last = m_any ? std::max(m_last, frame) : frame;
    m_any = true;
  }

  bool m_any = false;
  INT m_first = 0;
  INT m_last = 0;
  unsigned long m_keys = 0;
};

}  // namespace scenetool
