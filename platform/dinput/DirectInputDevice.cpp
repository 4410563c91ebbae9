// DirectInput keyboard and mouse devices on the platform's SDL-fed input
// state, with DirectInput's acquisition and foreground rules.
#include "platform/dinput/DirectInputDevice.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tavorin::platform {
namespace {

struct DeviceObject {
  const GUID* guid;
  bool axis;
  int index;  // also the object's instance number
};

int ObjectCount(InputDeviceKind kind) {
  return kind == InputDeviceKind::Keyboard ? 256 : 11;
}

DeviceObject ObjectAt(InputDeviceKind kind, int position) {
  static const GUID* const kAxes[3] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis};
  if (kind == InputDeviceKind::Keyboard) return {&GUID_Key, false, position};
  if (position < 3) return {kAxes[position], true, position};
  return {&GUID_Button, false, position - 3};
}

// One exclusive holder per physical device across the process.
std::mutex g_exclusiveMutex;
void* g_exclusiveOwner[2] = {nullptr, nullptr};

LONG Saturate(int64_t value) {
  return static_cast<LONG>(std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(),
                                               std::numeric_limits<LONG>::max()));
}

}  // namespace

HRESULT CDirectInputDevice8::Init(InputDeviceKind kind) {
  m_kind = kind;
  return S_OK;
}

CDirectInputDevice8::~CDirectInputDevice8() {
  ReleaseExclusive();
}

HRESULT CDirectInputDevice8::Acquire() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_hasFormat) return DIERR_INVALIDPARAM;
  CheckFocus();
  if (m_state == State::Acquired) return S_FALSE;
  ForegroundReading front = ReadForeground();
  if ((m_level & DISCL_FOREGROUND) && (m_window == nullptr || front.window != m_window)) {
    m_state = State::Unacquired;
    return DIERR_OTHERAPPHASPRIO;
  }
  if (m_level & DISCL_EXCLUSIVE) {
    std::lock_guard<std::mutex> exclusive(g_exclusiveMutex);
    void*& owner = g_exclusiveOwner[static_cast<int>(m_kind)];
    if (owner != nullptr && owner != this) return DIERR_OTHERAPPHASPRIO;
    owner = this;
  }
  m_foregroundGeneration = front.generation;
  m_lastRead = m_acquiredAt = ReadMouseState();
  m_state = State::Acquired;
  return DI_OK;
}

HRESULT CDirectInputDevice8::Unacquire() {
  std::lock_guard<std::mutex> lock(m_mutex);
  bool wasAcquired = m_state == State::Acquired;
  m_state = State::Unacquired;
  ReleaseExclusive();
  return wasAcquired ? DI_OK : DI_NOEFFECT;
}

HRESULT CDirectInputDevice8::GetDeviceState(DWORD size, LPVOID data) {
  if (data == nullptr) return DIERR_INVALIDPARAM;
  PumpEvents();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_hasFormat || size != m_dataSize) {
    std::memset(data, 0, size);
    return m_hasFormat ? DIERR_INVALIDPARAM : DIERR_NOTACQUIRED;
  }
  CheckFocus();
  HRESULT result = m_state == State::Acquired ? DI_OK
                   : m_state == State::Lost   ? DIERR_INPUTLOST
                                              : DIERR_NOTACQUIRED;
  if (m_state == State::Lost) m_state = State::Unacquired;
  if (FAILED(result)) {
    std::memset(data, 0, size);
    return result;
  }
  Fill(static_cast<BYTE*>(data));
  return DI_OK;
}

HRESULT CDirectInputDevice8::SetDataFormat(LPCDIDATAFORMAT format) {
  if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) ||
      format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) || format->dwDataSize == 0 ||
      format->dwDataSize % 4 != 0 || (format->dwNumObjs > 0 && format->rgodf == nullptr)) {
    return DIERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_state == State::Acquired) return DIERR_ACQUIRED;
  std::vector<bool> used(ObjectCount(m_kind), false);
  std::vector<Field> fields;
  for (DWORD i = 0; i < format->dwNumObjs; ++i) {
    if (!MapObject(format->rgodf[i], format->dwDataSize, used, fields)) return DIERR_INVALIDPARAM;
  }
  m_fields = std::move(fields);
  m_dataSize = format->dwDataSize;
  m_absoluteAxes = (format->dwFlags & DIDF_ABSAXIS) != 0;
  m_hasFormat = true;
  return DI_OK;
}

