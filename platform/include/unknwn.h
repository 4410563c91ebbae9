// IUnknown, the root of every reference-counted interface.
#pragma once

#include "guiddef.h"
#include "winerror.h"

DECLARE_INTERFACE_ID(IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x46);

struct IUnknown {
  // Answers IUnknown and the object's own identifiers with an AddRef'd
  // pointer; anything else gives E_NOINTERFACE and a null *object.
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  // Destroys the object when the last reference goes and then returns 0.
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown* LPUNKNOWN;
