// Counts every allocation of the test program and notes the largest, so
// posing can be shown to allocate nothing and reading to allocate no more
// than the bytes justify.
#include <atomic>
#include <cstdlib>
#include <new>

#include "MotionTestSupport.h"

// Replacing the global operators pairs malloc with free by design.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<long> g_allocations{0};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t size) {
  ++g_allocations;
  std::size_t seen = g_largest.load();
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

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

  const long before = g_allocations.load();
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
  EXPECT_EQ(g_allocations.load(), before);

  // The counter does see allocations.
  ComPtr<IVeyaMotion> extra = NewMotion();
  EXPECT_GT(g_allocations.load(), before);
}

TEST(MotionAllocationTest, ReadingANameAllocatesWhatTheBytesHoldNotWhatTheyClaim) {
  // A 3.7 GiB name in a run that claims 4 GiB, with 8 bytes behind it.
  TempDir dir;
  tavorin::test::Bytes bytes;
  bytes.Chunk("NAME", 0xEE6B2800).Append({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'});
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes.Get(), false, "name.bin");
  IVeyaMotion* motion = nullptr;
  DWORD consumed = 0;
  g_largest.store(0);
  EXPECT_EQ(CreateMotion(&motion, 1, reader.Get(), 0xFFFFFFF0, &consumed), E_FAIL);
  EXPECT_EQ(motion, nullptr);
  EXPECT_LT(g_largest.load(), std::size_t(1) << 20);
}

}  // namespace
