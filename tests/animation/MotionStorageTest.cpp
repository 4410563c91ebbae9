#include <random>

#include "MotionTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::Frames;
using tavorin::test::MakeCurve;
using tavorin::test::MakeCurveKey;
using tavorin::test::NewMotion;
using tavorin::test::ReaderOver;
using tavorin::test::TempDir;
using tavorin::test::WrittenBytes;

std::vector<uint8_t> Payload(const TempDir& dir, IVeyaMotion* motion, DWORD* size) {
  return WrittenBytes(
      dir,
      [&](IFileWriter* writer) {
        DWORD written = 0;
        EXPECT_EQ(motion->Serialize(writer, &written), S_OK);
        return written;
      },
      size);
}

ComPtr<IVeyaMotion> ReadMotion(const TempDir& dir, const std::vector<uint8_t>& bytes,
                               HRESULT expected = S_OK, DWORD length = 0) {
  IVeyaMotion* motion = nullptr;
  DWORD consumed = 0;
  if (length == 0) length = DWORD(bytes.size());
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes, false, "moti.bin");
  EXPECT_EQ(CreateMotion(&motion, 3, reader.Get(), length, &consumed), expected);
  if (expected == S_OK) {
    EXPECT_EQ(consumed, length);
  } else {
    EXPECT_EQ(motion, nullptr);
    EXPECT_LE(consumed, length);
  }
  return ComPtr<IVeyaMotion>(motion);
}

TEST(MotionStorageTest, PayloadSizeAndRoundTrip) {
  TempDir dir;
  ComPtr<IVeyaMotion> motion = NewMotion();
  motion->SetName("a");
  DWORD size = 0;
  ASSERT_EQ(motion->Serialize(nullptr, &size), S_OK);
  EXPECT_EQ(size, 566u);

  std::mt19937 random(99);
  for (int round = 0; round < 8; ++round) {
    ComPtr<IVeyaMotion> original = NewMotion(2);
    original->SetName(std::string(size_t(random() % 20), 'n').c_str());
    const D3DXVECTOR3 rest(1.5f, -2, 3), direction(0, 1, 0), pivot(4, 5, 6);
    original->SetRestPosition(&rest);
    original->SetRestDirection(&direction);
    original->SetPivot(&pivot);
    D3DXMATRIX inverseRest;
    for (int i = 0; i < 16; ++i) inverseRest.m[i / 4][i % 4] = float(random() % 100) / 7;
    original->SetInverseRestMatrix(&inverseRest);
    CurveTrack* channels[] = {original->GetTrackTranslationX(), original->GetTrackRotationY(),
                              original->GetTrackScaleZ()};
    DWORD keys = 0;
    for (CurveTrack* channel : channels) {
      std::vector<CurveKey> list;
      for (INT frame = 0, n = INT(random() % 6); frame < n; ++frame) {
        list.push_back(
            MakeCurveKey(frame * 3, float(random() % 50), WORD(random() % 6), {1, 2, 3, 4, 5, 6}));
      }
      keys += DWORD(list.size());
      *channel = MakeCurve(list, WORD(random() % 6), WORD(random() % 6));
    }
    DWORD counted = 0, written = 0;
    original->Serialize(nullptr, &counted);
    EXPECT_EQ(counted, DWORD(std::strlen(original->GetName())) + 565 + 34 * keys);
    const std::vector<uint8_t> bytes = Payload(dir, original.Get(), &written);
    EXPECT_EQ(written, counted);
    ASSERT_EQ(bytes.size(), counted);

    ComPtr<IVeyaMotion> back = ReadMotion(dir, bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetIndex(), 3);
    EXPECT_STREQ(back->GetName(), original->GetName());
    D3DXVECTOR3 v;
    back->GetRestPosition(&v);
    EXPECT_EQ(v, rest);
    back->GetRestDirection(&v);
    EXPECT_EQ(v, direction);
    D3DXMATRIX m;
    back->GetInverseRestMatrix(&m);
    EXPECT_EQ(m, inverseRest);
    EXPECT_EQ(back->GetParentIndex(), 0xFFFF);
    // Writing the read motion again gives the same bytes.
    EXPECT_EQ(Payload(dir, back.Get(), &written), bytes);
  }
}

