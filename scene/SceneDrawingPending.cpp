// Placeholder for the drawing operations until SceneDrawing.cpp joins this
// branch; it goes when that file arrives.
#include "scene/Veya2.h"

HRESULT CVeya2::DrawAll(DWORD, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawLayer(WORD, DWORD, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawLayerMorph2(WORD, WORD, const FLOAT*, DWORD, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawLayerMorph4(WORD, WORD, const FLOAT*, WORD, WORD, const FLOAT*, const FLOAT*,
                                DWORD, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawJoints(const FLOAT*) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawDepthAll(DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawLayerDepth(WORD, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawLayerDepthMorph2(WORD, WORD, const FLOAT*, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawLayerDepthMorph4(WORD, WORD, const FLOAT*, WORD, WORD, const FLOAT*,
                                     const FLOAT*, DWORD) {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawCollisionLayersAll() {
  return E_NOTIMPL;
}
HRESULT CVeya2::DrawCollisionLayer(WORD) {
  return E_NOTIMPL;
}
