// Feeds arbitrary bytes to the raw texture loader on a headless device and
// checks what it accepts: a square power-of-two texture that holds the image.
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include <comobject.h>
#include <d3d9.h>

#include "pack/RawTexture.h"

namespace {

IDirect3DDevice9* Device() {
  static IDirect3DDevice9* device = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "RawTextureFuzzer";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "RawTextureFuzzer", "fuzz", 0, 0, 0, 16, 16, nullptr, nullptr,
                                  nullptr, nullptr);
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 16;
    parameters.BackBufferHeight = 16;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    IDirect3DDevice9* made = nullptr;
    if (FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &made))) {
      std::abort();
    }
    direct3D->Release();
    return made;
  }();
  return device;
}

int MemoryFile() {
  static int fd = memfd_create("fuzz.tex", 0);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = MemoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  IDirect3DTexture9* texture = nullptr;
  INT imageSize[2] = {-1, -1};
  if (FAILED(tavorin::pack::LoadRawTexture(Device(), path.c_str(), nullptr, &texture, imageSize))) {
    if (texture != nullptr) __builtin_trap();
    return 0;
  }
  D3DSURFACE_DESC description{};
  texture->GetLevelDesc(0, &description);
  UINT width = UINT(imageSize[0]), height = UINT(imageSize[1]);
  if (imageSize[0] <= 0 || imageSize[1] <= 0 || description.Width != description.Height ||
      (description.Width & (description.Width - 1)) != 0 || width > description.Width ||
      height > description.Height || 12 + size_t{width} * height * 4 > size) {
    __builtin_trap();
  }
  // The image's last pixel is the file's.
  D3DLOCKED_RECT locked{};
  texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
  const BYTE* last =
      static_cast<const BYTE*>(locked.pBits) + (height - 1) * locked.Pitch + (width - 1) * 4;
  if (std::memcmp(last, data + 12 + (size_t{height} * width - 1) * 4, 4) != 0) __builtin_trap();
  texture->UnlockRect(0);
  texture->Release();
  return 0;
}
