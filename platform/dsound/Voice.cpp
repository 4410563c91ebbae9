// DirectSound secondary-buffer playback: resampling, gains and cursors.
#include "platform/dsound/Voice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavorin::dsound {
namespace {

uint64_t StepFor(DWORD frequency) {
  return (static_cast<uint64_t>(frequency) << 32) / kMixRate;
}

struct Unsigned8Reader {
  static float Read(const BYTE* p) { return (static_cast<int>(p[0]) - 128) * (1.0f / 128.0f); }
  static constexpr size_t kBytes = 1;
};
struct Signed16Reader {
  static float Read(const BYTE* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))) * (1.0f / 32768.0f);
  }
  static constexpr size_t kBytes = 2;
};
struct Float32Reader {
  static float Read(const BYTE* p) {
    uint32_t bits = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                    (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? value : 0.0f;
  }
  static constexpr size_t kBytes = 4;
};

}  // namespace

CVoice::CVoice(std::shared_ptr<SampleBytes> bytes, const SampleLayout& layout)
    : m_bytes(std::move(bytes)),
      m_layout(layout),
      m_frames(static_cast<DWORD>(m_bytes->size() / layout.blockAlign)),
      m_endFixed(static_cast<uint64_t>(m_frames) << 32),
      m_frequency(layout.samplesPerSec),
      m_step(StepFor(layout.samplesPerSec)),
      m_position(0) {}

void CVoice::Start(bool looping) {
  if (!m_playing) ForgetBlock();
  m_playing = true;
  m_looping = looping;
}

void CVoice::Stop(double elapsedFrames) {
  if (!m_playing) return;
  m_position = PositionAt(elapsedFrames);
  m_playing = false;
  ForgetBlock();
}

void CVoice::SetFrequency(DWORD frequency) {
  m_frequency = frequency;
  m_step = StepFor(frequency);
}

void CVoice::SetGains(float left, float right) {
  m_gainLeft = left;
  m_gainRight = right;
}

DWORD CVoice::PlayCursor(double elapsedFrames) const {
  uint64_t position = m_playing ? PositionAt(elapsedFrames) : m_position;
  return static_cast<DWORD>(position >> 32) * m_layout.blockAlign;
}

DWORD CVoice::WriteCursor() const {
  if (!m_playing) return static_cast<DWORD>(m_position >> 32) * m_layout.blockAlign;
  // Interpolation has already read the frame after the current one.
  DWORD frame = static_cast<DWORD>(m_position >> 32) + 1;
  if (frame >= m_frames) frame = m_looping ? frame - m_frames : m_frames - 1;
  return frame * m_layout.blockAlign;
}

void CVoice::SetPosition(DWORD byteOffset) {
  m_position = static_cast<uint64_t>(byteOffset / m_layout.blockAlign) << 32;
  ForgetBlock();
}

uint64_t CVoice::PositionAt(double elapsedFrames) const {
  double frames = std::clamp(elapsedFrames, 0.0, static_cast<double>(m_blockFrames));
  uint64_t position =
      m_blockStart + static_cast<uint64_t>(frames * static_cast<double>(m_blockStep));
  if (position >= m_endFixed) position = m_looping ? position % m_endFixed : m_endFixed - 1;
  return position;
}

void CVoice::ForgetBlock() {
  m_blockStart = m_position;
  m_blockStep = 0;
  m_blockFrames = 0;
}

bool CVoice::Mix(float* out, size_t frameCount, bool timed) {
  if (!m_playing) return true;
  m_blockStart = m_position;
  m_blockStep = m_step;
  bool stillPlaying;
  switch (m_layout.type) {
    case SampleType::kUnsigned8:
      stillPlaying = MixWith<Unsigned8Reader>(out, frameCount);
      break;
    case SampleType::kSigned16:
      stillPlaying = MixWith<Signed16Reader>(out, frameCount);
      break;
    default:
      stillPlaying = MixWith<Float32Reader>(out, frameCount);
      break;
  }
  if (timed && stillPlaying) {
    m_blockFrames = frameCount;
  } else {
    ForgetBlock();
  }
  return stillPlaying;
}

template <class Reader>
bool CVoice::MixWith(float* out, size_t frameCount) {
  const BYTE* base = m_bytes->data();
  const size_t blockAlign = m_layout.blockAlign;
  const bool stereo = m_layout.channels == 2;
  // Below this position the frame after the current one lies inside the
  // buffer, so runs of frames there need no end handling.
  const uint64_t safeEnd = m_endFixed - (uint64_t{1} << 32);
  size_t i = 0;
  while (i < frameCount) {
    size_t run = 1;
    bool hasNext = true;
    if (m_position < safeEnd) {
      run = std::min<uint64_t>(frameCount - i, (safeEnd - m_position + m_step - 1) / m_step);
    } else {
      // A one-shot buffer fades towards the silence that follows its end.
      hasNext = m_looping;
    }
    for (size_t end = i + run; i < end; ++i) {
      DWORD frame = static_cast<DWORD>(m_position >> 32);
      float fraction = static_cast<float>(m_position & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
      DWORD next = frame + 1 < m_frames ? frame + 1 : 0;
      const BYTE* current = base + frame * blockAlign;
      const BYTE* following = base + next * blockAlign;
      float left0 = Reader::Read(current);
      float left1 = hasNext ? Reader::Read(following) : 0.0f;
      float left = left0 + (left1 - left0) * fraction;
      float right = left;
      if (stereo) {
        float right0 = Reader::Read(current + Reader::kBytes);
        float right1 = hasNext ? Reader::Read(following + Reader::kBytes) : 0.0f;
        right = right0 + (right1 - right0) * fraction;
      }
      out[2 * i] += left * m_gainLeft;
      out[2 * i + 1] += right * m_gainRight;
      m_position += m_step;
    }
    if (m_position >= m_endFixed) {
      if (!m_looping) {
        // DirectSound rewinds a buffer that played to its end, so that the
        // next Play starts it again.
        m_position = 0;
        m_playing = false;
        return false;
      }
      m_position %= m_endFixed;
    }
  }
  return true;
}

}  // namespace tavorin::dsound
