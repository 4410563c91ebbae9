#include <windows.h>

#include <gtest/gtest.h>

#include <platform_test_win32.h>

#include "platform_win32/RecordingWindow.h"

namespace tavorin::test {
namespace {

TEST(MessageBox, SwitchedOffBoxesPrintCaptionAndTextAndAnswerTheDefaultButton) {
  SetMessageBoxesEnabled(false);
  RecordingWindow owner;
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "ウィンドウの初期化に失敗しました", "Error!!", MB_ICONERROR),
            IDOK);
  EXPECT_EQ(MessageBoxA(owner.handle(), "Save?", "Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBoxA(owner.handle(), nullptr, nullptr, MB_OKCANCEL), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error!!: ウィンドウの初期化に失敗しました\nQuestion: Save?\nError: \n");
}

TEST(MessageBox, EnvironmentSwitchesBoxesOffForChildProcesses) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A real display is claimed in the child, so only the switch keeps it from
  // waiting for a click.
  EXPECT_EXIT(
      {
        setenv("TAVORIN_NO_MESSAGE_BOXES", "1", 1);
        std::exit(MessageBoxA(nullptr, "text", "caption", MB_OK) == IDOK ? 0 : 1);
      },
      testing::ExitedWithCode(0), "caption: text");
}

}  // namespace
}  // namespace tavorin::test
