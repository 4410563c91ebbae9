#include "animation/SurfaceTextureRecord.h"

#include <algorithm>
#include <cstring>

#include "animation/SurfaceRunWriter.h"

namespace {

constexpr DWORD kTagName = SurfaceTag("NAME");
constexpr DWORD kTagSize = SurfaceTag("SIZE");
constexpr DWORD kTagPixels = SurfaceTag("TEX ");
// "NAME" header and terminating zero, "SIZE" with its 8 bytes, pixel header.
constexpr ULONGLONG kRecordOverhead = 33;

DWORD SideFor(DWORD width, DWORD height) {
  ULONGLONG longest = std::max(width, height);
  ULONGLONG side = 1;
  while (side < longest) side <<= 1;
  return side > 0xFFFFFFFFull ? 0xFFFFFFFFu : DWORD(side);
}

struct TextureImage {
  DWORD width = 0;
  DWORD height = 0;
  bool sized = false;
};

HRESULT ReadImageSize(SurfaceRunReader& record, DWORD size, IDirect3DDevice9* device,
                      SurfaceTextureEntry& entry, TextureImage& image,
                      tavorin::pack::TextureBudget& budget) {
  if (size < 8) return E_FAIL;
  HRESULT hr = record.ReadDword(&image.width);
  if (SUCCEEDED(hr)) hr = record.ReadDword(&image.height);
  if (SUCCEEDED(hr)) hr = record.Skip(size - 8);
  if (FAILED(hr)) return hr;
  // A texture has no empty side, so the writer never stores one; refusing it
  // also means the pixels that must fit in the record bound the texture.
  if (image.width == 0 || image.height == 0) return E_FAIL;
  if (4ull * image.width * image.height > record.Remaining()) return E_FAIL;
  D3DCAPS9 caps;
  hr = device->GetDeviceCaps(&caps);
  if (FAILED(hr)) return hr;
  DWORD side = SideFor(image.width, image.height);
  if (side > caps.MaxTextureWidth || side > caps.MaxTextureHeight) return E_FAIL;
  if (!budget.Take(tavorin::pack::SquareTextureBytes(side, true))) return E_OUTOFMEMORY;
  IDirect3DTexture9* texture = nullptr;
  hr = device->CreateTexture(side, side, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
  if (FAILED(hr)) return hr;
  entry.SetTexture(texture);
  image.sized = true;
  return S_OK;
}

// Rows go straight from the stream into the locked texture. The pixel
// sub-chunk's declared size (16 bytes a pixel) is not what follows it (4 bytes
// a pixel); files in the field rely on that, so the amount comes from "SIZE".
HRESULT ReadPixels(SurfaceRunReader& record, SurfaceTextureEntry& entry,
                   const TextureImage& image) {
  if (!image.sized) return E_FAIL;
  DWORD rowBytes = 4 * image.width;
  if (ULONGLONG(rowBytes) * image.height > record.Remaining()) return E_FAIL;
  D3DLOCKED_RECT locked;
  HRESULT hr = entry.Texture()->LockRect(0, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* row = static_cast<BYTE*>(locked.pBits);
  size_t stride = size_t(locked.Pitch / 4) * 4;
  for (DWORD y = 0; y < image.height && SUCCEEDED(hr); ++y, row += stride) {
    hr = record.ReadBytes(row, rowBytes);
  }
  entry.Texture()->UnlockRect(0);
  return hr;
}

}  // namespace

HRESULT ReadSurfaceTextureRecord(SurfaceRunReader& record, IDirect3DDevice9* device,
                                 SurfaceTextureEntry& entry, tavorin::pack::TextureBudget& budget) {
  TextureImage image;
  while (!record.AtEnd()) {
    DWORD tag, size;
    HRESULT hr = record.ReadHeader(&tag, &size);
    if (FAILED(hr)) return hr;
    switch (tag) {
      case kTagName: {
        std::string name;
        hr = record.ReadString(&name, size);
        if (SUCCEEDED(hr)) entry.SetName(std::move(name));
        break;
      }
      case kTagSize:
        hr = ReadImageSize(record, size, device, entry, image, budget);
        break;
      case kTagPixels:
        hr = ReadPixels(record, entry, image);
        break;
      default:
        hr = record.Skip(size);
        break;
    }
    if (FAILED(hr)) return hr;
  }
  return image.sized ? S_OK : E_FAIL;
}

HRESULT SerializeSurfaceTextureRecord(const SurfaceTextureEntry& entry, IFileWriter* writer,
                                      DWORD* size) {
  *size = 0;
  IDirect3DTexture9* texture = entry.Texture();
  if (texture == nullptr) return E_FAIL;
  D3DSURFACE_DESC desc;
  HRESULT hr = texture->GetLevelDesc(0, &desc);
  if (FAILED(hr)) return hr;
  const std::string& name = entry.Name();
  ULONGLONG length = name.size() + kRecordOverhead + 4ull * desc.Width * desc.Height;
  if (length > 0xFFFFFFFFull) return E_FAIL;
  if (writer == nullptr) {
    *size = DWORD(length);
    return S_OK;
  }

  D3DLOCKED_RECT locked;
  hr = texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  SurfaceRunWriter out(writer);
  BYTE dimensions[8];
  SurfaceRunWriter::Put(dimensions, desc.Width);
  SurfaceRunWriter::Put(dimensions + 4, desc.Height);
  out.Chunk(kTagName, name.c_str(), DWORD(name.size() + 1));
  out.Chunk(kTagSize, dimensions, 8);
  // Declared as 16 bytes a pixel although 4 follow, as every reader expects.
  out.Header(kTagPixels, DWORD(16ull * desc.Width * desc.Height));
  const BYTE* row = static_cast<const BYTE*>(locked.pBits);
  for (UINT y = 0; y < desc.Height; ++y, row += locked.Pitch) out.Bytes(row, 4 * desc.Width);
  texture->UnlockRect(0);
  *size = DWORD(out.Written());
  return S_OK;
}
