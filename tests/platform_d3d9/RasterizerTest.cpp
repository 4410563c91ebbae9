// Pixel-exact drawing through the CPU device, read back the standard way.
#include <d3dx9math.h>

#include "platform_d3d9/D3D9TestDevice.h"

namespace tavorin::test {
namespace {

constexpr DWORD kClear = 0xFF303080;

DWORD Texel(UINT x, UINT y) {
  return 0xFF000000u | (x << 16) | (y << 8) | ((x + y) & 0xFF);
}

TEST(D3D9RasterizerTest, ClearFillsTheViewportOrTheGivenRectangles) {
  D3D9TestDevice device(16, 8);
  ASSERT_TRUE(device.Get());
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00303080, 1.0f, 0), D3D_OK);
  for (DWORD pixel : device.ReadBack()) ASSERT_EQ(pixel, kClear);  // X8: alpha reads as opaque

  D3DRECT rect = {2, 1, 5, 3};
  ASSERT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  std::vector<DWORD> pixels = device.ReadBack();
  EXPECT_EQ(pixels[1 * 16 + 2], 0xFFFF0000u);
  EXPECT_EQ(pixels[2 * 16 + 4], 0xFFFF0000u);
  EXPECT_EQ(pixels[1 * 16 + 5], kClear);  // right and bottom edges are exclusive
  EXPECT_EQ(pixels[3 * 16 + 2], kClear);

  // A smaller viewport limits a full clear.
  D3DVIEWPORT9 viewport = {8, 4, 8, 4, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
  pixels = device.ReadBack();
  EXPECT_EQ(pixels[4 * 16 + 8], 0xFF00FF00u);
  EXPECT_EQ(pixels[3 * 16 + 8], kClear);
}

TEST(D3D9RasterizerTest, TexturedQuadPlacedOneToOneCopiesTheSourceRectangle) {
  D3D9TestDevice device(96, 64);
  device.SetDefaultLikeStates();
  auto texture = device.MakeTexture(64, 32, Texel);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
  device->BeginScene();
  // Source (5, 3)–(45, 24) to (30, 20), like the status chip row.
  ASSERT_EQ(device.DrawQuad(texture.Get(), 30, 20, 40, 21, 5, 3, 45, 24), D3D_OK);
  device->EndScene();
  std::vector<DWORD> pixels = device.ReadBack();
  for (UINT y = 0; y < 64; ++y) {
    for (UINT x = 0; x < 96; ++x) {
      bool inside = x >= 30 && x < 70 && y >= 20 && y < 41;
      DWORD expected = inside ? Texel(x - 30 + 5, y - 20 + 3) : kClear;
      ASSERT_EQ(pixels[y * 96 + x], expected) << x << "," << y;
    }
  }
}

TEST(D3D9RasterizerTest, AlphaTestDropsTransparentTexelsAndBlendingMixesTheRest) {
  D3D9TestDevice device(8, 1, false, D3DFMT_A8R8G8B8);
  device.SetDefaultLikeStates();
  const DWORD texels[8] = {0x00FFFFFF, 0xFF112233, 0x80FF0000, 0x40000000,
                           0x01FFFFFF, 0xFFFFFFFF, 0x00000000, 0xC000FF00};
  auto texture = device.MakeTexture(8, 1, [&](UINT x, UINT) { return texels[x]; });
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x20406080, 1.0f, 0);
  device->BeginScene();
  device.DrawQuad(texture.Get(), 0, 0, 8, 1, 0, 0, 8, 1);
  device->EndScene();
  std::vector<DWORD> pixels = device.ReadBack();
  auto blend = [](DWORD s, DWORD d) {
    DWORD a = s >> 24, out = 0;
    // The alpha factors of the defaults only count with
    // SEPARATEALPHABLENDENABLE, which they never set: alpha blends like
    // the colour.
    for (int shift = 0; shift < 32; shift += 8) {
      DWORD sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
      out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
    }
    return out;
  };
  EXPECT_EQ(pixels[0], 0x20406080u);  // alpha 0: not drawn at all
  EXPECT_EQ(pixels[6], 0x20406080u);
  EXPECT_EQ(pixels[1], 0xFF112233u);  // opaque: replaced
  EXPECT_EQ(pixels[5], 0xFFFFFFFFu);
  for (int i : {2, 3, 4, 7}) EXPECT_EQ(pixels[i], blend(texels[i], 0x20406080)) << i;
}

