#include "graphics/MultiSample.h"

#include <algorithm>

namespace {

// The quality-level count of `samples` when both surfaces can use it, else 0.
DWORD UsableLevels(IDirect3D9* direct3D, UINT adapter, D3DFORMAT format, UINT samples) {
  auto type = static_cast<D3DMULTISAMPLE_TYPE>(samples);
  DWORD colourLevels = 0, depthLevels = 0;
  if (FAILED(direct3D->CheckDeviceMultiSampleType(adapter, D3DDEVTYPE_HAL, format, TRUE, type,
                                                  &colourLevels)) ||
      FAILED(direct3D->CheckDeviceMultiSampleType(adapter, D3DDEVTYPE_HAL, D3DFMT_D16, TRUE, type,
                                                  &depthLevels))) {
    return 0;
  }
  return std::min(colourLevels, depthLevels);
}

}  // namespace

MultiSampleChoice ChooseMultiSample(IDirect3D9* direct3D, UINT adapter, D3DFORMAT backBufferFormat,
                                    UINT request) {
  MultiSampleChoice choice;
  if (request == 0) return choice;
  if (request != 0xFFFFFFFF) {
    if (DWORD levels = UsableLevels(direct3D, adapter, backBufferFormat, request)) {
      return {static_cast<D3DMULTISAMPLE_TYPE>(request), levels - 1};
    }
  }
  for (UINT samples : {8u, 4u, 2u}) {
    if (DWORD levels = UsableLevels(direct3D, adapter, backBufferFormat, samples)) {
      return {static_cast<D3DMULTISAMPLE_TYPE>(samples), levels - 1};
    }
  }
  // Nothing usable: no multisampling, and a quality the device accepts with it.
  return choice;
}
