// A DirectInput keyboard or mouse over the platform's input state.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include <comobject.h>
#include <dinput.h>

#include "platform/win32/InputState.h"

namespace tavorin::platform {

enum class InputDeviceKind { Keyboard, Mouse };

class CDirectInputDevice8 : public ComObject<IDirectInputDevice8A> {
 public:
  HRESULT Init(InputDeviceKind kind);

  STDMETHOD(Acquire)() override;
  STDMETHOD(Unacquire)() override;
  STDMETHOD(GetDeviceState)(DWORD size, LPVOID data) override;
  STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT format) override;
  STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) override;
  STDMETHOD(Poll)() override;

 protected:
  ~CDirectInputDevice8() override;

 private:
  // One object of the device placed in the caller's data format.
  struct Field {
    bool axis;
    int index;  // key scan code, button number or axis 0 x, 1 y, 2 wheel
    DWORD offset;
  };
  enum class State { Unacquired, Acquired, Lost };

  bool MapObject(const DIOBJECTDATAFORMAT& object, DWORD dataSize, std::vector<bool>& used,
                 std::vector<Field>& fields) const;
  void CheckFocus();
  void ReleaseExclusive();
  void Fill(BYTE* data);

  std::mutex m_mutex;
  InputDeviceKind m_kind = InputDeviceKind::Keyboard;
  std::vector<Field> m_fields;
  DWORD m_dataSize = 0;
  bool m_hasFormat = false;
  bool m_absoluteAxes = false;
  HWND m_window = nullptr;
  DWORD m_level = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  State m_state = State::Unacquired;
  uint64_t m_foregroundGeneration = 0;
  MouseReading m_lastRead;
  MouseReading m_acquiredAt;
};

}  // namespace tavorin::platform