TEST(D3D9RasterizerTest, EveryBlendFactorCombinesSourceAndDestination) {
  const DWORD dest = 0x80402010, source = 0x40C08020;
  auto channel = [](DWORD color, int i) { return (color >> (i == 3 ? 24 : 16 - 8 * i)) & 0xFF; };
  // Factor of channel i in 0..255 units, by the factor's definition.
  auto factor = [&](D3DBLEND blend, int i) -> DWORD {
    switch (blend) {
      case D3DBLEND_ZERO:
        return 0;
      case D3DBLEND_ONE:
        return 255;
      case D3DBLEND_SRCCOLOR:
        return channel(source, i);
      case D3DBLEND_INVSRCCOLOR:
        return 255 - channel(source, i);
      case D3DBLEND_SRCALPHA:
        return channel(source, 3);
      case D3DBLEND_INVSRCALPHA:
        return 255 - channel(source, 3);
      case D3DBLEND_DESTALPHA:
        return channel(dest, 3);
      case D3DBLEND_INVDESTALPHA:
        return 255 - channel(dest, 3);
      case D3DBLEND_DESTCOLOR:
        return channel(dest, i);
      default:
        return 255 - channel(dest, i);  // INVDESTCOLOR
    }
  };
  const D3DBLEND all[] = {D3DBLEND_ZERO,        D3DBLEND_ONE,          D3DBLEND_SRCCOLOR,
                          D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA,
                          D3DBLEND_DESTALPHA,   D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR,
                          D3DBLEND_INVDESTCOLOR};
  D3D9TestDevice device(1, 1, false, D3DFMT_A8R8G8B8);
  auto texture = device.MakeTexture(1, 1, [&](UINT, UINT) { return source; });
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  for (D3DBLEND src : all) {
    for (D3DBLEND dst : all) {
      device->SetRenderState(D3DRS_SRCBLEND, src);
      device->SetRenderState(D3DRS_DESTBLEND, dst);
      device->Clear(0, nullptr, D3DCLEAR_TARGET, dest, 1.0f, 0);
      device->BeginScene();
      device.DrawQuad(texture.Get(), 0, 0, 1, 1, 0, 0, 1, 1);
      device->EndScene();
      DWORD expected = 0;
      for (int i = 0; i < 4; ++i) {
        DWORD sum = channel(source, i) * factor(src, i) + channel(dest, i) * factor(dst, i);
        DWORD value = std::min<DWORD>(255, (sum + 127) / 255);
        expected |= value << (i == 3 ? 24 : 16 - 8 * i);
      }
      ASSERT_EQ(device.ReadBack()[0], expected) << "src " << src << " dst " << dst;
    }
  }
  // Hand-checked anchors: ONE/ONE saturates, SRCALPHA/INVSRCALPHA mixes.
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, dest, 1.0f, 0);
  device->BeginScene();
  device.DrawQuad(texture.Get(), 0, 0, 1, 1, 0, 0, 1, 1);
  device->EndScene();
  EXPECT_EQ(device.ReadBack()[0], 0xC0FFA030u);

  // Separate alpha factors apply to alpha only when enabled.
  device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ZERO);
  device->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, dest, 1.0f, 0);
  device->BeginScene();
  device.DrawQuad(texture.Get(), 0, 0, 1, 1, 0, 0, 1, 1);
  device->EndScene();
  EXPECT_EQ(device.ReadBack()[0], 0x00FFA030u);

  // The usual sprite set-up with separate ONE/ONE alpha: the colour mixes
  // by source alpha, the alpha adds up (0x40 + 0x80).
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_ONE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, dest, 1.0f, 0);
  device->BeginScene();
  device.DrawQuad(texture.Get(), 0, 0, 1, 1, 0, 0, 1, 1);
  device->EndScene();
  // r = (192·64 + 64·191 + 127) / 255 = 96, g = (128·64 + 32·191 + 127) / 255 = 56,
  // b = (32·64 + 16·191 + 127) / 255 = 20
  EXPECT_EQ(device.ReadBack()[0], 0xC0603814u);
}

