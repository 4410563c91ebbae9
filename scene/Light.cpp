// Scene lights: placeholders whose payload is empty.
#include "scene/Light.h"

HRESULT CreateLight(IVeyaLight** out) {
  return tavorin::CreateComObject<CVeyaLight>(out);
}

HRESULT CVeyaLight::Serialize(IFileWriter* /*writer*/, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  *size = 0;
  return S_OK;
}
