// COM apartment initialisation: there are no apartments, only the answers.
#include <windows.h>

namespace {
thread_local int t_initCount = 0;
}

HRESULT CoInitializeEx(LPVOID /*reserved*/, DWORD /*coInit*/) {
  return t_initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (t_initCount > 0) --t_initCount;
}
