// The main of every test program: tests run headless whatever the caller's
// environment (SDL would otherwise pick a real display or sound card, and
// trap SIGTERM so a hung test outlived its time limit).
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  setenv("TAVORIN_NO_MESSAGE_BOXES", "1", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
