// DirectShow capture graph builder: finds the stream to render downstream
// of a source and connects it through the filter graph.
#include "platform/dshow/CaptureGraphBuilder.h"

#include <deque>
#include <vector>

namespace tavorin::dshow {
namespace {

struct PinScan {
  std::vector<ComPtr<IPin>> unconnectedOutputs;
  std::vector<ComPtr<IBaseFilter>> downstream;
  ComPtr<IPin> unconnectedInput;
};

PinScan ScanPins(IBaseFilter* filter) {
  PinScan scan;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return scan;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    ComPtr<IPin> held(pin);
    PIN_DIRECTION direction;
    if (FAILED(pin->QueryDirection(&direction))) continue;
    ComPtr<IPin> other;
    bool connected = SUCCEEDED(pin->ConnectedTo(other.ReleaseAndGetAddressOf())) && other;
    if (direction == PINDIR_INPUT) {
      if (!connected && !scan.unconnectedInput) scan.unconnectedInput = held;
      continue;
    }
    if (!connected) {
      scan.unconnectedOutputs.push_back(held);
      continue;
    }
    PIN_INFO info{};
    if (SUCCEEDED(other->QueryPinInfo(&info)) && info.pFilter != nullptr) {
      scan.downstream.push_back(ComPtr<IBaseFilter>(info.pFilter));
    }
  }
  return scan;
}

bool OffersMajorType(IPin* pin, const GUID* type) {
  if (type == nullptr) return true;
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()))) return false;
  AM_MEDIA_TYPE* offered = nullptr;
  bool found = false;
  while (!found && types->Next(1, &offered, nullptr) == S_OK) {
    found = offered->majortype == *type;
    DeleteMediaType(offered);
  }
  return found;
}

// The first unconnected output of `type` on `source` or, breadth first, on
// the filters downstream of it.
ComPtr<IPin> FindStream(IBaseFilter* source, const GUID* type) {
  source->AddRef();
  std::deque<ComPtr<IBaseFilter>> queue;
  queue.emplace_back(source);
  // Bounded, so a graph with a loop cannot keep the search going.
  for (int visited = 0; !queue.empty() && visited < 64; ++visited) {
    ComPtr<IBaseFilter> filter = queue.front();
    queue.pop_front();
    PinScan scan = ScanPins(filter.Get());
    for (const ComPtr<IPin>& pin : scan.unconnectedOutputs) {
      if (OffersMajorType(pin.Get(), type)) return pin;
    }
    for (const ComPtr<IBaseFilter>& next : scan.downstream) queue.push_back(next);
  }
  return nullptr;
}

}  // namespace

STDMETHODIMP CCaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
  if (graph == nullptr) return E_POINTER;
  graph->AddRef();
  m_graph = ComPtr<IGraphBuilder>(graph);
  return S_OK;
}

STDMETHODIMP CCaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
  if (graph == nullptr) return E_POINTER;
  *graph = m_graph.Get();
  if (*graph == nullptr) return E_UNEXPECTED;
  (*graph)->AddRef();
  return S_OK;
}

STDMETHODIMP CCaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type,
                                                IUnknown* source, IBaseFilter* intermediate,
                                                IBaseFilter* sink) {
  if (source == nullptr) return E_POINTER;
  // Pin categories belong to capture devices, which this platform has none of.
  if (category != nullptr) return E_INVALIDARG;
  if (!m_graph) return E_UNEXPECTED;

  ComPtr<IPin> stream;
  ComPtr<IBaseFilter> sourceFilter;
  if (SUCCEEDED(source->QueryInterface(
          IID_IPin, reinterpret_cast<void**>(stream.ReleaseAndGetAddressOf())))) {
    if (!OffersMajorType(stream.Get(), type)) return VFW_E_CANNOT_CONNECT;
  } else if (SUCCEEDED(source->QueryInterface(
                 IID_IBaseFilter,
                 reinterpret_cast<void**>(sourceFilter.ReleaseAndGetAddressOf())))) {
    stream = FindStream(sourceFilter.Get(), type);
    if (!stream) return E_FAIL;
  } else {
    return E_NOINTERFACE;
  }

  if (intermediate != nullptr) {
    PinScan scan = ScanPins(intermediate);
    if (!scan.unconnectedInput) return VFW_E_CANNOT_CONNECT;
    HRESULT hr = m_graph->Connect(stream.Get(), scan.unconnectedInput.Get());
    if (FAILED(hr)) return hr;
    stream = FindStream(intermediate, type);
    if (!stream) return sink == nullptr ? S_OK : VFW_E_CANNOT_CONNECT;
  }

  if (sink == nullptr) return m_graph->Render(stream.Get());
  PinScan scan = ScanPins(sink);
  if (!scan.unconnectedInput) return VFW_E_CANNOT_CONNECT;
  return m_graph->Connect(stream.Get(), scan.unconnectedInput.Get());
}

}  // namespace tavorin::dshow
