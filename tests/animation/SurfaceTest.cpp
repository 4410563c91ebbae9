// The surface object: creation, evaluation, render records and textures
// taken from image files.

#include <gtest/gtest.h>

#include "support/HeadlessDevice.h"

#include <cstring>
#include <string>
#include <vector>

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaSurface.h"
#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::TempDir;


// A 24-bit bottom-up BMP of one colour.
std::vector<uint8_t> BmpFile(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
  int rowBytes = (3 * width + 3) & ~3;
  uint32_t imageBytes = uint32_t(rowBytes * height);
  std::vector<uint8_t> file;
  auto u16 = [&](uint32_t v) {
    file.push_back(uint8_t(v));
    file.push_back(uint8_t(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  file.push_back('B');
  file.push_back('M');
  u32(54 + imageBytes);
  u32(0);
  u32(54);
  u32(40);
  u32(uint32_t(width));
  u32(uint32_t(height));
  u16(1);
  u16(24);
  u32(0);
  u32(imageBytes);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      file.push_back(blue);
      file.push_back(green);
      file.push_back(red);
    }
    for (int pad = 3 * width; pad < rowBytes; ++pad) file.push_back(0);
  }
  return file;
}

void SetConstant(CurveTrack* track, float value) {
  track->keyCount = 1;
  track->keys = std::make_unique<CurveKey[]>(1);
  track->keys[0] = CurveKey{value, 0, kCurveShapeLinear, {0, 0, 0, 0, 0, 0}};
}

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(m_device.Get(), nullptr) << "no headless device";
    ASSERT_EQ(
        CreateSurface(m_surface.ReleaseAndGetAddressOf(), nullptr, m_device.Get(), 5, 0, nullptr),
        S_OK);
  }

  SurfaceRenderParameters Render() {
    SurfaceRenderParameters render;
    std::memset(&render, 0xCC, sizeof(render));
    EXPECT_EQ(m_surface->GetRenderParameters(&render), &render);
    return render;
  }

  TempDir m_dir;
  tavorin::test::HeadlessDevice m_device;
  ComPtr<IVeyaSurface> m_surface;
};

TEST(SurfaceCreation, RequiresADeviceAndLeavesTheOutPointerNullOnFailure) {
  IVeyaSurface* surface = reinterpret_cast<IVeyaSurface*>(1);
  DWORD consumed = 99;
  EXPECT_EQ(CreateSurface(&surface, nullptr, nullptr, 0, 0, &consumed), E_INVALIDARG);
  EXPECT_EQ(surface, nullptr);
  EXPECT_EQ(consumed, 0u);
  EXPECT_EQ(CreateSurface(nullptr, nullptr, nullptr, 0, 0, nullptr), E_POINTER);
}

