// Direct3D 9 fast path for screen-aligned textured quads drawn 1:1 (the
// movie picture and sprites): whole texel rows instead of per-pixel
// interpolation, with results identical to the general rasteriser.
#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/d3d9/Device.h"
#include "platform/d3d9/Rasterizer.h"
#include "platform/d3d9/SpanFill.h"
#include "platform/d3d9/Texture.h"

namespace tavorin::d3d9 {

namespace {

struct QuadCorner {
  float x, y, z, rhw, u, v;
  DWORD diffuse;
};

// Whether stage 0 outputs the texel unchanged (modulated by white diffuse
// or selected) and every later enabled stage passes it through because it
// has no texture (which reads as white) and only modulates or selects the
// current colour.
bool StagesPassTexelThrough(const DeviceState& state) {
  auto passes = [](DWORD op, DWORD arg1, DWORD arg2, DWORD carried, DWORD other) {
    if (op == D3DTOP_SELECTARG1) return arg1 == carried;
    if (op == D3DTOP_SELECTARG2) return arg2 == carried;
    if (op == D3DTOP_MODULATE) {
      return (arg1 == carried && arg2 == other) || (arg2 == carried && arg1 == other);
    }
    return false;
  };
  const DWORD* s0 = state.stage[0];
  if (s0[D3DTSS_TEXCOORDINDEX] != 0 || s0[D3DTSS_RESULTARG] != D3DTA_CURRENT) return false;
  if (!passes(s0[D3DTSS_COLOROP], s0[D3DTSS_COLORARG1], s0[D3DTSS_COLORARG2], D3DTA_TEXTURE,
              D3DTA_DIFFUSE) ||
      !passes(s0[D3DTSS_ALPHAOP], s0[D3DTSS_ALPHAARG1], s0[D3DTSS_ALPHAARG2], D3DTA_TEXTURE,
              D3DTA_DIFFUSE)) {
    return false;
  }
  for (DWORD s = 1; s < kStageCount; ++s) {
    const DWORD* st = state.stage[s];
    if (st[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    if (state.textureImpl[s] != nullptr || st[D3DTSS_RESULTARG] != D3DTA_CURRENT) return false;
    if (!passes(st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2], D3DTA_CURRENT,
                D3DTA_TEXTURE)) {
      return false;
    }
    if (st[D3DTSS_ALPHAOP] != D3DTOP_DISABLE &&
        !passes(st[D3DTSS_ALPHAOP], st[D3DTSS_ALPHAARG1], st[D3DTSS_ALPHAARG2], D3DTA_CURRENT,
                D3DTA_TEXTURE)) {
      return false;
    }
  }
  return true;
}

// Maps a pixel range onto texels along one axis: texel = first + (p − p0).
// False when the mapping is not 1:1 or samples too close to a texel edge
// for the general path's rounding to be certain to agree.
bool MapAxis(int64_t lowSnapped, int64_t highSnapped, float lowCoord, float highCoord,
             UINT textureSize, int64_t firstPixel, int64_t* firstTexel) {
  double span = static_cast<double>(highSnapped - lowSnapped) / kSubpixelScale;
  double texelSpan = (static_cast<double>(highCoord) - lowCoord) * textureSize;
  if (span <= 0 || std::fabs(texelSpan / span - 1.0) * span > 1e-3) return false;
  double start = static_cast<double>(lowCoord) * textureSize +
                 (firstPixel - static_cast<double>(lowSnapped) / kSubpixelScale);
  double fraction = start - std::floor(start);
  if (fraction < 0.01 || fraction > 0.99) return false;
  *firstTexel = static_cast<int64_t>(std::floor(start));
  return true;
}

// dst[i] = src[i] with alpha forced opaque: the whole cost of drawing an
// X8R8G8B8 movie frame, so it is done four texels at a time.
void CopyOpaque(DWORD* dst, const DWORD* src, size_t count) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    __m128i texels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(texels, opaque));
  }
#endif
  for (; i < count; ++i) dst[i] = src[i] | 0xFF000000u;
}

// How many of the texels from src on, up to `count`, share alpha 0xFF
// (returns a positive run) or alpha 0 (a negative run); 0 when the first
// texel is partial. Runs are counted in blocks of four.
long AlphaRun(const DWORD* src, size_t count) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  int kind = 0;
  for (; i + 4 <= count; i += 4) {
    __m128i alpha =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), alphaMask);
    int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF;
    int clear = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF;
    int blockKind = opaque ? 1 : (clear ? -1 : 0);
    if (blockKind == 0 || (kind != 0 && blockKind != kind)) break;
    kind = blockKind;
  }
  return kind * static_cast<long>(i);
