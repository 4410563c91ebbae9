#include "IDirectXManager.h"

namespace {

// XYZRHW | DIFFUSE | TEX1, 28 bytes.
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};
static_assert(sizeof(ScreenVertex) == 28);

constexpr DWORD kScreenVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

}  // namespace

INT DrawTexturedRect(const RECT* source, IDirect3DTexture9* texture, IDirect3DDevice9* device,
                     float x, float y) {
  if (texture == nullptr || device == nullptr) return 0;
  D3DSURFACE_DESC description{};
  texture->GetLevelDesc(0, &description);
  const float width = static_cast<float>(description.Width);
  const float height = static_cast<float>(description.Height);
  RECT whole = {0, 0, static_cast<LONG>(description.Width), static_cast<LONG>(description.Height)};
  const RECT& r = source ? *source : whole;
  const float w = static_cast<float>(r.right - r.left);
  const float h = static_cast<float>(r.bottom - r.top);

  // A tenth of a texel inward keeps point sampling on the intended texel
  // where a pixel centre falls exactly on a texel edge.
  const float uLeft = (static_cast<float>(r.left) + 0.1f) / width;
  const float uRight = (static_cast<float>(r.right) + 0.1f) / width;
  const float vTop = (static_cast<float>(r.top) + 0.1f) / height;
  const float vBottom = (static_cast<float>(r.bottom) + 0.1f) / height;
  const D3DCOLOR white = 0xFFFFFFFF;
  const ScreenVertex quad[4] = {
      {x, y, 0.0f, 1.0f, white, uLeft, vTop},
      {x + w, y, 0.0f, 1.0f, white, uRight, vTop},
      {x + w, y + h, 0.0f, 1.0f, white, uRight, vBottom},
      {x, y + h, 0.0f, 1.0f, white, uLeft, vBottom},
  };
  device->SetTexture(0, texture);
  device->SetTexture(1, nullptr);
  device->SetFVF(kScreenVertexFormat);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
  return 1;
}
