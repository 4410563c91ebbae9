// Direct3D 9 vertex processing, clipping and viewport mapping on the CPU.
#include "platform/d3d9/VertexProcessor.h"

#include <cmath>
#include <cstring>

#include "platform/d3d9/Rasterizer.h"
#include "platform/d3d9/Shader.h"

namespace tavorin::d3d9 {

namespace {

constexpr DWORD kKnownFvfBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE |
                                D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
// Triangles may reach this many viewport half-sizes beyond the viewport
// before they are cut; the rasteriser trims the rest, and the fixed-point
// edge equations stay far from overflow.
constexpr float kGuardBand = 64.0f;
constexpr int kMaxClipVertices = 16;

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      r.m[row][col] = a.m[row][0] * b.m[0][col] + a.m[row][1] * b.m[1][col] +
                      a.m[row][2] * b.m[2][col] + a.m[row][3] * b.m[3][col];
    }
  }
  return r;
}

float ReadFloat(const BYTE* p) {
  float value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

DWORD ReadDword(const BYTE* p) {
  DWORD value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// The six view-volume planes, as a·x + b·y + c·z + d·w ≥ 0, plus w > 0.
const float kClipPlanes[][4] = {
    {0, 0, 1, 0},          {0, 0, -1, 1},          {1, 0, 0, kGuardBand}, {-1, 0, 0, kGuardBand},
    {0, 1, 0, kGuardBand}, {0, -1, 0, kGuardBand}, {0, 0, 0, 1},
};

float PlaneDistance(const float plane[4], const ClipVertex& v) {
  float d = plane[0] * v.pos[0] + plane[1] * v.pos[1] + plane[2] * v.pos[2] + plane[3] * v.pos[3];
  // The w > 0 plane must exclude w = 0 itself.
  return plane[3] == 1 && plane[2] == 0 ? d - 1e-7f : d;
}

void Lerp(const ClipVertex& a, const ClipVertex& b, float t, ClipVertex* out) {
  for (int i = 0; i < 4; ++i) out->pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
  for (int i = 0; i < kAttrCount; ++i) out->attr[i] = a.attr[i] + (b.attr[i] - a.attr[i]) * t;
}

ScreenVertex ToScreen(const DeviceState& state, const ClipVertex& v, bool pretransformed) {
  ScreenVertex s;
  std::memcpy(s.attr, v.attr, sizeof s.attr);
  if (pretransformed) {
    s.x = v.pos[0];
    s.y = v.pos[1];
    s.z = v.pos[2];
    s.invW = std::isfinite(v.pos[3]) && v.pos[3] > 0.0f ? v.pos[3] : 1.0f;
    return s;
  }
  const D3DVIEWPORT9& vp = state.viewport;
  float invW = 1.0f / v.pos[3];
  s.x = vp.X + (1.0f + v.pos[0] * invW) * vp.Width * 0.5f;
  s.y = vp.Y + (1.0f - v.pos[1] * invW) * vp.Height * 0.5f;
  s.z = vp.MinZ + v.pos[2] * invW * (vp.MaxZ - vp.MinZ);
  s.invW = invW;
  return s;
}

bool Inside(const ClipVertex& v) {
  for (const float* plane : kClipPlanes) {
    if (!(PlaneDistance(plane, v) >= 0.0f)) return false;
  }
  return true;
}

}  // namespace

FvfLayout DecodeFvf(DWORD fvf) {
  FvfLayout layout;
  DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW) return layout;
  layout.pretransformed = position == D3DFVF_XYZRHW;
  UINT offset = layout.pretransformed ? 16 : 12;
  if (fvf & D3DFVF_NORMAL) offset += 12;
  if (fvf & D3DFVF_PSIZE) offset += 4;
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuse = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.specular = static_cast<int>(offset);
    offset += 4;
  }
  layout.texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (layout.texCount > 8) return layout;
  DWORD known = kKnownFvfBits;
  static const int kFloatsBySizeCode[4] = {2, 3, 4, 1};
  for (UINT i = 0; i < layout.texCount; ++i) {
    known |= 3u << (16 + 2 * i);
    layout.texOffset[i] = static_cast<int>(offset);
    layout.texFloats[i] = kFloatsBySizeCode[(fvf >> (16 + 2 * i)) & 3];
    offset += 4 * layout.texFloats[i];
  }
  if (fvf & ~known) return layout;
  layout.size = offset;
  layout.valid = true;
  return layout;
}

