// DirectShow filter graph manager: the filters of a graph, their names and
// connections.
#include "platform/dshow/FilterGraph.h"

#include <cstdio>
#include <cwchar>

#include "platform/dshow/SystemClock.h"

namespace tavorin::dshow {
namespace {

// Enumerates the graph's filters as they were when it was made.
class CEnumFilters : public ComObject<IEnumFilters> {
 public:
  HRESULT Init(std::vector<ComPtr<IBaseFilter>> filters, size_t position) {
    m_filters = std::move(filters);
    m_position = position;
    return S_OK;
  }

  STDMETHODIMP Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override {
    if (filters == nullptr) return E_POINTER;
    if (fetched == nullptr && count > 1) return E_INVALIDARG;
    ULONG done = 0;
    while (done < count && m_position < m_filters.size()) {
      filters[done] = m_filters[m_position++].Get();
      filters[done]->AddRef();
      ++done;
    }
    if (fetched != nullptr) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    size_t left = m_filters.size() - m_position;
    m_position += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_position = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumFilters** copy) override {
    return CreateComObject<CEnumFilters>(copy, m_filters, m_position);
  }

 private:
  std::vector<ComPtr<IBaseFilter>> m_filters;
  size_t m_position = 0;
};

ComPtr<IBaseFilter> FilterOfPin(IPin* pin) {
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return nullptr;
  return ComPtr<IBaseFilter>(info.pFilter);
}

}  // namespace

HRESULT CFilterGraph::Init() {
  return CreateComObject<CSystemClock>(m_systemClock.ReleaseAndGetAddressOf());
}

CFilterGraph::~CFilterGraph() {
  Stop();
  while (!m_filters.empty()) RemoveFilter(m_filters.back().filter.Get());
}

void* CFilterGraph::QueryOtherInterface(REFIID iid) {
  if (iid == IID_IFilterGraph) return static_cast<IFilterGraph*>(static_cast<IGraphBuilder*>(this));
  if (iid == IID_IMediaEvent) return static_cast<IMediaEvent*>(static_cast<IMediaEventEx*>(this));
  if (iid == IID_IPersist) return static_cast<IPersist*>(static_cast<IMediaFilter*>(this));
  return nullptr;
}

bool CFilterGraph::Contains(IBaseFilter* filter) const {
  for (const Entry& entry : m_filters) {
    if (entry.filter.Get() == filter) return true;
  }
  return false;
}

bool CFilterGraph::PinInGraph(IPin* pin) const {
  ComPtr<IBaseFilter> filter = FilterOfPin(pin);
  return filter && Contains(filter.Get());
}

std::wstring CFilterGraph::UniqueName(LPCWSTR name, bool* renamed) const {
  std::wstring base = name != nullptr && *name != 0 ? name : L"Filter";
  *renamed = false;
  auto inUse = [this](const std::wstring& candidate) {
    for (const Entry& entry : m_filters) {
      if (entry.name == candidate) return true;
    }
    return false;
  };
  if (name != nullptr && *name != 0 && !inUse(base)) return base;
  for (int number = 1;; ++number) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L" %04d", number);
    std::wstring candidate = base.substr(0, MAX_FILTER_NAME - 8) + suffix;
    if (!inUse(candidate)) {
      *renamed = name != nullptr && *name != 0;
      return candidate;
    }
  }
}

STDMETHODIMP CFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  if (filter == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  if (Contains(filter)) return VFW_E_DUPLICATE_NAME;
  bool renamed = false;
  std::wstring unique = UniqueName(name, &renamed);
  HRESULT hr = filter->JoinFilterGraph(Self(), unique.c_str());
  if (FAILED(hr)) return hr;
  filter->AddRef();
  m_filters.push_back({ComPtr<IBaseFilter>(filter), unique});
  if (m_clock) filter->SetSyncSource(m_clock.Get());
  return renamed ? VFW_S_DUPLICATE_NAME : S_OK;
}

STDMETHODIMP CFilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (filter == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  for (auto it = m_filters.begin(); it != m_filters.end(); ++it) {
    if (it->filter.Get() != filter) continue;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    ComPtr<IEnumPins> pins;
    if (SUCCEEDED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) {
      IPin* pin = nullptr;
      while (pins->Next(1, &pin, nullptr) == S_OK) {
        IPin* other = nullptr;
        if (SUCCEEDED(pin->ConnectedTo(&other)) && other != nullptr) {
          other->Disconnect();
          other->Release();
        }
        pin->Disconnect();
        pin->Release();
      }
    }
    ComPtr<IBaseFilter> keep = it->filter;
    m_filters.erase(it);
    keep->SetSyncSource(nullptr);
    keep->JoinFilterGraph(nullptr, nullptr);
    return S_OK;
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CFilterGraph::EnumFilters(IEnumFilters** filters) {
  if (filters == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  std::vector<ComPtr<IBaseFilter>> snapshot;
  for (const Entry& entry : m_filters) snapshot.push_back(entry.filter);
  return CreateComObject<CEnumFilters>(filters, std::move(snapshot), size_t{0});
}

STDMETHODIMP CFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  if (filter == nullptr) return E_POINTER;
  *filter = nullptr;
  if (name == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  for (const Entry& entry : m_filters) {
    if (entry.name == name) {
      *filter = entry.filter.Get();
      (*filter)->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) {
  if (out == nullptr || in == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!PinInGraph(out) || !PinInGraph(in)) return VFW_E_NOT_IN_GRAPH;
  PIN_DIRECTION direction;
  if (FAILED(out->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  return out->Connect(in, type);
}

STDMETHODIMP CFilterGraph::Reconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  ComPtr<IPin> other;
  if (FAILED(pin->ConnectedTo(other.ReleaseAndGetAddressOf()))) return VFW_E_NOT_CONNECTED;
  CMediaType type;
  pin->ConnectionMediaType(&type);
  PIN_DIRECTION direction;
  pin->QueryDirection(&direction);
  IPin* out = direction == PINDIR_OUTPUT ? pin : other.Get();
  IPin* in = direction == PINDIR_OUTPUT ? other.Get() : pin;
  out->Disconnect();
  in->Disconnect();
  return out->Connect(in, &type);
}

STDMETHODIMP CFilterGraph::Disconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> hold(m_graphLock);
  if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
  return pin->Disconnect();
}

}  // namespace tavorin::dshow
