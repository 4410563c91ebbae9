// What every scene needs before it can exist: a Direct3D device and a shading
// service. The tool draws nothing, so the device sits on a hidden window and
// the shading service ignores every call.
#pragma once

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaShader.h"

namespace scenetool {

class ToolDevice {
 public:
  // Throws Failure when no device can be made.
  ToolDevice();
  ~ToolDevice();
  ToolDevice(const ToolDevice&) = delete;
  ToolDevice& operator=(const ToolDevice&) = delete;

  IDirect3DDevice9* Device() const { return m_device.Get(); }
  IVeyaShader* Shader() const { return m_shader.Get(); }

 private:
  HWND m_window = nullptr;
  tavorin::ComPtr<IDirect3DDevice9> m_device;
  tavorin::ComPtr<IVeyaShader> m_shader;
};

}  // namespace scenetool