HRESULT CDirectInputDevice8::SetCooperativeLevel(HWND window, DWORD flags) {
  bool exclusive = flags & DISCL_EXCLUSIVE, nonExclusive = flags & DISCL_NONEXCLUSIVE;
  bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
  if (exclusive == nonExclusive || foreground == background ||
      (flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND |
                 DISCL_NOWINKEY)) != 0) {
    return DIERR_INVALIDPARAM;
  }
  if (m_kind == InputDeviceKind::Keyboard && exclusive && background) return DIERR_UNSUPPORTED;
  if ((window != nullptr && !IsWindow(window)) || (foreground && window == nullptr)) {
    return E_HANDLE;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_state == State::Acquired) return DIERR_ACQUIRED;
  m_window = window;
  m_level = flags;
  return DI_OK;
}

HRESULT CDirectInputDevice8::Poll() {
  PumpEvents();
  std::lock_guard<std::mutex> lock(m_mutex);
  CheckFocus();
  if (m_state == State::Lost) {
    m_state = State::Unacquired;
    return DIERR_INPUTLOST;
  }
  return m_state == State::Acquired ? DI_NOEFFECT : DIERR_NOTACQUIRED;
}

bool CDirectInputDevice8::MapObject(const DIOBJECTDATAFORMAT& object, DWORD dataSize,
                                    std::vector<bool>& used, std::vector<Field>& fields) const {
  DWORD type = DIDFT_GETTYPE(object.dwType);
  WORD instance = DIDFT_GETINSTANCE(object.dwType);
  bool wantAxis = type & DIDFT_AXIS, wantButton = type & DIDFT_BUTTON;
  for (int position = 0; position < ObjectCount(m_kind); ++position) {
    DeviceObject candidate = ObjectAt(m_kind, position);
    if (used[position]) continue;
    if ((wantAxis || wantButton) && !(candidate.axis ? wantAxis : wantButton)) continue;
    if (object.pguid != nullptr && *object.pguid != *candidate.guid) continue;
    if (instance != 0xFFFF && instance != candidate.index) continue;
    DWORD width = candidate.axis ? sizeof(LONG) : 1;
    if (object.dwOfs > dataSize - width || (candidate.axis && object.dwOfs % 4 != 0)) return false;
    used[position] = true;
    fields.push_back({candidate.axis, candidate.index, object.dwOfs});
    return true;
  }
  return (object.dwType & DIDFT_OPTIONAL) != 0;
}

// A foreground device is lost as soon as its window has left the front, even
// if it has come back since: the program must acquire it again.
void CDirectInputDevice8::CheckFocus() {
  if (m_state != State::Acquired || !(m_level & DISCL_FOREGROUND)) return;
  ForegroundReading front = ReadForeground();
  if (front.window == m_window && front.generation == m_foregroundGeneration) return;
  m_state = State::Lost;
  ReleaseExclusive();
}

void CDirectInputDevice8::ReleaseExclusive() {
  std::lock_guard<std::mutex> exclusive(g_exclusiveMutex);
  void*& owner = g_exclusiveOwner[static_cast<int>(m_kind)];
  if (owner == this) owner = nullptr;
}

void CDirectInputDevice8::Fill(BYTE* data) {
  std::memset(data, 0, m_dataSize);
  if (m_kind == InputDeviceKind::Keyboard) {
    BYTE keys[256];
    ReadKeyboardState(keys);
    for (const Field& field : m_fields) data[field.offset] = keys[field.index];
    return;
  }
  MouseReading now = ReadMouseState();
  const MouseReading& base = m_absoluteAxes ? m_acquiredAt : m_lastRead;
  const int64_t axes[3] = {now.x - base.x, now.y - base.y, now.wheel - base.wheel};
  for (const Field& field : m_fields) {
    if (field.axis) {
      LONG value = Saturate(axes[field.index]);
      std::memcpy(data + field.offset, &value, sizeof(value));
    } else {
      data[field.offset] = now.buttons[field.index];
    }
  }
  m_lastRead = now;
}

}  // namespace tavorin::platform
