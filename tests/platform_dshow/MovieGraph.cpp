#include "platform_dshow/MovieGraph.h"

#include <fstream>
#include <iterator>

namespace tavorin::test {

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

MovieGraph::MovieGraph(std::vector<uint8_t> bytes, CRecordingRenderer::Accept accept,
                       bool keepData) {
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                   reinterpret_cast<void**>(graph.ReleaseAndGetAddressOf()));
  graph.As(&control);
  graph.As(&seeking);
  graph.As(&events);

  CMemorySource* memory = CMemorySource::Create(std::move(bytes));
  source = ComPtr<IBaseFilter>(static_cast<IBaseFilter*>(memory));
  renderer = CRecordingRenderer::Create(std::move(accept), keepData);
  rendererFilter = ComPtr<IBaseFilter>(static_cast<IBaseFilter*>(renderer));
  graph->AddFilter(rendererFilter.Get(), L"TextureRenderFilter");
  graph->AddFilter(source.Get(), L"SourceFilter");

  ComPtr<ICaptureGraphBuilder2> builder;
  CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr,
                   CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICaptureGraphBuilder2,
                   reinterpret_cast<void**>(builder.ReleaseAndGetAddressOf()));
  builder->SetFiltergraph(graph.Get());
  videoResult =
      builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, rendererFilter.Get());
  audioResult = builder->RenderStream(nullptr, &MEDIATYPE_Audio, source.Get(), nullptr, nullptr);
}

MovieGraph::~MovieGraph() {
  if (control) control->Stop();
}

HRESULT MovieGraph::Cue() {
  HRESULT hr = control->Pause();
  if (FAILED(hr)) return hr;
  OAFilterState state = 0;
  return control->GetState(10000, &state);
}

LONG MovieGraph::WaitForEnd(LONG milliseconds) {
  LONG code = 0;
  events->WaitForCompletion(milliseconds, &code);
  return code;
}

OAFilterState MovieGraph::State(HRESULT* result) {
  OAFilterState state = -1;
  HRESULT hr = control->GetState(0, &state);
  if (result != nullptr) *result = hr;
  return state;
}

}  // namespace tavorin::test
