// The platform's DirectShow classes: what CoCreateInstance makes and what
// intelligent connect may insert.
#pragma once

#include <vector>

#include <streams.h>

namespace tavorin::dshow {

// Filters intelligent connect tries between two pins that do not connect
// directly, in this order.
const std::vector<CLSID>& IntermediateFilterClasses();

// The renderer Render and RenderStream add for a stream of `majorType`;
// null when the platform has none.
const CLSID* DefaultRendererClass(REFGUID majorType);

}  // namespace tavorin::dshow
