// The capture graph builder (CLSID_CaptureGraphBuilder2): renders a
// source's streams into a filter graph.
#pragma once

#include <streams.h>

#include "comobject.h"

namespace tavorin::dshow {

class CCaptureGraphBuilder : public ComObject<ICaptureGraphBuilder2> {
 public:
  HRESULT Init() { return S_OK; }

  STDMETHODIMP SetFiltergraph(IGraphBuilder* graph) override;
  STDMETHODIMP GetFiltergraph(IGraphBuilder** graph) override;
  STDMETHODIMP RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                            IBaseFilter* intermediate, IBaseFilter* sink) override;

 private:
  ComPtr<IGraphBuilder> m_graph;
};

}  // namespace tavorin::dshow
