// Counts every allocation of the test program and notes the largest, so
// posing can be shown to allocate nothing and reading to allocate no more
// than the bytes justify.

#include "MotionTestSupport.h"

#include "support/CountingAllocator.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::MakeCurve;
using tavorin::test::MakeCurveKey;
using tavorin::test::NewMotion;
using tavorin::test::ReaderOver;
using tavorin::test::TempDir;

TEST(MotionAllocationTest, PosingAllocatesNothing) {
  std::vector<ComPtr<IVeyaMotion>> motions;
  for (WORD i = 0; i < 20; ++i) {
    motions.push_back(NewMotion(i));
    IVeyaMotion* motion = motions.back().Get();
    CurveTrack* channels[] = {motion->GetTrackTranslationX(), motion->GetTrackTranslationY(),
                              motion->GetTrackTranslationZ(), motion->GetTrackRotationX(),
                              motion->GetTrackRotationY(),    motion->GetTrackRotationZ(),
                              motion->GetTrackScaleX(),       motion->GetTrackScaleY(),
                              motion->GetTrackScaleZ()};
    WORD shape = 0;
    for (CurveTrack* channel : channels) {
      *channel = MakeCurve({MakeCurveKey(0, 0, shape), MakeCurveKey(10, 1, WORD((shape + 1) % 6)),
                            MakeCurveKey(30, 2, WORD((shape + 2) % 6))},
                           kBehaviorOscillate, kBehaviorOffsetRepeat);
      shape = WORD((shape + 1) % 6);
    }
    if (i > 0) motion->SetParent(motions[i / 2].Get());
  }
  // A motion linked to one of its descendants would hold a reference cycle;
  // link to a motion outside the chain.
  motions[19]->SetParent(nullptr);
  motions[3]->SetLinkedMotion(motions[19].Get());

  const long before = tavorin::test::AllocationCount();
  for (INT frame = -50; frame < 100; ++frame) {
    for (auto& motion : motions) {
      if (frame % 2 == 0) {
        motion->Evaluate(frame);
      } else {
        motion->EvaluateBlend(1, frame, frame + 5, 3);
      }
    }
    for (auto& motion : motions) motion->UpdateWorld();
  }
  EXPECT_EQ(tavorin::test::AllocationCount(), before);

  // The counter does see allocations.
  ComPtr<IVeyaMotion> extra = NewMotion();
  EXPECT_GT(tavorin::test::AllocationCount(), before);
}

TEST(MotionAllocationTest, ReadingANameAllocatesWhatTheBytesHoldNotWhatTheyClaim) {
  // A 3.7 GiB name in a run that claims 4 GiB, with 8 bytes behind it.
  TempDir dir;
  tavorin::test::Bytes bytes;
  bytes.Chunk("NAME", 0xEE6B2800).Append({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'});
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes.Get(), false, "name.bin");
  IVeyaMotion* motion = nullptr;
  DWORD consumed = 0;
  tavorin::test::g_largestAllocation.store(0);
  EXPECT_EQ(CreateMotion(&motion, 1, reader.Get(), 0xFFFFFFF0, &consumed), E_FAIL);
  EXPECT_EQ(motion, nullptr);
  EXPECT_LT(tavorin::test::g_largestAllocation.load(), std::size_t(1) << 20);
}

}  // namespace
