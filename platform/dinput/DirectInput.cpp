// The DirectInput 8 root object, handing out the system keyboard and mouse.
#include <comobject.h>
#include <dinput.h>

#include "platform/dinput/DirectInputDevice.h"

namespace tavorin::platform {
namespace {

class CDirectInput8 : public ComObject<IDirectInput8A> {
 public:
  HRESULT Init() { return S_OK; }

  STDMETHOD(CreateDevice)(REFGUID device, LPDIRECTINPUTDEVICE8A* out, LPUNKNOWN outer) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return DIERR_NOAGGREGATION;
    if (device == GUID_SysKeyboard) {
      return CreateComObject<CDirectInputDevice8>(out, InputDeviceKind::Keyboard);
    }
    if (device == GUID_SysMouse) {
      return CreateComObject<CDirectInputDevice8>(out, InputDeviceKind::Mouse);
    }
    return DIERR_DEVICENOTREG;
  }

  STDMETHOD(GetDeviceStatus)(REFGUID device) override {
    return device == GUID_SysKeyboard || device == GUID_SysMouse ? DI_OK : DIERR_DEVICENOTREG;
  }
};

}  // namespace
}  // namespace tavorin::platform

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* out,
                           LPUNKNOWN outer) {
  using namespace tavorin::platform;
  if (out == nullptr) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (instance == nullptr) return DIERR_INVALIDPARAM;
  if (version < 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
  if (version > 0x0800) return DIERR_BETADIRECTINPUTVERSION;
  if (outer != nullptr) return DIERR_NOAGGREGATION;
  if (iid != IID_IDirectInput8A) return DIERR_NOINTERFACE;
  IDirectInput8A* created = nullptr;
  HRESULT result = tavorin::CreateComObject<CDirectInput8>(&created);
  *out = created;
  return result;
}
