// Feeds arbitrary bytes to the "SURF" payload reader on a headless device and
// checks its promises: the consumed count stays within the payload and covers
// it on success, a failure leaves no object, and what is written back reads
// again to the same bytes.

#include <cstdlib>

#include <d3d9.h>

#include "IVeyaSurface.h"
#include "fuzz/animation/TrackFuzzSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::fuzz::Check;

IDirect3DDevice9* MakeDevice() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "SurfacePayloadFuzzer";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "SurfacePayloadFuzzer", "fuzz", WS_OVERLAPPEDWINDOW, 0, 0, 16,
                                16, nullptr, nullptr, nullptr, nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  Check(window != nullptr && d3d != nullptr);
  D3DPRESENT_PARAMETERS params = {};
  params.Windowed = TRUE;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.hDeviceWindow = window;
  IDirect3DDevice9* device = nullptr;
  Check(SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device)));
  return device;
}

std::vector<BYTE> Rewrite(IVeyaSurface* surface) {
  return tavorin::fuzz::CheckedWrite([&](IFileWriter* writer, DWORD* size) {
    Check(SUCCEEDED(surface->Serialize(writer, size)));
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static IDirect3DDevice9* device = MakeDevice();
  tavorin::fuzz::FuzzRun run = tavorin::fuzz::OpenRun(data, size);
  if (!run.reader) return 0;

  IVeyaSurface* raw = reinterpret_cast<IVeyaSurface*>(1);
  DWORD consumed = 0;
  HRESULT hr = CreateSurface(&raw, run.reader.Get(), device, 0, run.length, &consumed);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(raw == nullptr);
    return 0;
  }
  Check(consumed == run.length);
  ComPtr<IVeyaSurface> surface(raw);
  for (LONG frame : {LONG(0x80000000), -100, 0, 7, 1000000}) surface->Evaluate(frame);
  SurfaceRenderParameters render;
  surface->GetRenderParameters(&render);

  std::vector<BYTE> bytes = Rewrite(surface.Get());
  IVeyaSurface* again = nullptr;
  DWORD againConsumed = 0;
  Check(CreateSurface(&again, tavorin::fuzz::ReaderOver(bytes).Get(), device, 0,
                      DWORD(bytes.size()), &againConsumed) == S_OK);
  Check(againConsumed == bytes.size());
  ComPtr<IVeyaSurface> copy(again);
  Check(Rewrite(copy.Get()) == bytes);
  return 0;
}
