#include "graphics/DirectXManager.h"

#include <new>

#include "graphics/MultiSample.h"

HRESULT CreateDirectXManager(IDirectXManager** out, HINSTANCE instance, HWND window,
                             const DirectXManagerSettings* settings) {
  if (out) *out = nullptr;
  if (settings == nullptr) return E_INVALIDARG;
  return CreateDirectXManagerOn(out, Direct3DCreate9(D3D_SDK_VERSION), instance, window, settings);
}

HRESULT CreateDirectXManagerOn(IDirectXManager** out, IDirect3D9* direct3D, HINSTANCE instance,
                               HWND window, const DirectXManagerSettings* settings) {
  if (out) *out = nullptr;
  auto* manager = new (std::nothrow) CDirectXManager();
  if (out == nullptr || manager == nullptr) {
    if (direct3D) direct3D->Release();
    if (manager) manager->Release();
    return out ? E_OUTOFMEMORY : E_POINTER;
  }
  HRESULT hr = manager->Init(direct3D, instance, window, settings);
  if (FAILED(hr)) {
    manager->Release();
    return hr;
  }
  *out = manager;
  return S_OK;
}

HRESULT CDirectXManager::Init(IDirect3D9* direct3D, HINSTANCE instance, HWND window,
                              const DirectXManagerSettings* settings) {
  m_direct3D = direct3D;
  if (m_direct3D == nullptr) return E_FAIL;
  if (settings == nullptr) return E_INVALIDARG;
  HRESULT hr = ReadDisplayMode(window, *settings);
  if (SUCCEEDED(hr)) hr = CreateDevice(window, *settings);
  if (SUCCEEDED(hr)) hr = CreateSound(window, *settings);
  if (SUCCEEDED(hr)) hr = CreateInput(instance, window);
  return hr;
}

CDirectXManager::~CDirectXManager() {
  if (m_device) m_device->Release();
  if (m_direct3D) m_direct3D->Release();
  if (m_primaryBuffer) m_primaryBuffer->Release();
  if (m_directSound) m_directSound->Release();
  if (m_keyboard) m_keyboard->Release();
  if (m_mouse) m_mouse->Release();
  if (m_directInput) m_directInput->Release();
}

HRESULT CDirectXManager::ReadDisplayMode(HWND window, const DirectXManagerSettings& settings) {
  D3DDISPLAYMODE mode{};
  HRESULT hr = m_direct3D->GetAdapterDisplayMode(settings.adapter, &mode);
  if (FAILED(hr)) return hr;

  D3DPRESENT_PARAMETERS& parameters = m_presentParameters;
  parameters = D3DPRESENT_PARAMETERS{};
  parameters.BackBufferWidth = static_cast<UINT>(settings.width);
  parameters.BackBufferHeight = static_cast<UINT>(settings.height);
  parameters.BackBufferFormat = mode.Format;
  parameters.BackBufferCount = 1;
  MultiSampleChoice multiSample =
      ChooseMultiSample(m_direct3D, settings.adapter, mode.Format, settings.multisample);
  parameters.MultiSampleType = multiSample.type;
  parameters.MultiSampleQuality = multiSample.quality;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.hDeviceWindow = window;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = settings.autoDepthStencil;
  parameters.AutoDepthStencilFormat = D3DFMT_D16;
  return S_OK;
}

HRESULT CDirectXManager::CreateDevice(HWND window, const DirectXManagerSettings& settings) {
  D3DCAPS9 caps{};
  HRESULT hr = m_direct3D->GetDeviceCaps(settings.adapter, D3DDEVTYPE_HAL, &caps);
  if (FAILED(hr)) return hr;
  if (caps.PixelShaderVersion < settings.minPixelShaderVersion) return E_FAIL;

  // A vertex-shader requirement the hardware misses is met by software
  // vertex processing rather than refused.
  bool hardwareVertices = caps.VertexShaderVersion >= settings.minVertexShaderVersion &&
                          caps.MaxVertexShaderConst >= settings.minVertexShaderConstants;
  if (hardwareVertices) {
    D3DPRESENT_PARAMETERS parameters = m_presentParameters;
    hr = m_direct3D->CreateDevice(settings.adapter, D3DDEVTYPE_HAL, window,
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &m_device);
    if (SUCCEEDED(hr)) return hr;
  }
  D3DPRESENT_PARAMETERS parameters = m_presentParameters;
  return m_direct3D->CreateDevice(settings.adapter, D3DDEVTYPE_HAL, window,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &m_device);
}

HRESULT CDirectXManager::CreateSound(HWND window, const DirectXManagerSettings& settings) {
  HRESULT hr = DirectSoundCreate8(&settings.soundDevice, &m_directSound, nullptr);
  if (FAILED(hr)) return hr;
  hr = m_directSound->SetCooperativeLevel(window, DSSCL_PRIORITY);
  if (FAILED(hr)) return hr;
  DSBUFFERDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
  return m_directSound->CreateSoundBuffer(&description, &m_primaryBuffer, nullptr);
}

HRESULT CDirectXManager::CreateInput(HINSTANCE instance, HWND window) {
  HRESULT hr = DirectInput8Create(instance, 0x0800, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&m_directInput), nullptr);
  if (FAILED(hr)) return hr;

  hr = m_directInput->CreateDevice(GUID_SysKeyboard, &m_keyboard, nullptr);
  if (SUCCEEDED(hr)) hr = m_keyboard->SetDataFormat(&c_dfDIKeyboard);
  if (SUCCEEDED(hr)) {
    hr = m_keyboard->SetCooperativeLevel(window, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE);
  }
  if (FAILED(hr)) return hr;

  // The mouse keeps DirectInput's default cooperative level.
  hr = m_directInput->CreateDevice(GUID_SysMouse, &m_mouse, nullptr);
  if (SUCCEEDED(hr)) hr = m_mouse->SetDataFormat(&c_dfDIMouse2);
  return hr;
}

HRESULT CDirectXManager::GetPresentParameters(D3DPRESENT_PARAMETERS* parameters) {
  if (parameters == nullptr) return E_POINTER;
  *parameters = m_presentParameters;
  return S_OK;
}

HRESULT CDirectXManager::ResizeBackBuffer(const INT size[2]) {
  if (size == nullptr) return E_POINTER;
  m_presentParameters.BackBufferWidth = static_cast<UINT>(size[0]);
  m_presentParameters.BackBufferHeight = static_cast<UINT>(size[1]);
  return ResetDevice();
}

HRESULT CDirectXManager::ResetDevice() {
  if (m_device == nullptr) return E_FAIL;
  D3DPRESENT_PARAMETERS parameters = m_presentParameters;
  return m_device->Reset(&parameters);
}