TEST(D3D9RasterizerTest, FractionalQuadFollowsTheTopLeftFillRule) {
  D3D9TestDevice device(16, 16);
  device.SetDefaultLikeStates();
  auto white = device.MakeTexture(4, 4, [](UINT, UINT) { return 0xFFFFFFFFu; });
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  // Covers x in [2.5, 6.5) and y in [3.0, 5.0): pixel centres 3..6 and 3..4.
  ScreenVertex quad[4] = {{2.5f, 3.0f, 0, 1, 0xFFFFFFFF, 0, 0},
                          {6.5f, 3.0f, 0, 1, 0xFFFFFFFF, 1, 0},
                          {6.5f, 5.0f, 0, 1, 0xFFFFFFFF, 1, 1},
                          {2.5f, 5.0f, 0, 1, 0xFFFFFFFF, 0, 1}};
  device->SetTexture(0, white.Get());
  device->SetFVF(kScreenFvf);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex)), D3D_OK);
  // Two triangles sharing an edge: every pixel of the shared diagonal is
  // drawn exactly once, so an additive second pass would show doubles.
  device->EndScene();
  std::vector<DWORD> pixels = device.ReadBack();
  for (UINT y = 0; y < 16; ++y) {
    for (UINT x = 0; x < 16; ++x) {
      bool inside = x >= 3 && x <= 6 && y >= 3 && y <= 4;
      ASSERT_EQ(pixels[y * 16 + x], inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
    }
  }

  // A triangle pair drawn additively at quarter intensity: no pixel along
  // the shared diagonal may be hit twice or missed.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->BeginScene();
  ScreenVertex diagonal[4] = {{1.3f, 1.7f, 0, 1, 0xFF404040, 0, 0},
                              {13.1f, 2.2f, 0, 1, 0xFF404040, 1, 0},
                              {12.6f, 14.9f, 0, 1, 0xFF404040, 1, 1},
                              {0.4f, 13.8f, 0, 1, 0xFF404040, 0, 1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, diagonal, sizeof(ScreenVertex));
  device->EndScene();
  for (DWORD pixel : device.ReadBack()) {
    ASSERT_TRUE(pixel == 0xFF000000u || pixel == 0xFF404040u) << std::hex << pixel;
  }
}

TEST(D3D9RasterizerTest, DepthTestHidesFartherQuadsAndCullingDropsBackFaces) {
  D3D9TestDevice device(8, 8, true);
  auto red = device.MakeTexture(1, 1, [](UINT, UINT) { return 0xFFFF0000u; });
  auto blue = device.MakeTexture(1, 1, [](UINT, UINT) { return 0xFF0000FFu; });
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  DWORD zenable = 0;
  device->GetRenderState(D3DRS_ZENABLE, &zenable);
  EXPECT_EQ(zenable, DWORD{D3DZB_TRUE});  // on by default with a depth buffer
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  device.DrawQuad(red.Get(), 0, 0, 8, 8, 0, 0, 1, 1, 0xFFFFFFFF, 0.25f);
  device.DrawQuad(blue.Get(), 2, 2, 4, 4, 0, 0, 1, 1, 0xFFFFFFFF, 0.5f);  // behind: hidden
  device.DrawQuad(blue.Get(), 0, 0, 2, 2, 0, 0, 1, 1, 0xFFFFFFFF, 0.1f);  // in front
  device->EndScene();
  std::vector<DWORD> pixels = device.ReadBack();
  EXPECT_EQ(pixels[3 * 8 + 3], 0xFFFF0000u);
  EXPECT_EQ(pixels[1 * 8 + 1], 0xFF0000FFu);

  // Without depth writes a later, farther quad passes LESSEQUAL nowhere...
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->BeginScene();
  device.DrawQuad(blue.Get(), 6, 6, 2, 2, 0, 0, 1, 1, 0xFFFFFFFF, 0.9f);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device.DrawQuad(red.Get(), 6, 6, 2, 2, 0, 0, 1, 1, 0xFFFFFFFF, 0.5f);  // depth still 0.25
  device->EndScene();
  pixels = device.ReadBack();
  EXPECT_EQ(pixels[7 * 8 + 7], 0xFF0000FFu);

  // The quad helper's corner order is clockwise on screen: CCW culling
  // (the default) keeps it, CW culling removes it.
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device->BeginScene();
  device.DrawQuad(red.Get(), 0, 0, 4, 4, 0, 0, 1, 1);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device.DrawQuad(blue.Get(), 4, 4, 4, 4, 0, 0, 1, 1);
  device->EndScene();
  pixels = device.ReadBack();
  EXPECT_EQ(pixels[1 * 8 + 1], 0xFF000000u);
  EXPECT_EQ(pixels[5 * 8 + 5], 0xFF0000FFu);
}

TEST(D3D9RasterizerTest, ColorWriteMaskKeepsMaskedChannels) {
  D3D9TestDevice device(2, 2, false, D3DFMT_A8R8G8B8);
  auto texture = device.MakeTexture(1, 1, [](UINT, UINT) { return 0xFFFFFFFFu; });
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_COLORWRITEENABLE,
                         D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_ALPHA);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x10203040, 1.0f, 0);
  device->BeginScene();
  device.DrawQuad(texture.Get(), 0, 0, 2, 2, 0, 0, 1, 1);
  device->EndScene();
  EXPECT_EQ(device.ReadBack()[3], 0xFF20FF40u);
}

