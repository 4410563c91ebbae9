#include "tools/scenetool/ToolDevice.h"

#include "tools/scenetool/Failure.h"

namespace scenetool {
namespace {

using tavorin::ComObject;
using tavorin::ComPtr;

class QuietShader : public ComObject<IVeyaShader> {
 public:
  HRESULT Init() { return S_OK; }
  HRESULT Begin(DWORD, DWORD) override { return S_OK; }
  HRESULT BeginEdge(DWORD) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetMaterial(const SurfaceRenderParameters*, DWORD) override { return S_OK; }
  HRESULT SetMatrix(SHORT, const D3DXMATRIX*) override { return S_OK; }
  HRESULT SetMorphWeights(const FLOAT*, const FLOAT*, const FLOAT*) override { return S_OK; }
  HRESULT SetEdge(FLOAT, const SurfaceEdgeParameters*) override { return S_OK; }
};

const char kWindowClass[] = "scenetool";

}  // namespace

ToolDevice::ToolDevice() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  m_window = CreateWindowExA(0, kWindowClass, "scenetool", 0, 0, 0, 64, 64, nullptr, nullptr,
                             nullptr, nullptr);
  if (m_window == nullptr) throw Failure("no window for the Direct3D device");
  ComPtr<IDirect3D9> direct3D(Direct3DCreate9(D3D_SDK_VERSION));
  if (!direct3D) throw Failure("Direct3D is not available");
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = 64;
  parameters.BackBufferHeight = 64;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.hDeviceWindow = m_window;
  parameters.Windowed = TRUE;
  if (FAILED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                    m_device.ReleaseAndGetAddressOf()))) {
    DestroyWindow(m_window);
    throw Failure("no Direct3D device could be made");
  }
  IVeyaShader* shader = nullptr;
  if (FAILED(tavorin::CreateComObject<QuietShader>(&shader))) {
    m_device.Reset();
    DestroyWindow(m_window);
    throw Failure("out of memory");
  }
  m_shader = ComPtr<IVeyaShader>(shader);
}

ToolDevice::~ToolDevice() {
  m_shader.Reset();
  m_device.Reset();
  DestroyWindow(m_window);
}

}  // namespace scenetool
