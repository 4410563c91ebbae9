// Finds an X11 window by its title, or asks it to close the way a window
// manager does (a WM_DELETE_WINDOW client message), so end-to-end tests can
// look at the tester and end it as a user would.
//   x-window find TITLE    prints the window's id (0x...)
//   x-window close TITLE
// The title is compared as the bytes of _NET_WM_NAME (UTF-8), so the
// caller's locale plays no part: tools that print window names convert them
// to the locale's character set and fail under the C locale.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string TitleOf(Display* display, Window window) {
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) == Success && data) {
    title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return title;
}

Window Find(Display* display, Window root, const std::string& title) {
  if (TitleOf(display, root) == title) return root;
  Window parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) found = Find(display, children[i], title);
  if (children) XFree(children);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc == 3 ? argv[1] : "";
  if (command != "find" && command != "close") {
    std::fprintf(stderr, "usage: %s find|close TITLE\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open the display\n");
    return 1;
  }
  Window window = Find(display, DefaultRootWindow(display), argv[2]);
  if (!window) {
    std::fprintf(stderr, "no window titled %s\n", argv[2]);
    XCloseDisplay(display);
    return 1;
  }
  if (command == "find") {
    std::printf("0x%lx\n", static_cast<unsigned long>(window));
  } else {
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
  }
  XCloseDisplay(display);
  return 0;
}
