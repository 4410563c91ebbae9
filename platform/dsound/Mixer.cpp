// The DirectSound software mixer: sums the playing buffers into one output.
#include "platform/dsound/Mixer.h"

#include <algorithm>
#include <limits>

namespace tavorin::dsound {
namespace {

// A device that fell this far behind real time (a suspended machine, a
// stalled driver) restarts its clock instead of racing through the backlog.
constexpr uint64_t kMaxCatchUpFrames = kMixRate;

}  // namespace

CMixer& CMixer::Instance() {
  // Never destroyed: the output thread may still run while the process exits.
  static CMixer* mixer = new CMixer();
  return *mixer;
}

bool CMixer::AddUser() {
  std::lock_guard<std::mutex> outputLock(m_outputMutex);
  if (m_users > 0) {
    ++m_users;
    return true;
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clockAnchored = false;
  }
  if (!m_output.Open(&CMixer::RenderOutput, this)) return false;
  m_users = 1;
  return true;
}

void CMixer::RemoveUser() {
  std::lock_guard<std::mutex> outputLock(m_outputMutex);
  if (m_users <= 0 || --m_users > 0) return;
  m_output.Close();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_voices.clear();
  m_masterLeft = m_masterRight = 1.0f;
}

bool CMixer::IsSilentOutput() {
  std::lock_guard<std::mutex> outputLock(m_outputMutex);
  return m_users > 0 && m_output.IsSilent();
}

void CMixer::AddVoiceLocked(const std::shared_ptr<CVoice>& voice) {
  if (std::find(m_voices.begin(), m_voices.end(), voice) == m_voices.end()) {
    m_voices.push_back(voice);
  }
}

void CMixer::RemoveVoiceLocked(const CVoice* voice) {
  m_voices.erase(std::remove_if(m_voices.begin(), m_voices.end(),
                                [voice](const auto& item) { return item.get() == voice; }),
                 m_voices.end());
}

double CMixer::ElapsedFramesLocked() const {
  // In manual mode whatever was mixed counts as heard, so cursors are exact.
  if (m_manual) return std::numeric_limits<double>::infinity();
  if (m_blockFrames == 0) return 0.0;
  double seconds = std::chrono::duration<double>(Clock::now() - m_blockTime).count();
  return std::clamp(seconds * kMixRate, 0.0, static_cast<double>(m_blockFrames));
}

double CMixer::HeardFramesLocked() const {
  if (m_manual) return static_cast<double>(m_mixedFrames);
  return static_cast<double>(m_mixedFrames - m_blockFrames) + ElapsedFramesLocked();
}

void CMixer::SetMasterGainsLocked(float left, float right) {
  m_masterLeft = left;
  m_masterRight = right;
}

void CMixer::RenderOutput(void* mixer, float* out, size_t frameCount) {
  static_cast<CMixer*>(mixer)->Render(out, frameCount);
}

void CMixer::Render(float* out, size_t frameCount) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::fill(out, out + 2 * frameCount, 0.0f);
  if (m_manual) return;
  Clock::time_point now = Clock::now();
  if (!m_clockAnchored) {
    m_clockAnchored = true;
    m_clockStart = now;
    m_mixedFrames = 0;
    m_blockFrames = 0;
  }
  // Behind a mere clock (the silent output, the dummy driver) the cursors
  // must move at the real rate even when the pulls come late: whatever the
  // steady clock says has been heard but was never pulled is mixed and
  // dropped. A real device's pulls are the truth, late or not.
  if (m_output.IsClockPaced()) CatchUpLocked(now);
  MixLocked(out, frameCount, true);
  m_blockTime = now;
  m_blockFrames = frameCount;
}

void CMixer::CatchUpLocked(Clock::time_point now) {
  double seconds = std::chrono::duration<double>(now - m_clockStart).count();
  auto dueFrames = static_cast<uint64_t>(seconds * kMixRate);
  if (dueFrames > m_mixedFrames) {
    uint64_t behind = dueFrames - m_mixedFrames;
    if (behind > kMaxCatchUpFrames) {
      m_clockStart = now - std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(double(m_mixedFrames) / kMixRate));
    } else {
      m_scratch.assign(2 * behind, 0.0f);
      MixLocked(m_scratch.data(), behind, false);
    }
  }
}

void CMixer::MixLocked(float* out, size_t frameCount, bool timed) {
  for (size_t i = 0; i < m_voices.size();) {
    if (m_voices[i]->Mix(out, frameCount, timed)) {
      ++i;
    } else {
      m_voices.erase(m_voices.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  for (size_t i = 0; i < frameCount; ++i) {
    out[2 * i] = std::clamp(out[2 * i] * m_masterLeft, -1.0f, 1.0f);
    out[2 * i + 1] = std::clamp(out[2 * i + 1] * m_masterRight, -1.0f, 1.0f);
  }
  m_mixedFrames += frameCount;
  if (m_captureCallback != nullptr) m_captureCallback(out, frameCount, m_captureContext);
  if (m_capturing) m_captured.insert(m_captured.end(), out, out + 2 * frameCount);
}

void CMixer::SetCaptureCallback(test::DSoundCaptureCallback callback, void* context) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_captureCallback = callback;
  m_captureContext = context;
}

void CMixer::StartCapture() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_captured.clear();
  m_capturing = true;
}

std::vector<float> CMixer::StopCapture() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_capturing = false;
  return std::move(m_captured);
}

void CMixer::SetManual(bool manual) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_manual == manual) return;
  m_manual = manual;
  m_blockFrames = 0;
  // Real-time mixing resumes from now, not from when manual mode began.
  m_clockAnchored = false;
}

bool CMixer::MixManual(float* out, size_t frameCount) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_manual) return false;
  m_scratch.assign(2 * frameCount, 0.0f);
  MixLocked(m_scratch.data(), frameCount, false);
  if (out != nullptr) std::copy(m_scratch.begin(), m_scratch.end(), out);
  return true;
}

}  // namespace tavorin::dsound
