// Win32 message boxes: a line on stderr always, an SDL message box on a real
// display.
#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <platform_test_win32.h>

#include "platform/win32/SdlVideo.h"
#include "platform/win32/SdlWindow.h"
#include "platform/win32/WindowTable.h"

namespace {

// Under Xvfb with X fonts an SDL box waits for a click that never comes, so
// automated runs switch boxes off through the environment.
bool BoxesOffInEnvironment() {
  const char* value = std::getenv("TAVORIN_NO_MESSAGE_BOXES");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

std::atomic<bool>& BoxesEnabled() {
  static std::atomic<bool> enabled{!BoxesOffInEnvironment()};
  return enabled;
}

struct ButtonSet {
  std::vector<int> ids;
  std::vector<const char*> labels;
};

ButtonSet ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, IDCANCEL}, {"OK", "Cancel"}};
    case MB_YESNOCANCEL:
      return {{IDYES, IDNO, IDCANCEL}, {"Yes", "No", "Cancel"}};
    case MB_YESNO:
      return {{IDYES, IDNO}, {"Yes", "No"}};
    default:
      return {{IDOK}, {"OK"}};
  }
}

Uint32 SdlIconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
      return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING:
      return SDL_MESSAGEBOX_WARNING;
    default:
      return SDL_MESSAGEBOX_INFORMATION;
  }
}

size_t DefaultButton(UINT type, size_t count) {
  size_t index = (type & MB_DEFMASK) >> 8;
  return index < count ? index : 0;
}

int ShowBox(HWND owner, const char* text, const char* caption, UINT type) {
  ButtonSet buttons = ButtonsOf(type);
  size_t defaultIndex = DefaultButton(type, buttons.ids.size());
  if (!BoxesEnabled().load() || !tavorin::platform::OnRealDisplay() ||
      !tavorin::platform::OnUiThread()) {
    return buttons.ids[defaultIndex];
  }
  std::vector<SDL_MessageBoxButtonData> data;
  for (size_t i = 0; i < buttons.ids.size(); ++i) {
    Uint32 flags = i == defaultIndex ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
    if (buttons.ids[i] == IDCANCEL || (buttons.ids.size() == 1)) {
      flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    }
    data.push_back({flags, buttons.ids[i], buttons.labels[i]});
  }
  SDL_MessageBoxData box{};
  box.flags = SdlIconOf(type);
  box.window = tavorin::platform::SdlWindowOf(owner);
  box.title = caption;
  box.message = text;
  box.numbuttons = static_cast<int>(data.size());
  box.buttons = data.data();
  int chosen = 0;
  if (SDL_ShowMessageBox(&box, &chosen) != 0 || chosen <= 0) {
    // Closed without a button, or no box could be shown: Escape's answer.
    return buttons.ids.size() > 1 && (type & MB_TYPEMASK) != MB_YESNO ? IDCANCEL
                                                                      : buttons.ids[defaultIndex];
  }
  return chosen;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (owner != nullptr && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Windows titles an uncaptioned box "Error".
  const char* shownCaption = caption != nullptr ? caption : "Error";
  const char* shownText = text != nullptr ? text : "";
  std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
  std::fflush(stderr);
  return ShowBox(owner, shownText, shownCaption, type);
}

namespace tavorin::test {

void SetMessageBoxesEnabled(bool enabled) {
  BoxesEnabled().store(enabled);
}

}  // namespace tavorin::test
