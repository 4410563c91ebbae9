// Direct3D 9 programmable stages as C++ callables.
#include "platform/d3d9/Shader.h"

#include "platform/d3d9/Device.h"

namespace tavorin::d3d9 {

HRESULT CVertexShader::Init(DeviceLinkPtr link, D3DVERTEXSHADERFUNCTION function) {
  m_link = std::move(link);
  m_function = std::move(function);
  return D3D_OK;
}

HRESULT CVertexShader::GetDevice(IDirect3DDevice9** device) {
  return m_link->GetDevice(device);
}

HRESULT CPixelShader::Init(DeviceLinkPtr link, D3DPIXELSHADERFUNCTION function) {
  m_link = std::move(link);
  m_function = std::move(function);
  return D3D_OK;
}

HRESULT CPixelShader::GetDevice(IDirect3DDevice9** device) {
  return m_link->GetDevice(device);
}

}  // namespace tavorin::d3d9

using tavorin::d3d9::CDevice;

HRESULT WINAPI D3DCreateVertexShaderFromFunction(IDirect3DDevice9* device,
                                                 D3DVERTEXSHADERFUNCTION function,
                                                 IDirect3DVertexShader9** shader) {
  if (shader == nullptr) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  auto* owner = dynamic_cast<CDevice*>(device);
  if (owner == nullptr || !function) return D3DERR_INVALIDCALL;
  return tavorin::CreateComObject<tavorin::d3d9::CVertexShader>(shader, owner->Link(),
                                                                std::move(function));
}

HRESULT WINAPI D3DCreatePixelShaderFromFunction(IDirect3DDevice9* device,
                                                D3DPIXELSHADERFUNCTION function,
                                                IDirect3DPixelShader9** shader) {
  if (shader == nullptr) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  auto* owner = dynamic_cast<CDevice*>(device);
  if (owner == nullptr || !function) return D3DERR_INVALIDCALL;
  return tavorin::CreateComObject<tavorin::d3d9::CPixelShader>(shader, owner->Link(),
                                                               std::move(function));
}
