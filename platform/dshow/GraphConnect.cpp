// DirectShow filter graph manager: intelligent connect and rendering
// through the platform's filters.
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/PlatformClasses.h"

namespace tavorin::dshow {
namespace {

// Deep enough for source -> splitter -> renderer with room to spare; the
// bound also ends any loop of filters that accept each other.
constexpr int kMaxDepth = 4;

std::vector<ComPtr<IPin>> UnconnectedOutputs(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> outputs;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return outputs;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    ComPtr<IPin> held(pin);
    PIN_DIRECTION direction;
    ComPtr<IPin> other;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT &&
        FAILED(pin->ConnectedTo(other.ReleaseAndGetAddressOf()))) {
      outputs.push_back(held);
    }
  }
  return outputs;
}

ComPtr<IPin> FirstInput(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return nullptr;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    ComPtr<IPin> held(pin);
    PIN_DIRECTION direction;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT) return held;
  }
  return nullptr;
}

// The major type the pin offers first; GUID_NULL when it offers none.
GUID OfferedMajorType(IPin* pin) {
  GUID major = GUID_NULL;
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()))) return major;
  AM_MEDIA_TYPE* type = nullptr;
  if (types->Next(1, &type, nullptr) == S_OK) {
    major = type->majortype;
    DeleteMediaType(type);
  }
  return major;
}

}  // namespace

HRESULT CFilterGraph::AddPlatformFilter(REFCLSID clsid, ComPtr<IBaseFilter>* filter) {
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(filter->ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = AddFilter(filter->Get(), clsid == CLSID_DSoundRender ? L"Audio Renderer" : L"Splitter");
  if (FAILED(hr)) filter->Reset();
  return hr;
}

STDMETHODIMP CFilterGraph::Connect(IPin* out, IPin* in) {
  if (out == nullptr || in == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!PinInGraph(out) || !PinInGraph(in)) return VFW_E_NOT_IN_GRAPH;
  return ConnectThrough(out, in, 0);
}

HRESULT CFilterGraph::ConnectThrough(IPin* out, IPin* in, int depth) {
  HRESULT direct = ConnectDirect(out, in, nullptr);
  if (SUCCEEDED(direct)) return direct;
  if (direct == VFW_E_ALREADY_CONNECTED || direct == VFW_E_INVALID_DIRECTION) return direct;
  if (depth >= kMaxDepth) return VFW_E_CANNOT_CONNECT;
  for (const CLSID& clsid : IntermediateFilterClasses()) {
    ComPtr<IBaseFilter> middle;
    if (FAILED(AddPlatformFilter(clsid, &middle))) continue;
    ComPtr<IPin> middleIn = FirstInput(middle.Get());
    if (middleIn && SUCCEEDED(ConnectDirect(out, middleIn.Get(), nullptr))) {
      for (const ComPtr<IPin>& next : UnconnectedOutputs(middle.Get())) {
        if (SUCCEEDED(ConnectThrough(next.Get(), in, depth + 1))) return S_OK;
      }
    }
    // Nothing of a failed attempt stays in the graph.
    RemoveFilter(middle.Get());
  }
  return VFW_E_CANNOT_CONNECT;
}

STDMETHODIMP CFilterGraph::Render(IPin* out) {
  if (out == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!PinInGraph(out)) return VFW_E_NOT_IN_GRAPH;
  return RenderThrough(out, 0);
}

HRESULT CFilterGraph::RenderThrough(IPin* out, int depth) {
  if (depth >= kMaxDepth) return VFW_E_CANNOT_RENDER;
  if (const CLSID* rendererClass = DefaultRendererClass(OfferedMajorType(out))) {
    ComPtr<IBaseFilter> renderer;
    HRESULT hr = AddPlatformFilter(*rendererClass, &renderer);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> rendererIn = FirstInput(renderer.Get());
    if (rendererIn && SUCCEEDED(ConnectDirect(out, rendererIn.Get(), nullptr))) return S_OK;
    RemoveFilter(renderer.Get());
  }
  for (const CLSID& clsid : IntermediateFilterClasses()) {
    ComPtr<IBaseFilter> middle;
    if (FAILED(AddPlatformFilter(clsid, &middle))) continue;
    ComPtr<IPin> middleIn = FirstInput(middle.Get());
    if (middleIn && SUCCEEDED(ConnectDirect(out, middleIn.Get(), nullptr))) {
      int rendered = 0;
      int tried = 0;
      for (const ComPtr<IPin>& next : UnconnectedOutputs(middle.Get())) {
        ++tried;
        if (SUCCEEDED(RenderThrough(next.Get(), depth + 1))) ++rendered;
      }
      if (rendered > 0) return rendered == tried ? S_OK : VFW_S_PARTIAL_RENDER;
    }
    RemoveFilter(middle.Get());
  }
  return VFW_E_CANNOT_RENDER;
}

}  // namespace tavorin::dshow