TEST_F(SurfaceTest, AnswersItsIdentifiersAndStartsWithTheDefaults) {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(m_surface->QueryInterface(IID_IUnknown,
                                      reinterpret_cast<void**>(unknown.ReleaseAndGetAddressOf())),
            S_OK);
  ComPtr<IVeyaSurface> again;
  EXPECT_EQ(m_surface->QueryInterface(IID_IVeyaSurface,
                                      reinterpret_cast<void**>(again.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(again.Get(), m_surface.Get());
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(m_surface->QueryInterface(IID_IFileReader, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);

  EXPECT_EQ(m_surface->GetIndex(), 5);
  EXPECT_STREQ(m_surface->GetName(), "");
  EXPECT_EQ(m_surface->GetColorRedTrack()->preBehavior, kBehaviorRepeat);
  EXPECT_EQ(m_surface->GetPowerTrack()->postBehavior, kBehaviorRepeat);
  EXPECT_EQ(m_surface->GetTextureAnimated(), 0);
  SurfaceRenderParameters render = Render();
  EXPECT_EQ(render.surfaceType, 1u);
  EXPECT_EQ(render.red * render.green * render.blue * render.extra, 1.0f);
  EXPECT_EQ(render.reserved, 0.0f);
  EXPECT_EQ(render.texture, nullptr);
  EXPECT_EQ(render.toonTexture, nullptr);
  SurfaceEdgeParameters edge;
  ASSERT_EQ(m_surface->GetEdgeParameters(&edge), &edge);
  EXPECT_EQ(edge.red + edge.green + edge.blue, 0.0f);
  EXPECT_EQ(edge.alpha, 1.0f);
  EXPECT_EQ(edge.zEnable, 1u);
  EXPECT_EQ(m_surface->GetRenderParameters(nullptr), nullptr);
  EXPECT_EQ(m_surface->GetEdgeColor(nullptr), E_POINTER);

  EXPECT_EQ(m_surface->SetName("lips"), S_OK);
  EXPECT_STREQ(m_surface->GetName(), "lips");
  EXPECT_EQ(m_surface->SetName(nullptr), S_OK);
  EXPECT_STREQ(m_surface->GetName(), "");
}

TEST_F(SurfaceTest, EvaluateClampsAnimatedValuesOnlyWhenTheFlagIsOne) {
  m_surface->SetColorAnimated(1);
  SetConstant(m_surface->GetColorRedTrack(), 1.7f);
  SetConstant(m_surface->GetColorGreenTrack(), -0.2f);
  m_surface->SetColorBlue(0.5f);  // no keys: the base value, clamped
  EXPECT_EQ(m_surface->Evaluate(3), S_OK);
  SurfaceRenderParameters render = Render();
  EXPECT_EQ(render.red, 1.0f);
  EXPECT_EQ(render.green, 0.0f);
  EXPECT_EQ(render.blue, 0.5f);

  // A flag of 2 still makes the record read the current values, but Evaluate
  // leaves them where the last evaluation put them.
  m_surface->SetColorAnimated(2);
  SetConstant(m_surface->GetColorRedTrack(), 0.25f);
  m_surface->Evaluate(4);
  EXPECT_EQ(Render().red, 1.0f);

  m_surface->SetEmissiveAnimated(1);
  SetConstant(m_surface->GetEmissiveTrack(), 0.75f);
  m_surface->SetSpecularAnimated(1);
  SetConstant(m_surface->GetSpecularTrack(), 3.0f);
  m_surface->SetExtraAnimated(1);
  SetConstant(m_surface->GetExtraTrack(), 0.125f);
  m_surface->Evaluate(0);
  render = Render();
  EXPECT_EQ(render.emissive, 0.75f);
  EXPECT_EQ(render.specular, 1.0f);
  EXPECT_EQ(render.extra, 0.125f);

  m_surface->SetEmissiveAnimated(0);
  m_surface->SetEmissive(0.3f);
  EXPECT_EQ(Render().emissive, 0.3f);  // flag off: the base value
}

TEST_F(SurfaceTest, PowerTrackMapsItsValueOntoFourTo4096) {
  m_surface->SetPower(20.0f);
  m_surface->SetPowerAnimated(1);
  struct Case {
    float value;
    float power;
  } cases[] = {{0.5f, 128.0f},  {0.0f, 4.0f},   {-0.5f, 4.0f}, {1.0f, 4096.0f},
               {3.0f, 4096.0f}, {-1.0f, 20.0f}, {-7.0f, 20.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    SetConstant(m_surface->GetPowerTrack(), c.value);
    m_surface->Evaluate(0);
    EXPECT_FLOAT_EQ(Render().power, c.power);
  }
  m_surface->GetPowerTrack()->keys.reset();
  m_surface->GetPowerTrack()->keyCount = 0;
  m_surface->Evaluate(0);
  EXPECT_EQ(Render().power, 20.0f);
  EXPECT_EQ(m_surface->GetPower(), 20.0f);
}

TEST_F(SurfaceTest, RenderColourIsColourTimesDiffuse) {
  m_surface->SetColorRed(1.0f);
  m_surface->SetColorGreen(0.5f);
  m_surface->SetColorBlue(0.25f);
  m_surface->SetDiffuse(0.5f);
  m_surface->SetBlendMode(3);
  m_surface->SetDoubleSided(1);
  m_surface->SetZWrite(0);
  SurfaceRenderParameters render = Render();
  EXPECT_EQ(render.red, 0.5f);
  EXPECT_EQ(render.green, 0.25f);
  EXPECT_EQ(render.blue, 0.125f);
  EXPECT_EQ(render.blendMode, 3u);
  EXPECT_EQ(render.doubleSided, 1u);
  EXPECT_EQ(render.zWrite, 0u);

  m_surface->SetEdgeColor(0.1f, 0.2f, 0.3f, 0.4f);
  m_surface->SetEdgeSize(1.5f);
  SurfaceEdgeParameters edge;
  m_surface->GetEdgeParameters(&edge);
  EXPECT_EQ(edge.green, 0.2f);
  EXPECT_EQ(edge.alpha, 0.4f);
  EXPECT_EQ(edge.edgeSize, 1.5f);
  EXPECT_EQ(edge.zWrite, 0u);
}

TEST_F(SurfaceTest, TexturesFromFilesAreNamedAddedRemovedAndPicked) {
  std::string red = m_dir.Write("maps/red.bmp", BmpFile(100, 60, 255, 0, 0));
  std::string green = m_dir.Write("maps/green.bmp", BmpFile(4, 4, 0, 255, 0));
  std::string blue = m_dir.Write("maps/blue.bmp", BmpFile(2, 2, 0, 0, 255));

  EXPECT_EQ(m_surface->AddTextureFromFile(red.c_str()), S_OK);
  EXPECT_EQ(m_surface->AddTextureFromFile(green.c_str()), S_OK);
  EXPECT_EQ(m_surface->AddTextureFromFile(blue.c_str()), S_OK);
  EXPECT_TRUE(FAILED(m_surface->AddTextureFromFile(m_dir.File("missing.bmp").c_str())));
  ASSERT_EQ(m_surface->GetTextureCount(), 3);
  EXPECT_STREQ(m_surface->GetTexture(0)->name, "red.bmp");
  D3DSURFACE_DESC desc = {};
  ASSERT_EQ(m_surface->GetTexture(0)->texture->GetLevelDesc(0, &desc), S_OK);
  EXPECT_EQ(desc.Width, 128u);  // the file's size rounded up to powers of two
  EXPECT_EQ(desc.Height, 64u);
  EXPECT_EQ(m_surface->GetTexture(0)->texture->GetLevelCount(), 1u);
  D3DLOCKED_RECT locked = {};
  ASSERT_EQ(m_surface->GetTexture(0)->texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY),
            S_OK);
  uint32_t texel;
  std::memcpy(&texel, static_cast<BYTE*>(locked.pBits) + 59 * locked.Pitch + 4 * 99, 4);
  m_surface->GetTexture(0)->texture->UnlockRect(0);
  EXPECT_EQ(texel, 0xFFFF0000u);

  // Removing moves the later entries down and leaves the index alone.
  m_surface->SetTextureIndex(1);
  IDirect3DTexture9* blueTexture = m_surface->GetTexture(2)->texture;
  EXPECT_EQ(m_surface->RemoveTexture(1), S_OK);
  EXPECT_EQ(m_surface->RemoveTexture(7), S_OK);  // out of range: nothing happens
  ASSERT_EQ(m_surface->GetTextureCount(), 2);
  EXPECT_STREQ(m_surface->GetTexture(1)->name, "blue.bmp");
  EXPECT_EQ(m_surface->GetTextureIndex(), 1);
  EXPECT_EQ(Render().texture, blueTexture);

  // With the texture-index track on, its current value picks the entry.
  IndexTrack* track = m_surface->GetTextureIndexTrack();
  track->keyCount = 2;
  track->keys = std::make_unique<IndexKey[]>(2);
  track->keys[0] = IndexKey{0, 0, kInterpolationHold};
  track->keys[1] = IndexKey{10, 1, kInterpolationHold};
  track->defaultValue = 0;
  EXPECT_EQ(m_surface->SetTextureAnimated(1), S_OK);
  EXPECT_EQ(m_surface->GetTextureIndex(), 0);  // the track's default
  EXPECT_EQ(m_surface->Evaluate(5), S_OK);
  EXPECT_STREQ(m_surface->GetTexture(0)->name, "red.bmp");
  EXPECT_EQ(Render().texture, m_surface->GetTexture(0)->texture);
  EXPECT_EQ(m_surface->Evaluate(12), TrackFinished);
  EXPECT_EQ(Render().texture, blueTexture);
  track->keys[1].value = 9;  // no such entry: no texture
  m_surface->Evaluate(12);
  EXPECT_EQ(Render().texture, nullptr);
}

TEST_F(SurfaceTest, TextureAnimatedTakesTheTrackDefaultAsTextureIndex) {
  m_surface->GetTextureIndexTrack()->defaultValue = 2;
  m_surface->SetTextureAnimated(1);
  EXPECT_EQ(m_surface->GetTextureIndex(), 2);
  EXPECT_EQ(m_surface->GetTextureAnimated(), 1);
  m_surface->SetTextureIndex(4);
  EXPECT_EQ(m_surface->GetTextureIndexTrack()->defaultValue, 4);
}

TEST_F(SurfaceTest, ToonTextureIsReplacedAndAFailedLoadLeavesNone) {
  std::string ramp = m_dir.Write("ramp.bmp", BmpFile(8, 1, 10, 20, 30));
  std::string other = m_dir.Write("other.bmp", BmpFile(1, 1, 10, 20, 30));
  ASSERT_EQ(m_surface->SetToonTextureFromFile(ramp.c_str()), S_OK);
  EXPECT_STREQ(m_surface->GetToonTexture()->name, "ramp.bmp");
  ASSERT_EQ(m_surface->SetToonTextureFromFile(other.c_str()), S_OK);
  EXPECT_STREQ(m_surface->GetToonTexture()->name, "other.bmp");
  EXPECT_EQ(Render().toonTexture, m_surface->GetToonTexture()->texture);

  EXPECT_TRUE(FAILED(m_surface->SetToonTextureFromFile(m_dir.File("none.bmp").c_str())));
  EXPECT_EQ(m_surface->GetToonTexture(), nullptr);
  EXPECT_EQ(Render().toonTexture, nullptr);

  ASSERT_EQ(m_surface->SetToonTextureFromFile(ramp.c_str()), S_OK);
  EXPECT_EQ(m_surface->RemoveToonTexture(), S_OK);
  EXPECT_EQ(m_surface->GetToonTexture(), nullptr);
}

TEST_F(SurfaceTest, LongFileNamesAreCutToTheirNameAndExtensionLimits) {
  std::string longName(150, 'a');
  std::string path = m_dir.Write(longName + ".bmp", BmpFile(1, 1, 0, 0, 0));
  ASSERT_EQ(m_surface->AddTextureFromFile(path.c_str()), S_OK);
  EXPECT_EQ(std::string(m_surface->GetTexture(0)->name), std::string(127, 'a') + ".bmp");
}

}  // namespace
