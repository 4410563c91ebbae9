// The DirectX roots of the system: the Direct3D device, the DirectSound
// object with its primary buffer, DirectInput with the keyboard and mouse.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <dsound.h>
#include <dinput.h>

DECLARE_INTERFACE_ID(IDirectXManager, 0xA7ED575A, 0xCFD5, 0x4873, 0x86, 0xB2, 0x94, 0x09, 0x77,
                     0x7B, 0xB0, 0x61);

// How the manager sets up the device and the sound object.
struct DirectXManagerSettings {
  INT width;  // back-buffer size
  INT height;
  UINT adapter;
  // 0 none; 0xFFFFFFFF the best of 8, 4, 2 samples; N: N samples when the
  // adapter offers them, else the best of 8, 4, 2.
  UINT multisample;
  UINT minVertexShaderVersion;    // packed shader version, 0 = no requirement
  UINT minVertexShaderConstants;  // 0 = no requirement
  UINT minPixelShaderVersion;     // packed shader version, 0 = no requirement
  BOOL autoDepthStencil;
  GUID soundDevice;  // all zero: the default device
};

// Every getter that hands out an interface adds a reference for the caller
// and returns null when the object is absent. Created and used on the main
// thread; the objects it hands out follow their own threading rules.
struct IDirectXManager : public IUnknown {
  virtual ~IDirectXManager() = default;

  virtual IDirect3D9* GetDirect3D() = 0;
  virtual IDirect3DDevice9* GetDevice() = 0;
  // Copies the parameters the device was created (and is reset) with.
  virtual HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* parameters) = 0;
  // Depth test and write, alpha test (alpha > 0), alpha blending, no culling
  // or lighting, texture × diffuse on stages 0 and 1, point sampling.
  virtual HRESULT SetDefaultRenderStates() = 0;
  // Resets the device with a back buffer of size[0] × size[1]; the device's
  // result.
  virtual HRESULT ResizeBackBuffer(const INT size[2]) = 0;
  // Resets the device with the stored parameters (after a lost device).
  virtual HRESULT ResetDevice() = 0;
  virtual IDirectSound8* GetDirectSound() = 0;
  virtual IDirectSoundBuffer* GetPrimarySoundBuffer() = 0;
  virtual IDirectInput8A* GetDirectInput() = 0;
  // The system keyboard (foreground, non-exclusive) and mouse; neither is
  // acquired until the key state needs it.
  virtual IDirectInputDevice8A* GetKeyboardDevice() = 0;
  virtual IDirectInputDevice8A* GetMouseDevice() = 0;
};

// Creates the Direct3D device on `window`, the sound object and the input
// devices as `settings` ask. On failure everything made so far is released,
// `*out` is null and the failing step's result is returned (E_FAIL when
// Direct3D is unavailable or the pixel-shader requirement is not met).
HRESULT CreateDirectXManager(IDirectXManager** out, HINSTANCE instance, HWND window,
                             const DirectXManagerSettings* settings);

// Draws the `source` rectangle of level 0 of `texture` (the whole level when
// null) 1:1 with its top-left corner at (x, y) in screen pixels, with the
// device's current states. Returns 0 without drawing for a null texture,
// else 1.
INT DrawTexturedRect(const RECT* source, IDirect3DTexture9* texture, IDirect3DDevice9* device,
                     float x, float y);
