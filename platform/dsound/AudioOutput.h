// The one audio output of the process: an SDL audio device, or a silent
// stand-in clocked in real time when no device can be opened.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tavorin::dsound {

// Pulls interleaved stereo float frames at kMixRate from a render function,
// on a thread of its own.
class CAudioOutput {
 public:
  using RenderFunction = void (*)(void* context, float* out, size_t frameCount);

  CAudioOutput() = default;
  CAudioOutput(const CAudioOutput&) = delete;
  CAudioOutput& operator=(const CAudioOutput&) = delete;
  ~CAudioOutput() { Close(); }

  // Starts pulling; falls back to the silent output (saying so once per
  // process on stderr) when the audio device cannot be opened. False, with
  // nothing left running, when not even the silent output can start.
  bool Open(RenderFunction render, void* context);
  // Stops pulling and waits until no render call is under way.
  void Close();
  bool IsSilent() const { return m_silent; }
  // True when nothing but a clock paces the pulls (the silent output, or a
  // driver that plays nowhere): pulls may then lag real time, and the mixer
  // keeps the cursors in real time itself. A real device's pulls are what is
  // heard, and every sample must reach it.
  bool IsClockPaced() const { return m_clockPaced; }

  // Test support: while set, the silent output's thread cannot be started,
  // as when the system is out of threads.
  static void FailThreadStarts(bool fail);

 private:
  bool OpenDevice();
  static void DeviceCallback(void* output, uint8_t* stream, int length);
  void RunSilentClock();

  RenderFunction m_render = nullptr;
  void* m_context = nullptr;
  uint32_t m_device = 0;
  bool m_open = false;
  bool m_silent = false;
  bool m_clockPaced = false;

  std::thread m_clock;
  std::mutex m_clockMutex;
  std::condition_variable m_clockWake;
  bool m_clockStop = false;
};

}  // namespace tavorin::dsound
