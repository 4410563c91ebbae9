// The DirectSound output: one SDL2 audio device, or a silent real-time clock.
#include "platform/dsound/AudioOutput.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/dsound/Voice.h"

namespace tavorin::dsound {
namespace {

// About 10 ms per block at the mix rate.
constexpr uint16_t kPeriodFrames = 480;

std::atomic<bool> g_failThreadStarts{false};

void ReportSilentOnce(const char* reason) {
  static std::atomic<bool> reported{false};
  if (reported.exchange(true)) return;
  std::fprintf(stderr,
               "DirectSound: no audio device could be opened (%s); sound is mixed silently\n",
               reason);
}

}  // namespace

void CAudioOutput::DeviceCallback(void* output, uint8_t* stream, int length) {
  auto* self = static_cast<CAudioOutput*>(output);
  self->m_render(self->m_context, reinterpret_cast<float*>(stream),
                 static_cast<size_t>(length) / (2 * sizeof(float)));
}

void CAudioOutput::FailThreadStarts(bool fail) {
  g_failThreadStarts.store(fail);
}

bool CAudioOutput::Open(RenderFunction render, void* context) {
  if (m_open) return true;
  m_render = render;
  m_context = context;
  m_silent = !OpenDevice();
  if (!m_silent) {
    m_open = true;
    return true;
  }
  m_clockPaced = true;
  m_clockStop = false;
  try {
    if (g_failThreadStarts.load()) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    m_clock = std::thread(&CAudioOutput::RunSilentClock, this);
  } catch (const std::system_error& error) {
    std::fprintf(stderr, "DirectSound: the silent output cannot start: %s\n", error.what());
    return false;
  }
  m_open = true;
  return true;
}

bool CAudioOutput::OpenDevice() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    ReportSilentOnce(SDL_GetError());
    return false;
  }
  // Decided before the device's thread exists, which reads it.
  const char* driver = SDL_GetCurrentAudioDriver();
  m_clockPaced = driver != nullptr && std::strcmp(driver, "dummy") == 0;
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(kMixRate);
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = kPeriodFrames;
  wanted.callback = &CAudioOutput::DeviceCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to whatever the device wants, so the
  // mixer always produces its own format.
  m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (m_device == 0) {
    ReportSilentOnce(SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(m_device, 0);
  return true;
}

void CAudioOutput::Close() {
  if (!m_open) return;
  m_open = false;
  if (m_device != 0) {
    SDL_CloseAudioDevice(m_device);
    m_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  if (m_clock.joinable()) {
    {
      std::lock_guard<std::mutex> lock(m_clockMutex);
      m_clockStop = true;
    }
    m_clockWake.notify_all();
    m_clock.join();
  }
}

void CAudioOutput::RunSilentClock() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::microseconds(1000000LL * kPeriodFrames / kMixRate);
  std::vector<float> block(2 * kPeriodFrames);
  auto next = Clock::now();
  std::unique_lock<std::mutex> lock(m_clockMutex);
  while (!m_clockStop) {
    lock.unlock();
    // The mixer catches up by its own clock when a block comes late, so a
    // late wake-up here never slows the cursors down.
    m_render(m_context, block.data(), kPeriodFrames);
    lock.lock();
    next += period;
    m_clockWake.wait_until(lock, next, [this] { return m_clockStop; });
  }
}

}  // namespace tavorin::dsound
