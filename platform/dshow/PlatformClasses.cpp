// The platform's DirectShow classes in CoCreateInstance's table, and the
// filters intelligent connect may use.
#include "platform/dshow/PlatformClasses.h"

#include "platform/dshow/AudioRenderer.h"
#include "platform/dshow/CaptureGraphBuilder.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/SplitterFilter.h"
#include "platform/win32/ComClassTable.h"

namespace tavorin::dshow {
namespace {

template <class Object>
HRESULT CreateComClass(REFIID iid, void** object) {
  auto* created = new (std::nothrow) Object();
  if (created == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = created->Init();
  if (SUCCEEDED(hr)) hr = created->QueryInterface(iid, object);
  created->Release();
  return hr;
}

template <CUnknown* (*Create)(LPUNKNOWN, HRESULT*)>
HRESULT CreateBaseClass(REFIID iid, void** object) {
  HRESULT hr = S_OK;
  CUnknown* created = Create(nullptr, &hr);
  if (created == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  created->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = created->NonDelegatingQueryInterface(iid, object);
  created->NonDelegatingRelease();
  return hr;
}

}  // namespace

const std::vector<CLSID>& IntermediateFilterClasses() {
  static const std::vector<CLSID> classes{CLSID_MovieSplitter};
  return classes;
}

const CLSID* DefaultRendererClass(REFGUID majorType) {
  return majorType == MEDIATYPE_Audio ? &CLSID_DSoundRender : nullptr;
}

}  // namespace tavorin::dshow

namespace tavorin::platform {

bool RegisterDirectShowClasses() {
  static const bool registered = [] {
    RegisterComClass(CLSID_FilterGraph, dshow::CreateComClass<dshow::CFilterGraph>);
    RegisterComClass(CLSID_CaptureGraphBuilder2,
                     dshow::CreateComClass<dshow::CCaptureGraphBuilder>);
    RegisterComClass(dshow::CLSID_MovieSplitter,
                     dshow::CreateBaseClass<dshow::CSplitterFilter::CreateInstance>);
    RegisterComClass(CLSID_DSoundRender,
                     dshow::CreateBaseClass<dshow::CAudioRenderer::CreateInstance>);
    RegisterComClass(CLSID_MemoryAllocator, dshow::CreateBaseClass<CMemAllocator::CreateInstance>);
    return true;
  }();
  return registered;
}

}  // namespace tavorin::platform
