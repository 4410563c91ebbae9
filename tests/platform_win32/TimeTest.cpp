#include <mmsystem.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <platform_test_win32.h>

namespace tavorin::test {
namespace {

TEST(Time, ManualClockWrapsAtThirtyTwoBitsAndSignedDifferencesStayRight) {
  SetManualTime(0xFFFFFFF0u);
  DWORD before = timeGetTime();
  EXPECT_EQ(before, 0xFFFFFFF0u);
  EXPECT_EQ(timeGetTime(), before) << "a manual clock only moves when told";
  AdvanceManualTime(0x20);
  DWORD after = timeGetTime();
  EXPECT_EQ(after, 0x10u);
  EXPECT_EQ(static_cast<int32_t>(after - before), 0x20);

  UseRealTime();
  DWORD start = timeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  int32_t elapsed = static_cast<int32_t>(timeGetTime() - start);
  EXPECT_GE(elapsed, 19);
  EXPECT_LT(elapsed, 5000);

  // Advancing without a manual clock starts one at the real time.
  DWORD real = timeGetTime();
  AdvanceManualTime(1000);
  EXPECT_GE(static_cast<int32_t>(timeGetTime() - real), 1000);
  UseRealTime();

  EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
}

}  // namespace
}  // namespace tavorin::test
