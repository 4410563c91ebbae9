// The scene light behind IVeyaLight.
#pragma once

#include <comobject.h>

#include "IVeyaLight.h"

class CVeyaLight : public tavorin::ComObject<IVeyaLight> {
 public:
  HRESULT Init() { return S_OK; }

  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;
};
