// Win32 window-system start-up on SDL2 video.
#include "platform/win32/SdlVideo.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace tavorin::platform {
namespace {

std::once_flag g_videoOnce;
std::atomic<bool> g_videoUp{false};
std::mutex g_claimMutex;
std::atomic<bool> g_claimed{false};
std::thread::id g_uiThread;  // written once, under g_claimMutex, before g_claimed

void StartVideo() {
  // SDL reads SDL_NO_SIGNAL_HANDLERS (and every other hint) from the
  // environment itself, so a hung test still dies on SIGTERM when asked to.
  // Frames reach windows as finished pixels through the window surface; an
  // accelerated surface would only add a software GL pipeline (with threads
  // of its own) behind it, so it is off unless the environment asks for it.
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "tavorin: no video output, windows cannot be created: %s\n",
                 SDL_GetError());
    return;
  }
  g_videoUp.store(true, std::memory_order_release);
}

}  // namespace

bool EnsureVideo() {
  std::call_once(g_videoOnce, StartVideo);
  return g_videoUp.load(std::memory_order_acquire);
}

bool ClaimUiThread() {
  if (!g_claimed.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(g_claimMutex);
    if (!g_claimed.load(std::memory_order_relaxed)) {
      g_uiThread = std::this_thread::get_id();
      g_claimed.store(true, std::memory_order_release);
    }
  }
  return OnUiThread();
}

bool VideoUp() {
  return g_videoUp.load(std::memory_order_acquire);
}

bool OnUiThread() {
  return g_claimed.load(std::memory_order_acquire) && std::this_thread::get_id() == g_uiThread;
}

bool OnRealDisplay() {
  if (!EnsureVideo()) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 &&
         std::strcmp(driver, "offscreen") != 0;
}

}  // namespace tavorin::platform
