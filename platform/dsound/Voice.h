// The playing state of one secondary buffer: its samples, its cursor and its
// controls, read by the mixer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <windef.h>

#include "platform/dsound/WaveFormat.h"

namespace tavorin::dsound {

// The rate of the mixed output, in frames per second.
constexpr DWORD kMixRate = 48000;

// Samples shared by a buffer and its duplicates.
using SampleBytes = std::vector<BYTE>;

// Every member is used with the mixer lock held.
class CVoice {
 public:
  CVoice(std::shared_ptr<SampleBytes> bytes, const SampleLayout& layout);

  const SampleLayout& Layout() const { return m_layout; }
  DWORD SizeBytes() const { return m_frames * m_layout.blockAlign; }
  SampleBytes& Bytes() { return *m_bytes; }
  std::shared_ptr<SampleBytes> SharedBytes() const { return m_bytes; }

  bool IsPlaying() const { return m_playing; }
  bool IsLooping() const { return m_looping; }
  void Start(bool looping);
  // Stops where the listener is: at the play cursor `elapsedFrames` output
  // frames into the last mixed block.
  void Stop(double elapsedFrames);

  DWORD Frequency() const { return m_frequency; }
  void SetFrequency(DWORD frequency);
  void SetGains(float left, float right);

  // The byte being heard `elapsedFrames` output frames after the start of the
  // last mixed block, and the first byte the mixer has not taken yet.
  DWORD PlayCursor(double elapsedFrames) const;
  DWORD WriteCursor() const;
  void SetPosition(DWORD byteOffset);

  // Adds frameCount output frames to `out` (interleaved stereo) and advances;
  // with `timed`, remembers where this block began so that the play cursor
  // can move smoothly through it. Returns false when a one-shot voice reached
  // its end (it is then stopped at position 0).
  bool Mix(float* out, size_t frameCount, bool timed);

 private:
  template <class Reader>
  bool MixWith(float* out, size_t frameCount);
  uint64_t PositionAt(double elapsedFrames) const;
  void ForgetBlock();

  std::shared_ptr<SampleBytes> m_bytes;
  SampleLayout m_layout;
  DWORD m_frames;
  uint64_t m_endFixed;  // m_frames in 32.32 fixed point

  bool m_playing = false;
  bool m_looping = false;
  DWORD m_frequency;
  uint64_t m_step;      // source frames per output frame, 32.32
  uint64_t m_position;  // source frame, 32.32
  float m_gainLeft = 1.0f;
  float m_gainRight = 1.0f;

  uint64_t m_blockStart = 0;  // position when the last block began
  uint64_t m_blockStep = 0;
  size_t m_blockFrames = 0;
};

}  // namespace tavorin::dsound
