// Direct3D 9 rasterisation rules on the CPU.
#include "platform/d3d9/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tavorin::d3d9 {

namespace {

// Beyond this many pixels from the origin the fixed-point edge equations
// could overflow; clipping keeps real geometry well inside.
constexpr float kMaxCoordinate = 1 << 21;

bool Representable(const ScreenVertex& v) {
  return std::fabs(v.x) < kMaxCoordinate && std::fabs(v.y) < kMaxCoordinate && std::isfinite(v.z) &&
         std::isfinite(v.invW);
}

int64_t Snap(float value) {
  return std::llround(value * kSubpixelScale);
}

int64_t CeilDiv(int64_t value, int64_t divisor) {
  return value >= 0 ? (value + divisor - 1) / divisor : -((-value) / divisor);
}
int64_t FloorDiv(int64_t value, int64_t divisor) {
  return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

struct Edge {
  int64_t ax, ay, dx, dy;
  int64_t bias;  // 0 for top and left edges (which own their pixels), else -1
  Edge(int64_t x0, int64_t y0, int64_t x1, int64_t y1) : ax(x0), ay(y0), dx(x1 - x0), dy(y1 - y0) {
    // Clockwise on screen (y down): a left edge runs upwards, a top edge
    // runs rightwards along a horizontal line.
    bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    bias = topLeft ? 0 : -1;
  }
  int64_t At(int64_t px, int64_t py) const { return dx * (py - ay) - dy * (px - ax); }
};

void Interpolate(int count, const float* const attrs[3], const float weights[3], float* out) {
  for (int i = 0; i < count; ++i) {
    out[i] = attrs[0][i] * weights[0] + attrs[1][i] * weights[1] + attrs[2][i] * weights[2];
  }
}

}  // namespace

void RasterizeTriangle(PixelPipeline& pipeline, const ScreenVertex& a, const ScreenVertex& b,
                       const ScreenVertex& c, DWORD cullMode, bool flatShading) {
  if (!Representable(a) || !Representable(b) || !Representable(c)) return;
  const ScreenVertex* v[3] = {&a, &b, &c};
  int64_t x[3], y[3];
  for (int i = 0; i < 3; ++i) {
    x[i] = Snap(v[i]->x);
    y[i] = Snap(v[i]->y);
  }
  int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
  if (area == 0) return;
  bool clockwise = area > 0;
  if ((cullMode == D3DCULL_CW && clockwise) || (cullMode == D3DCULL_CCW && !clockwise)) return;
  if (!clockwise) {
    std::swap(v[1], v[2]);
    std::swap(x[1], x[2]);
    std::swap(y[1], y[2]);
    area = -area;
  }

  const PixelRect& bounds = pipeline.Bounds();
  const int64_t one = 1 << kSubpixelBits;
  int64_t minX = std::max<int64_t>(bounds.left, CeilDiv(std::min({x[0], x[1], x[2]}), one));
  int64_t maxX = std::min<int64_t>(bounds.right - 1, FloorDiv(std::max({x[0], x[1], x[2]}), one));
  int64_t minY = std::max<int64_t>(bounds.top, CeilDiv(std::min({y[0], y[1], y[2]}), one));
  int64_t maxY = std::min<int64_t>(bounds.bottom - 1, FloorDiv(std::max({y[0], y[1], y[2]}), one));
  if (minX > maxX || minY > maxY) return;

  float pixelArea = static_cast<float>(area) / (kSubpixelScale * kSubpixelScale) * 0.5f;
  pipeline.PrepareTriangle(*v[0], *v[1], *v[2], pixelArea);

  // Each edge's equation is the (doubled, scaled) area of the sub-triangle
  // opposite one vertex: the barycentric weight of that vertex.
  const Edge edges[3] = {Edge(x[1], y[1], x[2], y[2]), Edge(x[2], y[2], x[0], y[0]),
                         Edge(x[0], y[0], x[1], y[1])};
  const int count = pipeline.AttributeCount();
  float scaled[3][kAttrCount];
  for (int i = 0; i < 3; ++i) {
    const ScreenVertex* source = flatShading ? v[0] : v[i];
    for (int k = 0; k < count; ++k) {
      bool colour = k < kAttrTexcoord;
      scaled[i][k] = (colour ? source->attr[k] : v[i]->attr[k]) * v[i]->invW;
    }
  }
  const float* attrs[3] = {scaled[0], scaled[1], scaled[2]};
  const double invArea = 1.0 / static_cast<double>(area);
  float interpolated[kAttrCount];

  for (int64_t py = minY; py <= maxY; ++py) {
    int64_t sy = py * one;
    int64_t e[3], step[3];
    for (int k = 0; k < 3; ++k) {
      e[k] = edges[k].At(minX * one, sy);
      step[k] = -edges[k].dy * one;
    }
    for (int64_t px = minX; px <= maxX; ++px) {
      if (e[0] + edges[0].bias >= 0 && e[1] + edges[1].bias >= 0 && e[2] + edges[2].bias >= 0) {
        float w[3] = {static_cast<float>(e[0] * invArea), static_cast<float>(e[1] * invArea), 0};
        w[2] = 1.0f - w[0] - w[1];
        float z = v[0]->z * w[0] + v[1]->z * w[1] + v[2]->z * w[2];
        uint16_t depth;
        if (pipeline.DepthTest(static_cast<int>(px), static_cast<int>(py), z, &depth)) {
          float invW = v[0]->invW * w[0] + v[1]->invW * w[1] + v[2]->invW * w[2];
          float correction = invW != 0.0f ? 1.0f / invW : 0.0f;
          float pw[3] = {w[0] * correction, w[1] * correction, w[2] * correction};
          Interpolate(count, attrs, pw, interpolated);
          pipeline.ShadeAndWrite(static_cast<int>(px), static_cast<int>(py), z, depth, interpolated,
                                 clockwise);
        }
      }
      for (int k = 0; k < 3; ++k) e[k] += step[k];
    }
  }
}

void RasterizeLine(PixelPipeline& pipeline, const ScreenVertex& a, const ScreenVertex& b) {
  if (!Representable(a) || !Representable(b)) return;
  pipeline.PrepareLine();
  float dx = b.x - a.x, dy = b.y - a.y;
  bool xMajor = std::fabs(dx) >= std::fabs(dy);
  float start = xMajor ? a.x : a.y, end = xMajor ? b.x : b.y;
  float length = end - start;
  if (length == 0.0f) return;
  int first = static_cast<int>(std::lround(start)), last = static_cast<int>(std::lround(end));
  int direction = last >= first ? 1 : -1;
  const PixelRect& bounds = pipeline.Bounds();
  const int count = pipeline.AttributeCount();
  float interpolated[kAttrCount];
  for (int major = first; major != last; major += direction) {
    float t = std::clamp((major - start) / length, 0.0f, 1.0f);
    float minorValue = xMajor ? a.y + dy * t : a.x + dx * t;
    int minor = static_cast<int>(std::lround(minorValue));
    int px = xMajor ? major : minor, py = xMajor ? minor : major;
    if (px < bounds.left || px >= bounds.right || py < bounds.top || py >= bounds.bottom) continue;
    float z = a.z + (b.z - a.z) * t;
    uint16_t depth;
    if (!pipeline.DepthTest(px, py, z, &depth)) continue;
    float invW = a.invW + (b.invW - a.invW) * t;
    float wa = 1.0f - t, wb = t;
    if (invW != 0.0f) {
      wa = (1.0f - t) * a.invW / invW;
      wb = t * b.invW / invW;
    }
    for (int k = 0; k < count; ++k) interpolated[k] = a.attr[k] * wa + b.attr[k] * wb;
    pipeline.ShadeAndWrite(px, py, z, depth, interpolated, true);
  }
}

void RasterizePoint(PixelPipeline& pipeline, const ScreenVertex& a) {
  if (!Representable(a)) return;
  pipeline.PrepareLine();
  int px = static_cast<int>(std::lround(a.x)), py = static_cast<int>(std::lround(a.y));
  const PixelRect& bounds = pipeline.Bounds();
  if (px < bounds.left || px >= bounds.right || py < bounds.top || py >= bounds.bottom) return;
  uint16_t depth;
  if (!pipeline.DepthTest(px, py, a.z, &depth)) return;
  pipeline.ShadeAndWrite(px, py, a.z, depth, a.attr, true);
}

}  // namespace tavorin::d3d9
