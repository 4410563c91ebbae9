#include "app/TesterApp.h"

namespace {

constexpr LONG kFramePeriodMs = 15;
constexpr D3DCOLOR kClearColour = 0x00303080;

void DrawFrame(TesterApp* app) {
  IDirect3DDevice9* device = app->directX->GetDevice();
  if (device == nullptr) return;
  // Frame failures are not examined: the next frame simply tries again.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
  device->BeginScene();
  DrawSequence(app, device);
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  device->Release();
}

}  // namespace

bool TesterFrameStep(TesterApp* app) {
  SequenceStep(app);
  DrawFrame(app);
  return true;
}

void RunMessageLoop(TesterApp* app) {
  DWORD last = 0;
  MSG message;
  for (;;) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      TranslateMessage(&message);
      DispatchMessageA(&message);
      continue;
    }
    DWORD now = timeGetTime();
    // A signed difference keeps pacing right across the 49-day wrap.
    if (static_cast<LONG>(now - last) >= kFramePeriodMs) {
      if (!TesterFrameStep(app)) return;
      last = now;
    }
    Sleep(1);
  }
}
