// D3DX textures from image files: sizing, placement or scaling, colour key
// and mip levels over the CPU Direct3D device.
#include <comobject.h>
#include <d3dx9tex.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3dx9/ImageFile.h"

namespace tavorin::d3dx9 {

namespace {

UINT NextPowerOfTwo(UINT value) {
  UINT result = 1;
  while (result < value && result < (1u << 30)) result <<= 1;
  return result;
}

UINT ChooseSide(UINT requested, UINT imageSide) {
  if (requested == 0 || requested == D3DX_DEFAULT) return NextPowerOfTwo(imageSide);
  if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return imageSide;
  return requested;
}

// Fills `level` (width × height texels, `pitch` bytes a row) from the image:
// placed at the top left with transparent black around it (no filter), or
// scaled to fit (point or bilinear).
void FillLevel(const DecodedImage& image, DWORD filter, BYTE* bits, INT pitch, UINT width,
               UINT height) {
  DWORD kind = filter & 0xFF;
  bool same = width == image.width && height == image.height;
  for (UINT y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<DWORD*>(bits + static_cast<size_t>(y) * pitch);
    for (UINT x = 0; x < width; ++x) {
      if (same || kind == D3DX_FILTER_NONE) {
        row[x] = (x < image.width && y < image.height)
                     ? image.pixels[static_cast<size_t>(y) * image.width + x]
                     : 0;
        continue;
      }
      float fx = (x + 0.5f) * image.width / width, fy = (y + 0.5f) * image.height / height;
      if (kind == D3DX_FILTER_POINT) {
        UINT sx = std::min<UINT>(static_cast<UINT>(fx), image.width - 1);
        UINT sy = std::min<UINT>(static_cast<UINT>(fy), image.height - 1);
        row[x] = image.pixels[static_cast<size_t>(sy) * image.width + sx];
        continue;
      }
      fx -= 0.5f;
      fy -= 0.5f;
      int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
      float wx = fx - x0, wy = fy - y0;
      auto at = [&](int sx, int sy) {
        sx = std::clamp(sx, 0, static_cast<int>(image.width) - 1);
        sy = std::clamp(sy, 0, static_cast<int>(image.height) - 1);
        return image.pixels[static_cast<size_t>(sy) * image.width + sx];
      };
      DWORD c00 = at(x0, y0), c10 = at(x0 + 1, y0), c01 = at(x0, y0 + 1), c11 = at(x0 + 1, y0 + 1);
      DWORD out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        float top = ((c00 >> shift) & 0xFF) * (1 - wx) + ((c10 >> shift) & 0xFF) * wx;
        float bottom = ((c01 >> shift) & 0xFF) * (1 - wx) + ((c11 >> shift) & 0xFF) * wx;
        out |= static_cast<DWORD>(top * (1 - wy) + bottom * wy + 0.5f) << shift;
      }
      row[x] = out;
    }
  }
}

// Each lower level from the one above: a 2 × 2 box, or every other texel
// when mip filtering is off.
void FillLowerLevel(const BYTE* upper, INT upperPitch, UINT upperWidth, UINT upperHeight,
                    BYTE* lower, INT lowerPitch, UINT width, UINT height, bool box) {
  for (UINT y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<DWORD*>(lower + static_cast<size_t>(y) * lowerPitch);
    for (UINT x = 0; x < width; ++x) {
      auto at = [&](UINT sx, UINT sy) {
        sx = std::min(sx, upperWidth - 1);
        sy = std::min(sy, upperHeight - 1);
        return reinterpret_cast<const DWORD*>(upper + static_cast<size_t>(sy) * upperPitch)[sx];
      };
      if (!box) {
        row[x] = at(2 * x, 2 * y);
        continue;
      }
      DWORD c[4] = {at(2 * x, 2 * y), at(2 * x + 1, 2 * y), at(2 * x, 2 * y + 1),
                    at(2 * x + 1, 2 * y + 1)};
      DWORD out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        DWORD sum = 2;
        for (DWORD value : c) sum += (value >> shift) & 0xFF;
        out |= (sum / 4) << shift;
      }
      row[x] = out;
    }
  }
}

