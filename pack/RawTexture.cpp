#include "pack/RawTexture.h"

#include <algorithm>

#include <IFileReader.h>
#include <comobject.h>

#include "pack/LittleEndian.h"
#include "pack/TextureBudget.h"

namespace tavorin::pack {
namespace {

constexpr DWORD kTagTeev = MakeTag("TEEV");
constexpr DWORD kRawTextureBuffer = 65536;
constexpr DWORD kRawHeaderSize = 12;
// The largest side the doubling search can reach without overflowing.
constexpr INT kMaxRawSide = 1 << 30;

// Bytes from the reader's position to the end of its stream, the position
// kept.
ULONGLONG BytesLeft(IFileReader* reader) {
  ULONGLONG here = reader->Tell64();
  LONGLONG end = reader->Seek64(0, FILE_END);
  reader->Seek64(static_cast<LONGLONG>(here), FILE_BEGIN);
  return end > 0 && static_cast<ULONGLONG>(end) > here ? static_cast<ULONGLONG>(end) - here : 0;
}

HRESULT ReadHeader(IFileReader* reader, INT* width, INT* height) {
  BYTE header[kRawHeaderSize];
  if (FAILED(reader->Prefetch(4)) || reader->Read(header, 4) != 4 || LoadLe32(header) != kTagTeev) {
    return E_ACCESSDENIED;
  }
  if (FAILED(reader->Prefetch(8)) || reader->Read(header + 4, 8) != 8) return E_ACCESSDENIED;
  *width = static_cast<INT>(LoadLe32(header + 4));
  *height = static_cast<INT>(LoadLe32(header + 8));
  // Sizes of 0 or less describe no image; sides past 2^30 cannot be
  // rounded up to a power of two.
  if (*width <= 0 || *height <= 0 || *width > kMaxRawSide || *height > kMaxRawSide) {
    return E_ACCESSDENIED;
  }
  return S_OK;
}

HRESULT ReadPixels(IFileReader* reader, IDirect3DTexture9* texture, INT width, INT height) {
  D3DLOCKED_RECT locked{};
  HRESULT hr = texture->LockRect(0, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  const DWORD rowBytes = static_cast<DWORD>(width) * 4;
  // The announcement may exceed 32 bits on paper; the rows are read in any
  // case, buffer-load by buffer-load.
  ULONGLONG total = ULONGLONG{rowBytes} * static_cast<ULONGLONG>(height);
  reader->Prefetch(static_cast<DWORD>(std::min<ULONGLONG>(total, 0xFFFFFFFF)));
  for (INT y = 0; y < height && SUCCEEDED(hr); ++y) {
    BYTE* row = static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
    if (reader->Read(row, rowBytes) != rowBytes) hr = E_FAIL;
  }
  texture->UnlockRect(0);
  return hr;
}

}  // namespace

HRESULT LoadRawTexture(IDirect3DDevice9* device, const char* name, IReadAccesser* stream,
                       IDirect3DTexture9** out, INT size[2]) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (device == nullptr || (name == nullptr && stream == nullptr)) return E_INVALIDARG;
  ComPtr<IFileReader> reader;
  HRESULT hr = CreateFileReader(reader.ReleaseAndGetAddressOf(), stream ? nullptr : name, stream,
                                kRawTextureBuffer);
  if (FAILED(hr)) return hr;
  INT width = 0, height = 0;
  hr = ReadHeader(reader.Get(), &width, &height);
  if (FAILED(hr)) return hr;
  // A truncated file is refused before a texture is made for it, so a
  // forged header cannot ask for more memory than the file could fill.
  if (BytesLeft(reader.Get()) < ULONGLONG{4} * static_cast<ULONGLONG>(width) * height) {
    return E_FAIL;
  }
  INT side = 1;
  while (side < std::max(width, height)) side *= 2;
  if (!TextureBudget().Take(SquareTextureBytes(static_cast<ULONGLONG>(side), false))) {
    return E_OUTOFMEMORY;
  }

  ComPtr<IDirect3DTexture9> texture;
  hr =
      device->CreateTexture(static_cast<UINT>(side), static_cast<UINT>(side), 1, 0, D3DFMT_A8R8G8B8,
                            D3DPOOL_MANAGED, texture.ReleaseAndGetAddressOf(), nullptr);
  if (FAILED(hr)) return hr;
  hr = ReadPixels(reader.Get(), texture.Get(), width, height);
  if (FAILED(hr)) return hr;
  if (size) {
    size[0] = width;
    size[1] = height;
  }
  *out = texture.Detach();
  return S_OK;
}

}  // namespace tavorin::pack
