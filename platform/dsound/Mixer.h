// The software mixer behind every DirectSound object of the process.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include <platform_test_dsound.h>

#include "platform/dsound/AudioOutput.h"
#include "platform/dsound/Voice.h"

namespace tavorin::dsound {

// Sums the playing voices into the output. One lock guards every voice and
// the mixer's own state; the output's render call holds it only while it
// mixes one block.
class CMixer {
 public:
  static CMixer& Instance();

  std::mutex& Mutex() { return m_mutex; }

  // Sound objects and buffers in use keep the output open: the first user
  // opens it, the last one closes it. False (and no user added) when the
  // output cannot start.
  bool AddUser();
  void RemoveUser();
  bool IsSilentOutput();

  // The operations below need Mutex() held.
  void AddVoiceLocked(const std::shared_ptr<CVoice>& voice);
  void RemoveVoiceLocked(const CVoice* voice);
  // Output frames since the last block began being heard, within that block
  // (all of it in manual mode).
  double ElapsedFramesLocked() const;
  // Output frames heard since the output started.
  double HeardFramesLocked() const;
  void SetMasterGainsLocked(float left, float right);

  // Test support.
  void SetCaptureCallback(test::DSoundCaptureCallback callback, void* context);
  void StartCapture();
  std::vector<float> StopCapture();
  void SetManual(bool manual);
  bool MixManual(float* out, size_t frameCount);

 private:
  using Clock = std::chrono::steady_clock;

  CMixer() = default;
  static void RenderOutput(void* mixer, float* out, size_t frameCount);
  void Render(float* out, size_t frameCount);
  void CatchUpLocked(Clock::time_point now);
  void MixLocked(float* out, size_t frameCount, bool timed);

  std::mutex m_mutex;
  std::vector<std::shared_ptr<CVoice>> m_voices;
  float m_masterLeft = 1.0f;
  float m_masterRight = 1.0f;
  std::vector<float> m_scratch;

  bool m_manual = false;
  bool m_clockAnchored = false;
  Clock::time_point m_clockStart;
  uint64_t m_mixedFrames = 0;  // output frames mixed since m_clockStart
  Clock::time_point m_blockTime;
  size_t m_blockFrames = 0;

  test::DSoundCaptureCallback m_captureCallback = nullptr;
  void* m_captureContext = nullptr;
  bool m_capturing = false;
  std::vector<float> m_captured;

  std::mutex m_outputMutex;  // never taken inside m_mutex
  int m_users = 0;
  CAudioOutput m_output;
};

}  // namespace tavorin::dsound