#else
  (void)src;
  (void)count;
  return static_cast<long>(i);
#endif
}

// The lowest and highest of `count` stored depths, eight at a time.
void DepthRange(const uint16_t* row, size_t count, uint16_t* low, uint16_t* high) {
  size_t i = 0;
  uint16_t lo = 0xFFFF, hi = 0;
#if defined(__SSE2__)
  // SSE2 compares 16-bit lanes as signed: flipping the top bit orders
  // unsigned values the same way.
  const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
  __m128i vlo = _mm_set1_epi16(0x7FFF), vhi = _mm_set1_epi16(static_cast<short>(0x8000));
  for (; i + 8 <= count; i += 8) {
    __m128i v = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)), flip);
    vlo = _mm_min_epi16(vlo, v);
    vhi = _mm_max_epi16(vhi, v);
  }
  alignas(16) uint16_t lanes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_xor_si128(vlo, flip));
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 8), _mm_xor_si128(vhi, flip));
  if (i > 0) {
    for (int lane = 0; lane < 8; ++lane) {
      lo = std::min(lo, lanes[lane]);
      hi = std::max(hi, lanes[8 + lane]);
    }
  }
#endif
  for (; i < count; ++i) {
    lo = std::min(lo, row[i]);
    hi = std::max(hi, row[i]);
  }
  *low = lo;
  *high = hi;
}

// Whether every stored depth in `row` lets a pixel of depth `value` pass
// `func`, so the row can be drawn without a test per pixel. Functions that
// cannot be decided from the row's extremes answer false.
bool RowPassesDepth(const uint16_t* row, size_t count, DWORD func, uint16_t value) {
  if (func == D3DCMP_ALWAYS || count == 0) return true;
  if (func != D3DCMP_LESS && func != D3DCMP_LESSEQUAL && func != D3DCMP_GREATER &&
      func != D3DCMP_GREATEREQUAL) {
    return false;
  }
  uint16_t low, high;
  DepthRange(row, count, &low, &high);
  if (func == D3DCMP_LESS) return value < low;
  if (func == D3DCMP_LESSEQUAL) return value <= low;
  if (func == D3DCMP_GREATER) return value > high;
  return value >= high;
}

}  // namespace

