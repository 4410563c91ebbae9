// Direct3D 9 vertex processing on the CPU: FVF decoding, the fixed-function
// transform (with lighting reduced to ambient and emissive terms, as there
// are no lights), pre-transformed vertices and vertex callables; then
// clipping and the viewport mapping.
#pragma once

#include "platform/d3d9/PixelPipeline.h"

namespace tavorin::d3d9 {

// Where each element of an FVF vertex lies; offsets in bytes, -1 if absent.
struct FvfLayout {
  bool valid = false;
  bool pretransformed = false;
  UINT size = 0;
  int diffuse = -1;
  int specular = -1;
  UINT texCount = 0;
  int texOffset[8] = {};
  int texFloats[8] = {};
};

// Decodes an FVF; position XYZ or XYZRHW only (blend weights are not
// offered), invalid otherwise.
FvfLayout DecodeFvf(DWORD fvf);

// A vertex in clip space (or, pre-transformed, already on screen with
// position = x, y, z, rhw).
struct ClipVertex {
  float pos[4];
  float attr[kAttrCount];
};

// The bytes a draw reads for each stream.
struct StreamView {
  const BYTE* data = nullptr;  // at the binding's offset
  uint64_t size = 0;           // bytes from data on
  UINT stride = 0;
};

class VertexProcessor {
 public:
  VertexProcessor(const DeviceState& state, const FvfLayout& layout,
                  const StreamView streams[kStreamCount]);

  // Bytes every vertex of stream `s` must have available.
  UINT BytesNeeded(DWORD stream) const;
  bool Pretransformed() const { return m_pretransformed; }
  void Process(UINT index, ClipVertex* out) const;

 private:
  void ProcessFixed(const BYTE* vertex, ClipVertex* out) const;

  const DeviceState& m_state;
  const FvfLayout& m_layout;
  StreamView m_streams[kStreamCount];
  bool m_shader;
  bool m_pretransformed;
  D3DMATRIX m_worldViewProjection;
};

// Clips a triangle against the view volume, maps it through the viewport
// and rasterises it.
void DrawClippedTriangle(PixelPipeline& pipeline, const DeviceState& state, const ClipVertex& a,
                         const ClipVertex& b, const ClipVertex& c, bool pretransformed);
void DrawClippedLine(PixelPipeline& pipeline, const DeviceState& state, const ClipVertex& a,
                     const ClipVertex& b, bool pretransformed);
void DrawClippedPoint(PixelPipeline& pipeline, const DeviceState& state, const ClipVertex& a,
                      bool pretransformed);

}  // namespace tavorin::d3d9
