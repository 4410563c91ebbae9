// Direct3D 9 programmable stages as C++ callables.
#pragma once

#include <d3d9_shader_ext.h>

#include "platform/d3d9/Resource.h"

namespace tavorin::d3d9 {

class CVertexShader : public ComObject<IDirect3DVertexShader9> {
 public:
  HRESULT Init(DeviceLinkPtr link, D3DVERTEXSHADERFUNCTION function);
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;

  const D3DVERTEXSHADERFUNCTION& Function() const { return m_function; }
  const DeviceLinkPtr& Link() const { return m_link; }

 private:
  DeviceLinkPtr m_link;
  D3DVERTEXSHADERFUNCTION m_function;
};

class CPixelShader : public ComObject<IDirect3DPixelShader9> {
 public:
  HRESULT Init(DeviceLinkPtr link, D3DPIXELSHADERFUNCTION function);
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;

  const D3DPIXELSHADERFUNCTION& Function() const { return m_function; }
  const DeviceLinkPtr& Link() const { return m_link; }

 private:
  DeviceLinkPtr m_link;
  D3DPIXELSHADERFUNCTION m_function;
};

}  // namespace tavorin::d3d9