bool CDevice::TryDrawScreenQuad(const DrawRequest& request, const FvfLayout& layout) {
  if (!layout.pretransformed || layout.texCount == 0 || request.primitiveCount != 2 ||
      (request.type != D3DPT_TRIANGLEFAN && request.type != D3DPT_TRIANGLESTRIP)) {
    return false;
  }
  const DeviceState& state = m_state;
  const CTexture* texture = state.textureImpl[0];
  if (texture == nullptr || state.pixelShaderImpl != nullptr ||
      state.render[D3DRS_SPECULARENABLE] || state.sampler[0][D3DSAMP_MAGFILTER] > D3DTEXF_POINT ||
      state.sampler[0][D3DSAMP_MINFILTER] > D3DTEXF_POINT || !StagesPassTexelThrough(state)) {
    return false;
  }

  QuadCorner corner[4];
  const StreamView& stream = request.streams[0];
  for (int i = 0; i < 4; ++i) {
    const BYTE* v = stream.data + static_cast<size_t>(request.firstVertex + i) * stream.stride;
    std::memcpy(&corner[i].x, v, 16);
    corner[i].diffuse = 0xFFFFFFFF;
    if (layout.diffuse >= 0) std::memcpy(&corner[i].diffuse, v + layout.diffuse, 4);
    std::memcpy(&corner[i].u, v + layout.texOffset[0], 8);
    if (corner[i].diffuse != 0xFFFFFFFF || corner[i].z != corner[0].z ||
        corner[i].rhw != corner[0].rhw || !std::isfinite(corner[i].z)) {
      return false;
    }
  }
  // The two triangles cover the rectangle only if their shared edge is a
  // diagonal: corners 0 and 2 of a fan, 1 and 2 of a strip.
  int a = request.type == D3DPT_TRIANGLEFAN ? 0 : 1, b = 2;
  const QuadCorner& p = corner[a];
  const QuadCorner& q = corner[b];
  if (p.x == q.x || p.y == q.y) return false;
  for (int i = 0; i < 4; ++i) {
    if (i == a || i == b) continue;
    bool sharesX = corner[i].x == p.x || corner[i].x == q.x;
    bool sharesY = corner[i].y == p.y || corner[i].y == q.y;
    if (!sharesX || !sharesY) return false;
    // Same x → same u, same y → same v, so texels follow the screen axes.
    const QuadCorner& sameX = corner[i].x == p.x ? p : q;
    const QuadCorner& sameY = corner[i].y == p.y ? p : q;
    if (corner[i].u != sameX.u || corner[i].v != sameY.v) return false;
  }
  int others[2], n = 0;
  for (int i = 0; i < 4; ++i) {
    if (i != a && i != b) others[n++] = i;
  }
  if (corner[others[0]].x == corner[others[1]].x || corner[others[0]].y == corner[others[1]].y) {
    return false;
  }

  // Cull as the rasteriser would: the winding of the first triangle.
  int64_t sx[3], sy[3];
  for (int i = 0; i < 3; ++i) {
    sx[i] = std::llround(corner[i].x * kSubpixelScale);
    sy[i] = std::llround(corner[i].y * kSubpixelScale);
  }
  int64_t area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
  DWORD cull = state.render[D3DRS_CULLMODE];
  if (area == 0 || (cull == D3DCULL_CW && area > 0) || (cull == D3DCULL_CCW && area < 0)) {
    return area != 0;
  }

  const QuadCorner& left = p.x < q.x ? p : q;
  const QuadCorner& right = p.x < q.x ? q : p;
  const QuadCorner& top = p.y < q.y ? p : q;
  const QuadCorner& bottom = p.y < q.y ? q : p;
  if (std::fabs(left.x) > 1e6f || std::fabs(right.x) > 1e6f || std::fabs(top.y) > 1e6f ||
      std::fabs(bottom.y) > 1e6f) {
    return false;
  }
  constexpr int64_t one = int64_t{1} << kSubpixelBits;
  int64_t x0 = std::llround(left.x * kSubpixelScale), x1 = std::llround(right.x * kSubpixelScale);
  int64_t y0 = std::llround(top.y * kSubpixelScale), y1 = std::llround(bottom.y * kSubpixelScale);
  auto ceilDiv = [](int64_t value) {
    return value >= 0 ? (value + one - 1) / one : -((-value) / one);
  };
  // Pixel centres on the left and top edges belong to the quad, those on
  // the right and bottom edges do not.
  int64_t pxFirst = ceilDiv(x0), pxEnd = ceilDiv(x1);
  int64_t pyFirst = ceilDiv(y0), pyEnd = ceilDiv(y1);
  if (pxFirst >= pxEnd || pyFirst >= pyEnd) return true;

  const PixelImage& image = texture->TopLevel();
  int64_t texelX, texelY;
  if (!MapAxis(x0, x1, left.u, right.u, image.width, pxFirst, &texelX) ||
      !MapAxis(y0, y1, top.v, bottom.v, image.height, pyFirst, &texelY)) {
    return false;
  }
  if (texelX < 0 || texelY < 0 || texelX + (pxEnd - pxFirst) > image.width ||
      texelY + (pyEnd - pyFirst) > image.height) {
    return false;  // addressing modes come into play: the general path handles them
  }

  PixelPipeline pipeline(state, *m_backBuffer, m_depth.get());
  const PixelRect& bounds = pipeline.Bounds();
  int64_t clipLeft = std::max<int64_t>(pxFirst, bounds.left);
  int64_t clipRight = std::min<int64_t>(pxEnd, bounds.right);
  int64_t clipTop = std::max<int64_t>(pyFirst, bounds.top);
  int64_t clipBottom = std::min<int64_t>(pyEnd, bounds.bottom);
  if (clipLeft >= clipRight || clipTop >= clipBottom) return true;

  const DWORD* rs = state.render;
  bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
  bool standardBlend = rs[D3DRS_SRCBLEND] == D3DBLEND_SRCALPHA &&
                       rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA &&
                       rs[D3DRS_BLENDOP] == D3DBLENDOP_ADD;
  DWORD alphaDest = rs[D3DRS_DESTBLENDALPHA];
  bool alphaSafe = !separate || (rs[D3DRS_SRCBLENDALPHA] == D3DBLEND_ONE &&
                                 rs[D3DRS_BLENDOPALPHA] == D3DBLENDOP_ADD &&
                                 (alphaDest == D3DBLEND_ONE || alphaDest == D3DBLEND_INVSRCALPHA));
  // With these settings an opaque texel is copied and a transparent one
  // leaves the pixel as it was; only partial alpha needs the full blend.
  bool shortcut =
      pipeline.ColorMask() == 0xF && (!pipeline.BlendEnabled() || (standardBlend && alphaSafe));
  bool blending = pipeline.BlendEnabled();
  bool textureAlpha = image.HasAlpha();
  uint16_t depthValue = 0;
  // Only the quantised depth is wanted here; each pixel is tested below.
  pipeline.DepthTest(static_cast<int>(clipLeft), static_cast<int>(clipTop), corner[0].z,
                     &depthValue);
  const DepthBuffer* depth = pipeline.DepthEnabled() ? pipeline.Depth() : nullptr;
  DWORD depthFunc = rs[D3DRS_ZFUNC];
  bool opaquePassesAlphaTest =
      !pipeline.AlphaTestEnabled() || Compare(pipeline.AlphaFunc(), 0xFF, pipeline.AlphaRef());

  bool clearPassesAlphaTest =
      !pipeline.AlphaTestEnabled() || Compare(pipeline.AlphaFunc(), 0, pipeline.AlphaRef());

  PixelImage& target = *m_backBuffer;
  size_t width = static_cast<size_t>(clipRight - clipLeft);
  for (int64_t py = clipTop; py < clipBottom; ++py) {
    const DWORD* src =
        image.Row(static_cast<UINT>(texelY + (py - pyFirst))) + texelX + (clipLeft - pxFirst);
    DWORD* dst = target.Row(static_cast<UINT>(py)) + clipLeft;
    // The quad's depth is constant: a row whose stored depths all pass is
    // drawn like one without a depth test, its depth written in spans.
    const DepthBuffer* rowDepth = depth;
    uint16_t* depthRow = nullptr;
    if (depth != nullptr) {
      uint16_t* stored =
          m_depth->values.data() + static_cast<size_t>(py) * m_depth->width + clipLeft;
      if (RowPassesDepth(stored, width, depthFunc, depthValue)) {
        rowDepth = nullptr;
        if (pipeline.DepthWrite()) depthRow = stored;
      }
    }
    auto writeDepth = [&](size_t from, size_t count) {
      if (depthRow) FillSpan16(depthRow + from, count, depthValue);
    };
    if (shortcut && !textureAlpha && rowDepth == nullptr) {
      if (opaquePassesAlphaTest) {
        CopyOpaque(dst, src, width);
        writeDepth(0, width);
      }
      continue;
    }
    bool runs = shortcut && textureAlpha && rowDepth == nullptr && blending;
    for (size_t i = 0; i < width; ++i) {
      if (runs) {
        // Whole blocks of opaque texels are copied, of transparent ones
        // skipped; partial ones fall through to the per-texel blend.
        long run = AlphaRun(src + i, width - i);
        if (run > 0 && opaquePassesAlphaTest) {
          std::memcpy(dst + i, src + i, static_cast<size_t>(run) * 4);
          writeDepth(i, static_cast<size_t>(run));
        }
        if (run < 0 && clearPassesAlphaTest) writeDepth(i, static_cast<size_t>(-run));
        if (run != 0) {
          i += static_cast<size_t>(run < 0 ? -run : run) - 1;
          continue;
        }
      }
      int x = static_cast<int>(clipLeft + static_cast<int64_t>(i));
      if (rowDepth != nullptr &&
          !Compare(depthFunc, depthValue,
                   rowDepth->values[static_cast<size_t>(py) * rowDepth->width + x])) {
        continue;
      }
      DWORD texel = textureAlpha ? src[i] : src[i] | 0xFF000000u;
      DWORD alpha = texel >> 24;
      if (shortcut && (!blending || alpha == 0xFF || alpha == 0)) {
        if (pipeline.AlphaTestEnabled() &&
            !Compare(pipeline.AlphaFunc(), alpha, pipeline.AlphaRef())) {
          continue;
        }
        if (pipeline.DepthWrite()) {
          m_depth->values[static_cast<size_t>(py) * m_depth->width + x] = depthValue;
        }
        if (alpha == 0xFF || !blending) {
          dst[i] = target.HasAlpha() ? texel : texel | 0xFF000000u;
        }
        continue;
      }
      pipeline.WriteShaded(x, static_cast<int>(py), depthValue, texel);
    }
  }
  return true;
}

}  // namespace tavorin::d3d9
