// A filter graph built the way the movie player builds one: a source, the
// capture graph builder's RenderStream to a renderer, and the audio.
#pragma once

#include <string>
#include <vector>

#include <dshow.h>

#include "comobject.h"
#include "platform_dshow/TestFilters.h"

namespace tavorin::test {

struct MovieGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaEvent> events;
  ComPtr<IBaseFilter> source;
  ComPtr<IBaseFilter> rendererFilter;
  CRecordingRenderer* renderer = nullptr;  // owned through rendererFilter
  HRESULT videoResult = E_FAIL;
  HRESULT audioResult = E_FAIL;

  // Builds the graph over `bytes`; `accept` restricts the renderer.
  explicit MovieGraph(std::vector<uint8_t> bytes, CRecordingRenderer::Accept accept = nullptr,
                      bool keepData = false);
  ~MovieGraph();

  // Pauses and waits until the renderers are cued; the graph's answer.
  HRESULT Cue();
  // Waits up to `milliseconds` for completion; the event code, or 0.
  LONG WaitForEnd(LONG milliseconds);
  OAFilterState State(HRESULT* result = nullptr);
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace tavorin::test
