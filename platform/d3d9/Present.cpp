// Direct3D 9 Present: the back buffer into the window's SDL surface, and
// the presented frame kept for read-back.
#include <SDL.h>

#include "platform/d3d9/Device.h"
#include "platform/win32/SdlWindow.h"

namespace tavorin::d3d9 {

HRESULT CDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                         const void* dirtyRegion) {
  if (sourceRect != nullptr || destRect != nullptr || dirtyRegion != nullptr) {
    return D3DERR_INVALIDCALL;
  }
  if (m_inScene || m_backBuffer->locked) return D3DERR_INVALIDCALL;
  PixelImage& back = *m_backBuffer;
  if (m_parameters.SwapEffect == D3DSWAPEFFECT_DISCARD) {
    // The back buffer's contents are undefined after a discarding Present,
    // so the frame changes hands instead of being copied.
    m_presented.swap(back.pixels);
    back.pixels.resize(static_cast<size_t>(back.width) * back.height);
  } else {
    m_presented = back.pixels;
  }
  m_presentedWidth = back.width;
  m_presentedHeight = back.height;
  m_hasPresented = true;
  HWND window = destWindowOverride;
  if (window == nullptr) window = m_parameters.hDeviceWindow;
  if (window == nullptr) window = m_creation.hFocusWindow;
  PresentToWindow(window);
  return D3D_OK;
}

void CDevice::PresentToWindow(HWND window) {
  SDL_Window* sdlWindow = window != nullptr ? platform::SdlWindowOf(window) : nullptr;
  if (sdlWindow == nullptr) return;
  SDL_Surface* windowSurface = SDL_GetWindowSurface(sdlWindow);
  if (windowSurface == nullptr) return;
  // The frame's bytes read the same as ARGB8888 or XRGB8888; describing
  // them in the window's own format (when it is one of the two) lets SDL
  // copy rows instead of converting pixels.
  Uint32 format = windowSurface->format->format;
  if (format != SDL_PIXELFORMAT_RGB888) format = SDL_PIXELFORMAT_ARGB8888;
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
      m_presented.data(), static_cast<int>(m_presentedWidth), static_cast<int>(m_presentedHeight),
      32, static_cast<int>(m_presentedWidth * 4), format);
  if (frame == nullptr) return;
  SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
  int result = (frame->w == windowSurface->w && frame->h == windowSurface->h)
                   ? SDL_BlitSurface(frame, nullptr, windowSurface, nullptr)
                   : SDL_BlitScaled(frame, nullptr, windowSurface, nullptr);
  SDL_FreeSurface(frame);
  if (result == 0 && SDL_UpdateWindowSurface(sdlWindow) == 0) ++m_windowPresentCount;
}

bool CDevice::ReadPresentedFrame(std::vector<DWORD>* pixels, UINT* width, UINT* height) const {
  if (!m_hasPresented) return false;
  *pixels = m_presented;
  for (DWORD& pixel : *pixels) {
    if (m_parameters.BackBufferFormat != D3DFMT_A8R8G8B8) pixel |= 0xFF000000u;
  }
  *width = m_presentedWidth;
  *height = m_presentedHeight;
  return true;
}

}  // namespace tavorin::d3d9
