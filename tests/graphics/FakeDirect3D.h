#pragma once

#include <d3d9.h>
#include <gmock/gmock.h>

#include <comobject.h>

// An adapter whose answers a test chooses, forwarding device creation to the
// real CPU device so a manager built on it works end to end.
class FakeDirect3D : public tavorin::ComObject<IDirect3D9> {
 public:
  FakeDirect3D() { m_real = Direct3DCreate9(D3D_SDK_VERSION); }

  MOCK_METHOD(UINT, GetAdapterCount, (), (override));
  MOCK_METHOD(HRESULT, GetAdapterDisplayMode, (UINT, D3DDISPLAYMODE*), (override));
  MOCK_METHOD(HRESULT, CheckDeviceType, (UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL), (override));
  MOCK_METHOD(HRESULT, CheckDeviceMultiSampleType,
              (UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE, DWORD*), (override));
  MOCK_METHOD(HRESULT, GetDeviceCaps, (UINT, D3DDEVTYPE, D3DCAPS9*), (override));
  MOCK_METHOD(HRESULT, CreateDevice,
              (UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice9**),
              (override));

  IDirect3D9* real() const { return m_real; }

 protected:
  ~FakeDirect3D() override {
    if (m_real) m_real->Release();
  }

 private:
  IDirect3D9* m_real = nullptr;
};