VertexProcessor::VertexProcessor(const DeviceState& state, const FvfLayout& layout,
                                 const StreamView streams[kStreamCount])
    : m_state(state), m_layout(layout) {
  for (DWORD s = 0; s < kStreamCount; ++s) m_streams[s] = streams[s];
  m_shader = state.vertexShaderImpl != nullptr;
  m_pretransformed = !m_shader && layout.pretransformed;
  m_worldViewProjection = Multiply(Multiply(state.world, state.view), state.projection);
}

UINT VertexProcessor::BytesNeeded(DWORD stream) const {
  if (!m_shader) return stream == 0 ? m_layout.size : 0;
  if (m_streams[stream].data == nullptr) return 0;
  return m_streams[stream].stride > 0 ? m_streams[stream].stride : 1;
}

void VertexProcessor::Process(UINT index, ClipVertex* out) const {
  if (!m_shader) {
    ProcessFixed(m_streams[0].data + static_cast<size_t>(index) * m_streams[0].stride, out);
    return;
  }
  D3DSHADER_VERTEX_INPUT in;
  for (DWORD s = 0; s < kStreamCount; ++s) {
    in.streams[s] = m_streams[s].data == nullptr
                        ? nullptr
                        : m_streams[s].data + static_cast<size_t>(index) * m_streams[s].stride;
  }
  in.vertexIndex = index;
  in.constants = m_state.vertexConstants;
  D3DSHADER_VERTEX_OUTPUT result{};
  for (float& channel : result.diffuse) channel = 1.0f;
  m_state.vertexShaderImpl->Function()(in, result);
  std::memcpy(out->pos, result.position, sizeof out->pos);
  std::memcpy(out->attr + kAttrDiffuse, result.diffuse, sizeof result.diffuse);
  std::memcpy(out->attr + kAttrSpecular, result.specular, sizeof result.specular);
  std::memcpy(out->attr + kAttrTexcoord, result.texcoord, sizeof result.texcoord);
}

void VertexProcessor::ProcessFixed(const BYTE* vertex, ClipVertex* out) const {
  float p[4] = {ReadFloat(vertex), ReadFloat(vertex + 4), ReadFloat(vertex + 8), 1.0f};
  if (m_pretransformed) {
    p[3] = ReadFloat(vertex + 12);
    std::memcpy(out->pos, p, sizeof p);
  } else {
    const D3DMATRIX& m = m_worldViewProjection;
    for (int col = 0; col < 4; ++col) {
      out->pos[col] = p[0] * m.m[0][col] + p[1] * m.m[1][col] + p[2] * m.m[2][col] + m.m[3][col];
    }
  }
  float diffuse[4] = {1, 1, 1, 1}, specular[4] = {0, 0, 0, 0};
  if (m_layout.diffuse >= 0) UnpackColor(ReadDword(vertex + m_layout.diffuse), diffuse);
  if (m_layout.specular >= 0) UnpackColor(ReadDword(vertex + m_layout.specular), specular);
  if (!m_pretransformed && m_state.render[D3DRS_LIGHTING]) {
    // No lights can be set, so lighting leaves the global ambient term times
    // the ambient source plus the emissive source; the material itself is
    // all zero.
    const float zero[4] = {0, 0, 0, 0};
    bool colorVertex = m_state.render[D3DRS_COLORVERTEX] != FALSE;
    auto source = [&](DWORD materialSource) -> const float* {
      if (colorVertex && materialSource == 1 && m_layout.diffuse >= 0) return diffuse;
      if (colorVertex && materialSource == 2 && m_layout.specular >= 0) return specular;
      return zero;
    };
    float ambient[4];
    UnpackColor(m_state.render[D3DRS_AMBIENT], ambient);
    const float* ambientSource = source(m_state.render[D3DRS_AMBIENTMATERIALSOURCE]);
    const float* emissiveSource = source(m_state.render[D3DRS_EMISSIVEMATERIALSOURCE]);
    float alpha = source(m_state.render[D3DRS_DIFFUSEMATERIALSOURCE])[3];
    float lit[4];
    for (int i = 0; i < 3; ++i) lit[i] = ambient[i] * ambientSource[i] + emissiveSource[i];
    lit[3] = alpha;
    std::memcpy(diffuse, lit, sizeof lit);
    std::memset(specular, 0, sizeof specular);
  }
  std::memcpy(out->attr + kAttrDiffuse, diffuse, sizeof diffuse);
  std::memcpy(out->attr + kAttrSpecular, specular, sizeof specular);
  for (UINT t = 0; t < 8; ++t) {
    float* coord = out->attr + kAttrTexcoord + t * 4;
    coord[0] = coord[1] = coord[2] = 0.0f;
    coord[3] = 1.0f;
    if (t >= m_layout.texCount) continue;
    for (int k = 0; k < m_layout.texFloats[t]; ++k) {
      coord[k] = ReadFloat(vertex + m_layout.texOffset[t] + 4 * k);
    }
  }
}

