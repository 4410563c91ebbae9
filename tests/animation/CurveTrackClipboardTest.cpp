#include <gtest/gtest.h>

#include "TrackTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Frames;
using tavorin::test::MakeCurve;
using tavorin::test::MakeCurveKey;
using tavorin::test::ReaderOver;
using tavorin::test::TempDir;
using tavorin::test::WrittenBytes;

// Keys at the given frames whose values equal their frames plus `base`.
CurveTrack KeysAt(std::vector<INT> frames, float base = 0.0f) {
  std::vector<CurveKey> keys;
  for (INT frame : frames) keys.push_back(MakeCurveKey(frame, float(frame) + base, 3));
  return MakeCurve(keys);
}

TEST(CurveTrackClipboardTest, PasteInsertReplaceAndMerge) {
  const CurveTrack source = KeysAt({0, 1, 2, 3, 4, 5}, 100.0f);

  CurveTrack insert = KeysAt({0, 10, 20});
  ASSERT_EQ(PasteCurveTrack(insert, source, 10, 0, 5, kPasteInsert, 0.5f), S_OK);
  EXPECT_EQ(Frames(insert), (std::vector<INT>{0, 10, 11, 12, 13, 14, 15, 16, 26}));
  EXPECT_FLOAT_EQ(insert.keys[1].value, 100.5f);  // source value plus the offset
  EXPECT_FLOAT_EQ(insert.keys[7].value, 10.0f);   // moved, value kept

  // Replace drops destination keys from `at` up to at + (to - from) + 1
  // inclusive and keeps the later ones where they were.
  CurveTrack replace = KeysAt({0, 10, 13, 14, 30});
  ASSERT_EQ(PasteCurveTrack(replace, source, 10, 2, 4, kPasteReplace, 0.0f), S_OK);
  EXPECT_EQ(Frames(replace), (std::vector<INT>{0, 10, 11, 12, 14, 30}));

  // Merge takes every source key; a pasted key wins a shared frame.
  CurveTrack merge = KeysAt({0, 10, 20});
  const CurveTrack pair = KeysAt({0, 5}, 100.0f);
  ASSERT_EQ(PasteCurveTrack(merge, pair, 10, 0, 0, kPasteMerge, 0.0f), S_OK);
  EXPECT_EQ(Frames(merge), (std::vector<INT>{0, 10, 15, 20}));
  EXPECT_FLOAT_EQ(merge.keys[1].value, 100.0f);
  EXPECT_FLOAT_EQ(merge.keys[0].value, 0.0f);

  // Pasting a track into itself reads the keys it had before.
  CurveTrack self = KeysAt({0, 1});
  ASSERT_EQ(PasteCurveTrack(self, self, 5, 0, 1, kPasteInsert, 0.0f), S_OK);
  EXPECT_EQ(Frames(self), (std::vector<INT>{0, 1, 5, 6}));

  // An unknown mode is refused and leaves the destination as it was.
  CurveTrack kept = KeysAt({0, 10});
  EXPECT_EQ(PasteCurveTrack(kept, source, 0, 0, 5, 3, 0.0f), E_INVALIDARG);
  EXPECT_EQ(Frames(kept), (std::vector<INT>{0, 10}));

  // A result beyond 65535 keys cannot be held and changes nothing.
  std::vector<INT> many(40000);
  for (INT i = 0; i < 40000; ++i) many[i] = i;
  CurveTrack big = KeysAt(many);
  EXPECT_EQ(PasteCurveTrack(big, big, 0, 0, 39999, kPasteInsert, 0.0f), E_FAIL);
  EXPECT_EQ(big.keyCount, 40000);
}

TEST(CurveTrackClipboardTest, CopyAddsTheOffsetAndTakesTheBehaviours) {
  CurveTrack source = KeysAt({3, 8});
  source.preBehavior = kBehaviorConstant;
  source.postBehavior = kBehaviorLinear;
  CurveTrack dest = KeysAt({1, 2, 3});
  ASSERT_EQ(CopyCurveTrack(dest, source, 2.0f), S_OK);
  EXPECT_EQ(Frames(dest), (std::vector<INT>{3, 8}));
  EXPECT_FLOAT_EQ(dest.keys[1].value, 10.0f);
  EXPECT_EQ(dest.preBehavior, kBehaviorConstant);
  EXPECT_EQ(dest.postBehavior, kBehaviorLinear);

  ASSERT_EQ(CopyCurveTrack(dest, dest, 1.0f), S_OK);
  EXPECT_FLOAT_EQ(dest.keys[1].value, 11.0f);
  ASSERT_EQ(CopyCurveTrack(dest, CurveTrack(), 1.0f), S_OK);
  EXPECT_EQ(dest.keyCount, 0);
  EXPECT_EQ(dest.keys, nullptr);
}

TEST(CurveTrackClipboardTest, RangeWritesTheSelectedRunAndPastesBackFromAStream) {
  TempDir dir;
  CurveTrack track = KeysAt({0, 10, 20, 30, 40});
  DWORD size = 0;
  EXPECT_EQ(SerializeCurveRange(track, 41, 100, FALSE, nullptr, &size), S_OK);
  EXPECT_EQ(size, 30u);
  EXPECT_EQ(SerializeCurveRange(track, 5, 30, TRUE, nullptr, &size), S_OK);
  EXPECT_EQ(size, 38u + 34 * 3);

  DWORD written = 0;
  const std::vector<uint8_t> bytes = WrittenBytes(
      dir,
      [&](IFileWriter* writer) {
        DWORD n = 0;
        SerializeCurveRange(track, 5, 30, TRUE, writer, &n);
        return n;
      },
      &written);
  ASSERT_EQ(bytes.size(), written);
  ASSERT_EQ(written, size);

  // The rebased run holds frames 5, 15, 25; paste those in [10, 30] at 100.
  CurveTrack dest = KeysAt({0, 200});
  DWORD consumed = 0;
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes);
  ASSERT_EQ(PasteCurveFromStream(reader.Get(), dest, 100, 10, 30, kPasteMerge, written, &consumed),
            S_OK);
  EXPECT_EQ(consumed, written);
  EXPECT_EQ(Frames(dest), (std::vector<INT>{0, 105, 115, 200}));
  EXPECT_FLOAT_EQ(dest.keys[1].value, 20.0f);

  // A broken stream leaves the destination unchanged.
  ComPtr<IFileReader> cut =
      ReaderOver(dir, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20), false, "cut.bin");
  EXPECT_EQ(PasteCurveFromStream(cut.Get(), dest, 0, 0, 100, kPasteInsert, written, &consumed),
            E_FAIL);
  EXPECT_LE(consumed, written);
  EXPECT_EQ(Frames(dest), (std::vector<INT>{0, 105, 115, 200}));
}

}  // namespace
