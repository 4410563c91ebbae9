#pragma once

#include <comobject.h>

#include "IDirectXManager.h"

// Owns the DirectX roots; each getter hands out a new reference.
class CDirectXManager : public tavorin::ComObject<IDirectXManager> {
 public:
  // Takes over the reference to `direct3D` (null: Direct3D is unavailable).
  HRESULT Init(IDirect3D9* direct3D, HINSTANCE instance, HWND window,
               const DirectXManagerSettings* settings);

  IDirect3D9* GetDirect3D() override { return Share(m_direct3D); }
  IDirect3DDevice9* GetDevice() override { return Share(m_device); }
  HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT SetDefaultRenderStates() override;
  HRESULT ResizeBackBuffer(const INT size[2]) override;
  HRESULT ResetDevice() override;
  IDirectSound8* GetDirectSound() override { return Share(m_directSound); }
  IDirectSoundBuffer* GetPrimarySoundBuffer() override { return Share(m_primaryBuffer); }
  IDirectInput8A* GetDirectInput() override { return Share(m_directInput); }
  IDirectInputDevice8A* GetKeyboardDevice() override { return Share(m_keyboard); }
  IDirectInputDevice8A* GetMouseDevice() override { return Share(m_mouse); }

 protected:
  ~CDirectXManager() override;

 private:
  template <class Interface>
  static Interface* Share(Interface* object) {
    if (object) object->AddRef();
    return object;
  }

  HRESULT ReadDisplayMode(HWND window, const DirectXManagerSettings& settings);
  HRESULT CreateDevice(HWND window, const DirectXManagerSettings& settings);
  HRESULT CreateSound(HWND window, const DirectXManagerSettings& settings);
  HRESULT CreateInput(HINSTANCE instance, HWND window);

  IDirect3D9* m_direct3D = nullptr;
  IDirect3DDevice9* m_device = nullptr;
  D3DPRESENT_PARAMETERS m_presentParameters{};
  IDirectSound8* m_directSound = nullptr;
  IDirectSoundBuffer* m_primaryBuffer = nullptr;
  IDirectInput8A* m_directInput = nullptr;
  IDirectInputDevice8A* m_keyboard = nullptr;
  IDirectInputDevice8A* m_mouse = nullptr;
};

// CreateDirectXManager over a given Direct3D object, whose reference the
// manager takes over (so tests can hand it an adapter with chosen abilities).
HRESULT CreateDirectXManagerOn(IDirectXManager** out, IDirect3D9* direct3D, HINSTANCE instance,
                               HWND window, const DirectXManagerSettings* settings);
