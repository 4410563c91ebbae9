// Keyboard and mouse state behind Win32 messages and DirectInput, fed by SDL
// events.
#include "platform/win32/InputState.h"

#include <cstring>
#include <mutex>

#include "platform/win32/WindowTable.h"

namespace tavorin::platform {
namespace {

struct InputState {
  std::mutex mutex;
  BYTE keys[256] = {};
  MouseReading mouse;
  POINT cursor{};
};

InputState& State() {
  static InputState* state = new InputState;  // lives past static destruction
  return *state;
}

}  // namespace

void ReadKeyboardState(BYTE keys[256]) {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::memcpy(keys, state.keys, sizeof(state.keys));
}

bool IsKeyDown(BYTE dik) {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return (state.keys[dik] & 0x80) != 0;
}

MouseReading ReadMouseState() {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.mouse;
}

ForegroundReading ReadForeground() {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  return {table.foreground, table.foregroundGeneration};
}

POINT CursorPosition() {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.cursor;
}

void RecordCursor(POINT screen) {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.cursor = screen;
}

void SetKeyDown(BYTE dik, bool down) {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.keys[dik] = down ? 0x80 : 0;
}

void AddMouseMotion(int dx, int dy) {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.mouse.x += dx;
  state.mouse.y += dy;
}

void AddMouseWheel(int delta) {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.mouse.wheel += delta;
}

void SetMouseButton(int index, bool down) {
  if (index < 0 || index >= 8) return;
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.mouse.buttons[index] = down ? 0x80 : 0;
}

void ClearInputState() {
  InputState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::memset(state.keys, 0, sizeof(state.keys));
  std::memset(state.mouse.buttons, 0, sizeof(state.mouse.buttons));
}

}  // namespace tavorin::platform
