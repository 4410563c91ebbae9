// The sample materials: skin, cloth with two textures it switches between,
// eyes and mouth, each with a small texture written as an image file and
// loaded the way a scene author's tool would.
#include <cstdio>
#include <fstream>

#include "tools/scenetool/Failure.h"
#include "tools/scenetool/SampleParts.h"

namespace scenetool {
namespace {

constexpr int kTextureSide = 4;

void PutLe(std::vector<uint8_t>& bytes, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

// A 4 × 4 24-bit image: a checker of `color` and its half-bright shade.
void WriteCheckerImage(const std::filesystem::path& path, uint32_t color) {
  const uint32_t rowBytes = kTextureSide * 3;  // already a multiple of 4
  const uint32_t pixelBytes = rowBytes * kTextureSide;
  std::vector<uint8_t> bytes{'B', 'M'};
  PutLe(bytes, 54 + pixelBytes, 4);
  PutLe(bytes, 0, 4);
  PutLe(bytes, 54, 4);
  PutLe(bytes, 40, 4);
  PutLe(bytes, kTextureSide, 4);
  PutLe(bytes, kTextureSide, 4);
  PutLe(bytes, 1, 2);
  PutLe(bytes, 24, 2);
  PutLe(bytes, 0, 4);
  PutLe(bytes, pixelBytes, 4);
  PutLe(bytes, 2835, 4);
  PutLe(bytes, 2835, 4);
  PutLe(bytes, 0, 4);
  PutLe(bytes, 0, 4);
  for (int y = 0; y < kTextureSide; ++y) {
    for (int x = 0; x < kTextureSide; ++x) {
      const uint32_t shade = (x + y) % 2 == 0 ? color : (color >> 1) & 0x7F7F7F;
      PutLe(bytes, shade, 3);  // blue, green, red
    }
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file) throw Failure("cannot write the texture image " + path.string());
}

void Check(HRESULT hr, const std::string& what) {
  if (FAILED(hr)) throw Failure("building the sample scene: " + what + " failed");
}

void AddTexture(IVeyaSurface* surface, const std::filesystem::path& scratch, const char* name,
                uint32_t color) {
  const std::filesystem::path path = scratch / name;
  WriteCheckerImage(path, color);
  Check(surface->AddTextureFromFile(path.string().c_str()), std::string("loading ") + name);
}

// A colour channel moving from `from` to `to` at frame 60 and back by 120.
void KeyFade(CurveTrack* track, float from, float to) {
  track->keyCount = 3;
  track->keys.reset(new CurveKey[3]{{from, 0, kCurveShapeLinear, {0, 0, 0, 0, 0, 0}},
                                    {to, 60, kCurveShapeHermite, {0, 0, 0, 0, 0, 0}},
                                    {from, 120, kCurveShapeTcb, {0, 0, 0, 0, 0, 0}}});
}

ComPtr<IVeyaSurface> MakeSurface(IDirect3DDevice9* device, WORD index, const char* name) {
  ComPtr<IVeyaSurface> surface;
  Check(CreateSurface(surface.ReleaseAndGetAddressOf(), nullptr, device, index, 0, nullptr),
        std::string("the surface ") + name);
  surface->SetName(name);
  surface->SetDiffuse(0.9f);
  surface->SetSpecular(0.2f);
  surface->SetPower(16.0f);
  surface->SetZEnable(1);
  surface->SetZWrite(1);
  return surface;
}

}  // namespace

std::vector<ComPtr<IVeyaSurface>> MakeSampleSurfaces(IDirect3DDevice9* device,
                                                     const std::filesystem::path& scratch) {
  std::vector<ComPtr<IVeyaSurface>> surfaces;
  ComPtr<IVeyaSurface> skin = MakeSurface(device, kSkin, "skin");
  skin->SetColorRed(1.0f);
  skin->SetColorGreen(0.85f);
  skin->SetColorBlue(0.75f);
  AddTexture(skin.Get(), scratch, "skin.bmp", 0xF0D0C0);
  skin->SetTextureIndex(0);
  // The skin blushes halfway through.
  skin->SetColorAnimated(1);
  KeyFade(skin->GetColorRedTrack(), 1.0f, 1.0f);
  KeyFade(skin->GetColorGreenTrack(), 0.85f, 0.6f);
  KeyFade(skin->GetColorBlueTrack(), 0.75f, 0.6f);
  surfaces.push_back(std::move(skin));

  ComPtr<IVeyaSurface> cloth = MakeSurface(device, kCloth, "cloth");
  cloth->SetColorRed(0.3f);
  cloth->SetColorGreen(0.4f);
  cloth->SetColorBlue(0.8f);
  cloth->SetEdgeSize(1.5f);
  cloth->SetEdgeColor(0, 0, 0, 1);
  AddTexture(cloth.Get(), scratch, "cloth-plain.bmp", 0x4060C0);
  AddTexture(cloth.Get(), scratch, "cloth-stripes.bmp", 0xC06040);
  // The cloth changes pattern at frame 40 and back at 100.
  cloth->SetTextureIndex(0);
  cloth->SetTextureAnimated(1);
  IndexTrack* pattern = cloth->GetTextureIndexTrack();
  pattern->keyCount = 3;
  pattern->keys.reset(new IndexKey[3]{
      {0, 0, kInterpolationHold}, {40, 1, kInterpolationHold}, {100, 0, kInterpolationHold}});
  surfaces.push_back(std::move(cloth));

  ComPtr<IVeyaSurface> eyes = MakeSurface(device, kEyes, "eyes");
  AddTexture(eyes.Get(), scratch, "eyes.bmp", 0x202020);
  eyes->SetTextureIndex(0);
  surfaces.push_back(std::move(eyes));

  ComPtr<IVeyaSurface> mouth = MakeSurface(device, kMouth, "mouth");
  mouth->SetColorRed(0.8f);
  mouth->SetColorGreen(0.3f);
  mouth->SetColorBlue(0.3f);
  mouth->SetDoubleSided(1);
  AddTexture(mouth.Get(), scratch, "mouth.bmp", 0xC04040);
  mouth->SetTextureIndex(0);
  surfaces.push_back(std::move(mouth));
  return surfaces;
}

}  // namespace scenetool