void DrawClippedTriangle(PixelPipeline& pipeline, const DeviceState& state, const ClipVertex& a,
                         const ClipVertex& b, const ClipVertex& c, bool pretransformed) {
  DWORD cull = state.render[D3DRS_CULLMODE];
  bool flat = state.render[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  if (pretransformed || (Inside(a) && Inside(b) && Inside(c))) {
    RasterizeTriangle(pipeline, ToScreen(state, a, pretransformed),
                      ToScreen(state, b, pretransformed), ToScreen(state, c, pretransformed), cull,
                      flat);
    return;
  }
  ClipVertex buffers[2][kMaxClipVertices];
  int count = 3;
  buffers[0][0] = a;
  buffers[0][1] = b;
  buffers[0][2] = c;
  int current = 0;
  for (const float* plane : kClipPlanes) {
    const ClipVertex* in = buffers[current];
    ClipVertex* out = buffers[1 - current];
    int outCount = 0;
    for (int i = 0; i < count && outCount < kMaxClipVertices - 1; ++i) {
      const ClipVertex& p = in[i];
      const ClipVertex& q = in[(i + 1) % count];
      float dp = PlaneDistance(plane, p), dq = PlaneDistance(plane, q);
      if (dp >= 0) out[outCount++] = p;
      if ((dp >= 0) != (dq >= 0)) Lerp(p, q, dp / (dp - dq), &out[outCount++]);
    }
    count = outCount;
    current = 1 - current;
    if (count < 3) return;
  }
  ScreenVertex first = ToScreen(state, buffers[current][0], false);
  ScreenVertex previous = ToScreen(state, buffers[current][1], false);
  for (int i = 2; i < count; ++i) {
    ScreenVertex next = ToScreen(state, buffers[current][i], false);
    RasterizeTriangle(pipeline, first, previous, next, cull, flat);
    previous = next;
  }
}

void DrawClippedLine(PixelPipeline& pipeline, const DeviceState& state, const ClipVertex& a,
                     const ClipVertex& b, bool pretransformed) {
  if (pretransformed) {
    RasterizeLine(pipeline, ToScreen(state, a, true), ToScreen(state, b, true));
    return;
  }
  float t0 = 0.0f, t1 = 1.0f;
  for (const float* plane : kClipPlanes) {
    float da = PlaneDistance(plane, a), db = PlaneDistance(plane, b);
    if (da < 0 && db < 0) return;
    if (da < 0) t0 = std::fmax(t0, da / (da - db));
    if (db < 0) t1 = std::fmin(t1, da / (da - db));
  }
  if (!(t0 < t1)) return;
  ClipVertex start, end;
  Lerp(a, b, t0, &start);
  Lerp(a, b, t1, &end);
  RasterizeLine(pipeline, ToScreen(state, start, false), ToScreen(state, end, false));
}

void DrawClippedPoint(PixelPipeline& pipeline, const DeviceState& state, const ClipVertex& a,
                      bool pretransformed) {
  if (!pretransformed && !Inside(a)) return;
  RasterizePoint(pipeline, ToScreen(state, a, pretransformed));
}

}  // namespace tavorin::d3d9
