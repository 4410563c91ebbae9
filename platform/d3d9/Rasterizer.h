// Direct3D 9 rasterisation rules on the CPU: pixel centres on integer
// coordinates, the top-left fill convention, perspective-correct
// interpolation.
#pragma once

#include "platform/d3d9/PixelPipeline.h"

namespace tavorin::d3d9 {

// Vertex positions are snapped to 1/256 pixel, as hardware snaps them.
constexpr int kSubpixelBits = 8;
constexpr float kSubpixelScale = 1 << kSubpixelBits;

// Draws one triangle unless `cullMode` removes it (clockwise on screen is
// the front face). FLAT shading takes the colours of `a`.
void RasterizeTriangle(PixelPipeline& pipeline, const ScreenVertex& a, const ScreenVertex& b,
                       const ScreenVertex& c, DWORD cullMode, bool flatShading);

// Draws the pixels along a → b, without the last one.
void RasterizeLine(PixelPipeline& pipeline, const ScreenVertex& a, const ScreenVertex& b);

// Draws the pixel whose centre is nearest to the point.
void RasterizePoint(PixelPipeline& pipeline, const ScreenVertex& a);

}  // namespace tavorin::d3d9
