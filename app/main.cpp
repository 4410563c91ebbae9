#include "app/TesterApp.h"

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), 1);
}