TEST(D3D9RasterizerTest, TransformedTrianglesMatchTheScreenQuadFastPath) {
  // The same quad through the world/view/projection pipeline (general
  // rasteriser) and as a pre-transformed 1:1 quad (fast path) must agree
  // to the bit, including partial alpha under the default-like states.
  auto texel = [](UINT x, UINT y) {
    return ((x * 37 + y * 11) & 0xFF) << 24 | (x * 5) << 16 | (y * 7) << 8 | 0x33;
  };
  D3D9TestDevice fast(40, 30, false, D3DFMT_A8R8G8B8), general(40, 30, false, D3DFMT_A8R8G8B8);
  for (D3D9TestDevice* device : {&fast, &general}) {
    device->SetDefaultLikeStates();
    device->operator->()->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80204060, 1.0f, 0);
  }
  auto fastTexture = fast.MakeTexture(32, 16, texel);
  auto generalTexture = general.MakeTexture(32, 16, texel);
  fast->BeginScene();
  fast.DrawQuad(fastTexture.Get(), 4, 6, 32, 16, 0, 0, 32, 16);
  fast->EndScene();

  // Orthographic projection onto the 40 × 30 viewport with y up.
  D3DXMATRIX projection, view;
  D3DXMatrixOrthoLH(&projection, 40, 30, 0, 1);
  D3DXMatrixTranslation(&view, -20, 15, 0);
  struct Vertex {
    float x, y, z;
    DWORD color;
    float u, v;
  };
  const float u0 = 0.1f / 32, u1 = 32.1f / 32, v0 = 0.1f / 16, v1 = 16.1f / 16;
  Vertex quad[4] = {{4, -6, 0, 0xFFFFFFFF, u0, v0},
                    {36, -6, 0, 0xFFFFFFFF, u1, v0},
                    {36, -22, 0, 0xFFFFFFFF, u1, v1},
                    {4, -22, 0, 0xFFFFFFFF, u0, v1}};
  general->SetTransform(D3DTS_VIEW, &view);
  general->SetTransform(D3DTS_PROJECTION, &projection);
  general->SetTexture(0, generalTexture.Get());
  general->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  general->BeginScene();
  ASSERT_EQ(general->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(Vertex)), D3D_OK);
  general->EndScene();
  std::vector<DWORD> a = fast.ReadBack(), b = general.ReadBack();
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << i % 40 << "," << i / 40;
  EXPECT_NE(a[10 * 40 + 10], 0x80204060u);
}

TEST(D3D9RasterizerTest, LinearFilteringAndClampAddressing) {
  D3D9TestDevice device(4, 1);
  auto texture =
      device.MakeTexture(2, 1, [](UINT x, UINT) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->BeginScene();
  // Four pixels over the two texels: centres at u = 1/8, 3/8, 5/8, 7/8.
  ScreenVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
                          {3.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                          {3.5f, 0.5f, 0, 1, 0xFFFFFFFF, 1, 1},
                          {-0.5f, 0.5f, 0, 1, 0xFFFFFFFF, 0, 1}};
  device->SetTexture(0, texture.Get());
  device->SetFVF(kScreenFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
  device->EndScene();
  std::vector<DWORD> pixels = device.ReadBack();
  EXPECT_EQ(pixels[0], 0xFF000000u);   // clamped: the left half-texel stays black
  EXPECT_EQ(pixels[1] & 0xFF, 0x40u);  // a quarter of the way to white
  EXPECT_EQ(pixels[2] & 0xFF, 0xBFu);
  EXPECT_EQ(pixels[3], 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tavorin::test
