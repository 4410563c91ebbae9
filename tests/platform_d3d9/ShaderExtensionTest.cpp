// Vertex and pixel callables wrapped as Direct3D shaders.
#include <d3d9_shader_ext.h>

#include <cstring>

#include "platform_d3d9/D3D9TestDevice.h"

namespace tavorin::test {
namespace {

// Two streams as a morphing layer uses them: positions in stream 0, target
// positions in stream 1; the weight comes from constant c0.x.
TEST(D3D9ShaderExtensionTest, VertexCallableReadsStreamsAndConstantsPixelCallableSamples) {
  D3D9TestDevice device(8, 8);
  IDirect3DDevice9* d = device.Get();
  auto texture =
      device.MakeTexture(2, 1, [](UINT x, UINT) { return x ? 0xFF00FF00u : 0xFFFF0000u; });

  ComPtr<IDirect3DVertexShader9> vs;
  ASSERT_EQ(D3DCreateVertexShaderFromFunction(
                d,
                [](const D3DSHADER_VERTEX_INPUT& in, D3DSHADER_VERTEX_OUTPUT& out) {
                  float base[2], target[2];
                  std::memcpy(base, in.streams[0], 8);
                  std::memcpy(target, in.streams[1], 8);
                  float w = in.constants[0][0];
                  out.position[0] = base[0] + (target[0] - base[0]) * w;
                  out.position[1] = base[1] + (target[1] - base[1]) * w;
                  out.position[2] = 0.5f;
                  out.position[3] = 1.0f;
                  // Left half of the screen samples texel 0, right half texel 1.
                  out.texcoord[0][0] = out.position[0] < 0 ? 0.25f : 0.75f;
                  out.texcoord[0][1] = 0.5f;
                },
                vs.ReleaseAndGetAddressOf()),
            D3D_OK);
  ComPtr<IDirect3DPixelShader9> ps;
  ASSERT_EQ(D3DCreatePixelShaderFromFunction(
                d,
                [](const D3DSHADER_PIXEL_INPUT& in, float rgba[4]) -> BOOL {
                  if (in.y >= 6) return FALSE;  // discarded rows keep the clear colour
                  in.sampler->Sample(0, in.texcoord[0][0], in.texcoord[0][1], rgba);
                  rgba[2] = in.constants[1][2];
                  return TRUE;
                },
                ps.ReleaseAndGetAddressOf()),
            D3D_OK);

  // A full-screen quad whose stream-0 corners are collapsed and whose
  // stream-1 corners cover the screen; weight 1 selects stream 1.
  const float base[4][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};
  const float target[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
  ComPtr<IDirect3DVertexBuffer9> streams[2];
  for (int s = 0; s < 2; ++s) {
    ASSERT_EQ(d->CreateVertexBuffer(32, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                    streams[s].ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    void* data;
    streams[s]->Lock(0, 0, &data, 0);
    std::memcpy(data, s == 0 ? base : target, 32);
    streams[s]->Unlock();
    d->SetStreamSource(s, streams[s].Get(), 0, 8);
  }
  ComPtr<IDirect3DIndexBuffer9> indices;
  ASSERT_EQ(d->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                 indices.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  const WORD quadIndices[6] = {0, 1, 2, 0, 2, 3};
  void* data;
  indices->Lock(0, 0, &data, 0);
  std::memcpy(data, quadIndices, sizeof quadIndices);
  indices->Unlock();

  const float weight[4] = {1, 0, 0, 0}, blue[4] = {0, 0, 1, 0};
  d->SetVertexShaderConstantF(0, weight, 1);
  d->SetPixelShaderConstantF(1, blue, 1);
  d->SetVertexShader(vs.Get());
  d->SetPixelShader(ps.Get());
  d->SetIndices(indices.Get());
  d->SetTexture(0, texture.Get());
  d->SetFVF(0);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  d->BeginScene();
  ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  d->EndScene();
  std::vector<DWORD> pixels = device.ReadBack();
  EXPECT_EQ(pixels[2 * 8 + 1], 0xFFFF00FFu);  // red texel + blue constant
  EXPECT_EQ(pixels[2 * 8 + 6], 0xFF00FFFFu);  // green texel + blue constant
  EXPECT_EQ(pixels[7 * 8 + 1], 0xFF000000u);  // discarded

  // With weight 0 every corner collapses to the centre: nothing is drawn.
  const float none[4] = {0, 0, 0, 0};
  d->SetVertexShaderConstantF(0, none, 1);
  float readBack[4] = {9, 9, 9, 9};
  d->GetVertexShaderConstantF(0, readBack, 1);
  EXPECT_EQ(readBack[0], 0.0f);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  d->BeginScene();
  ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  d->EndScene();
  for (DWORD pixel : device.ReadBack()) ASSERT_EQ(pixel, 0xFF000000u);

  IDirect3DVertexShader9* bound = nullptr;
  ASSERT_EQ(d->GetVertexShader(&bound), D3D_OK);
  EXPECT_EQ(bound, vs.Get());
  bound->Release();
}

}  // namespace
}  // namespace tavorin::test