TEST(MotionStorageTest, ParentIndexIsTheParentsCurrentIndex) {
  TempDir dir;
  ComPtr<IVeyaMotion> parent = NewMotion(4);
  ComPtr<IVeyaMotion> child = NewMotion(5);
  child->SetParent(parent.Get());
  parent->SetIndex(9);
  DWORD size = 0;
  ComPtr<IVeyaMotion> back = ReadMotion(dir, Payload(dir, child.Get(), &size));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetParentIndex(), 9);
}

TEST(MotionStorageTest, RangeWritesTheSelectedKeysAndPastesBack) {
  TempDir dir;
  ComPtr<IVeyaMotion> motion = NewMotion();
  motion->SetName("arm");
  *motion->GetTrackTranslationX() =
      MakeCurve({MakeCurveKey(0, 1, 3), MakeCurveKey(10, 2, 3), MakeCurveKey(20, 3, 3)});
  *motion->GetTrackScaleY() = MakeCurve({MakeCurveKey(15, 7, 3)});
  DWORD counted = 0;
  ASSERT_EQ(motion->SerializeRange(10, 15, TRUE, nullptr, &counted), S_OK);
  // name + 121 + nine channels of 8 + run (30 empty, 38 + 34 k) + 30
  EXPECT_EQ(counted, 3u + 121 + 9 * 8 + 7 * 30 + 2 * (38 + 34) + 30);
  DWORD written = 0;
  const std::vector<uint8_t> bytes = WrittenBytes(
      dir,
      [&](IFileWriter* writer) {
        DWORD n = 0;
        motion->SerializeRange(10, 15, TRUE, writer, &n);
        return n;
      },
      &written);
  EXPECT_EQ(written, counted);
  ASSERT_EQ(bytes.size(), counted);

  // The range is itself a loadable payload.
  ComPtr<IVeyaMotion> clip = ReadMotion(dir, bytes);
  ASSERT_TRUE(clip);
  EXPECT_EQ(Frames(*clip->GetTrackTranslationX()), (std::vector<INT>{0}));
  EXPECT_EQ(Frames(*clip->GetTrackScaleY()), (std::vector<INT>{5}));

  ComPtr<IVeyaMotion> dest = NewMotion();
  *dest->GetTrackTranslationX() = MakeCurve({MakeCurveKey(0, 0, 3), MakeCurveKey(100, 0, 3)});
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes, true, "range.bin");
  DWORD consumed = 0;
  ASSERT_EQ(
      dest->PasteFromStream(50, 0, 10, kPasteMerge, reader.Get(), DWORD(bytes.size()), &consumed),
      S_OK);
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(Frames(*dest->GetTrackTranslationX()), (std::vector<INT>{0, 50, 100}));
  EXPECT_EQ(Frames(*dest->GetTrackScaleY()), (std::vector<INT>{55}));
  EXPECT_EQ(dest->PasteFromStream(0, 0, 0, kPasteMerge, nullptr, 0, &consumed), S_OK);
  EXPECT_EQ(consumed, 0u);
}

TEST(MotionStorageTest, MalformedPayloadsAreRejected) {
  TempDir dir;
  // Unknown sub-chunks are skipped; a name without its zero still ends.
  Bytes loose;
  loose.Chunk("ZZZZ", 3).Append({1, 2, 3}).Chunk("NAME", 3).Append({'a', 'b', 'c'});
  loose.Chunk("PARN", 2).U16(6);
  ComPtr<IVeyaMotion> motion = ReadMotion(dir, loose.Get());
  ASSERT_TRUE(motion);
  EXPECT_STREQ(motion->GetName(), "abc");
  EXPECT_EQ(motion->GetParentIndex(), 6);

  Bytes channelTooLong;
  channelTooLong.Chunk("TRSX", 200).Chunk("KEYN", 2).U16(0);
  ReadMotion(dir, channelTooLong.Get(), E_FAIL);

  Bytes badChannel;
  badChannel.Chunk("ROTY", 14).Chunk("KEYN", 2).U16(4).Chunk("KEY ", 0);
  ReadMotion(dir, badChannel.Get(), E_FAIL);

  Bytes shortVector;
  shortVector.Chunk("RSTP", 8).F32(1).F32(2);
  ReadMotion(dir, shortVector.Get(), E_FAIL);

  // The payload runs past the end of the data.
  Bytes truncated;
  truncated.Chunk("IRMT", 64).F32(1);
  ReadMotion(dir, truncated.Get(), E_FAIL, 72);
}

}  // namespace