D3DXIMAGE_INFO InfoOf(const DecodedImage& image) {
  return D3DXIMAGE_INFO{
      image.width,      image.height,    1, 1, image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8,
      D3DRTYPE_TEXTURE, image.fileFormat};
}

HRESULT FillTexture(IDirect3DTexture9* texture, DecodedImage& image, DWORD filter,
                    DWORD mipFilter) {
  D3DLOCKED_RECT upper{};
  D3DSURFACE_DESC upperDesc{};
  DWORD levels = texture->GetLevelCount();
  for (DWORD level = 0; level < levels; ++level) {
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    HRESULT hr = texture->GetLevelDesc(level, &desc);
    if (SUCCEEDED(hr)) hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) {
      if (level > 0) texture->UnlockRect(level - 1);
      return hr;
    }
    if (level == 0) {
      FillLevel(image, filter, static_cast<BYTE*>(locked.pBits), locked.Pitch, desc.Width,
                desc.Height);
    } else {
      FillLowerLevel(static_cast<const BYTE*>(upper.pBits), upper.Pitch, upperDesc.Width,
                     upperDesc.Height, static_cast<BYTE*>(locked.pBits), locked.Pitch, desc.Width,
                     desc.Height, (mipFilter & 0xFF) != D3DX_FILTER_NONE);
      texture->UnlockRect(level - 1);
    }
    upper = locked;
    upperDesc = desc;
  }
  texture->UnlockRect(levels - 1);
  return D3D_OK;
}

}  // namespace

}  // namespace tavorin::d3dx9

using tavorin::d3dx9::DecodedImage;
using tavorin::d3dx9::DecodeImageFile;

HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR srcFile, D3DXIMAGE_INFO* srcInfo) {
  if (srcFile == nullptr || srcInfo == nullptr) return D3DERR_INVALIDCALL;
  DecodedImage image;
  HRESULT hr = DecodeImageFile(srcFile, &image);
  if (FAILED(hr)) return hr;
  *srcInfo = tavorin::d3dx9::InfoOf(image);
  return D3D_OK;
}

HRESULT WINAPI D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR srcFile, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                            DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture) {
  using namespace tavorin::d3dx9;
  if (texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (device == nullptr || srcFile == nullptr) return D3DERR_INVALIDCALL;
  DecodedImage image;
  HRESULT hr = DecodeImageFile(srcFile, &image);
  if (FAILED(hr)) return hr;

  UINT texWidth = ChooseSide(width, image.width), texHeight = ChooseSide(height, image.height);
  D3DCAPS9 caps{};
  if (SUCCEEDED(device->GetDeviceCaps(&caps))) {
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
      texWidth = NextPowerOfTwo(texWidth);
      texHeight = NextPowerOfTwo(texHeight);
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY)
      texWidth = texHeight = std::max(texWidth, texHeight);
  }
  if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) {
    // The device offers only these two; the closest keeps the image's alpha.
    format = image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  }
  if (mipLevels == D3DX_DEFAULT) mipLevels = 0;
  if (mipLevels == D3DX_FROM_FILE) mipLevels = 1;
  UINT fullChain = 1;
  for (UINT side = std::max(texWidth, texHeight); side > 1; side /= 2) ++fullChain;
  if (mipLevels > fullChain) mipLevels = fullChain;
  if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
  if (mipFilter == D3DX_DEFAULT) mipFilter = D3DX_FILTER_BOX;
  if (colorKey != 0) {
    for (DWORD& pixel : image.pixels) {
      if (pixel == colorKey) pixel = 0;
    }
  }

  tavorin::ComPtr<IDirect3DTexture9> created;
  hr = device->CreateTexture(texWidth, texHeight, mipLevels, usage, format, pool,
                             created.ReleaseAndGetAddressOf(), nullptr);
  if (FAILED(hr)) return hr;
  hr = FillTexture(created.Get(), image, filter, mipFilter);
  if (FAILED(hr)) return hr;
  if (srcInfo != nullptr) *srcInfo = InfoOf(image);
  *texture = created.Detach();
  return D3D_OK;
}

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR srcFile,
                                          IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, srcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                      0, nullptr, nullptr, texture);
}
