#include "DSoundFixture.h"

namespace dsound_test {
namespace {

using DSoundLockTest = SoundFixture;

std::vector<BYTE> ReadAll(IDirectSoundBuffer* buffer) {
  void* p1 = nullptr;
  DWORD n1 = 0;
  EXPECT_EQ(DS_OK, buffer->Lock(0, 0, &p1, &n1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
  std::vector<BYTE> bytes(static_cast<BYTE*>(p1), static_cast<BYTE*>(p1) + n1);
  EXPECT_EQ(DS_OK, buffer->Unlock(p1, 0, nullptr, 0));
  return bytes;
}

TEST_F(DSoundLockTest, LockAcrossTheEndGivesTwoRegions) {
  IDirectSoundBuffer* buffer = Create(0, 1000, Pcm(2, 16, 44100));
  ASSERT_NE(nullptr, buffer);
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0;
  DWORD n2 = 0;

  ASSERT_EQ(DS_OK, buffer->Lock(800, 400, &p1, &n1, &p2, &n2, 0));
  ASSERT_NE(nullptr, p1);
  ASSERT_NE(nullptr, p2);
  EXPECT_EQ(200u, n1);
  EXPECT_EQ(200u, n2);
  std::memset(p1, 0x11, n1);
  std::memset(p2, 0x22, n2);
  // Only the bytes reported as written reach the buffer.
  ASSERT_EQ(DS_OK, buffer->Unlock(p1, n1, p2, 100));
  std::vector<BYTE> bytes = ReadAll(buffer);
  ASSERT_EQ(1000u, bytes.size());
  EXPECT_EQ(0x22, bytes[0]);
  EXPECT_EQ(0x22, bytes[99]);
  EXPECT_EQ(0x00, bytes[100]);
  EXPECT_EQ(0x00, bytes[799]);
  EXPECT_EQ(0x11, bytes[800]);
  EXPECT_EQ(0x11, bytes[999]);

  // Within the buffer, or without room for a second region: one region.
  ASSERT_EQ(DS_OK, buffer->Lock(100, 400, &p1, &n1, &p2, &n2, 0));
  EXPECT_EQ(400u, n1);
  EXPECT_EQ(nullptr, p2);
  EXPECT_EQ(0u, n2);
  ASSERT_EQ(DS_OK, buffer->Unlock(p1, 0, nullptr, 0));
  ASSERT_EQ(DS_OK, buffer->Lock(800, 400, &p1, &n1, nullptr, nullptr, 0));
  EXPECT_EQ(200u, n1);
  ASSERT_EQ(DS_OK, buffer->Unlock(p1, 0, nullptr, 0));

  // From the write cursor of a stopped buffer: its position.
  ASSERT_EQ(DS_OK, buffer->SetCurrentPosition(600));
  ASSERT_EQ(DS_OK, buffer->Lock(0, 600, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR));
  EXPECT_EQ(400u, n1);
  EXPECT_EQ(200u, n2);
  std::memset(p1, 0x33, n1);
  ASSERT_EQ(DS_OK, buffer->Unlock(p1, n1, p2, 0));
  EXPECT_EQ(0x33, ReadAll(buffer)[600]);
}

TEST_F(DSoundLockTest, BadLocksAndUnlocksAreRefused) {
  IDirectSoundBuffer* buffer = Create(0, 1000, Pcm(2, 16, 44100));
  ASSERT_NE(nullptr, buffer);
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0;
  DWORD n2 = 0;

  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Lock(1000, 4, &p1, &n1, &p2, &n2, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Lock(0, 0, &p1, &n1, &p2, &n2, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Lock(0, 1004, &p1, &n1, &p2, &n2, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Lock(0, 4, nullptr, &n1, &p2, &n2, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Lock(0, 4, &p1, &n1, &p2, nullptr, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Lock(0, 4, &p1, &n1, &p2, &n2, 0x100));

  ASSERT_EQ(DS_OK, buffer->Lock(900, 200, &p1, &n1, &p2, &n2, 0));
  BYTE other = 0;
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Unlock(&other, 1, nullptr, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Unlock(p1, n1 + 1, p2, n2));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Unlock(p1, n1, &other, n2));
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Unlock(p1, n1, p2, n2 + 1));
  EXPECT_EQ(DS_OK, buffer->Unlock(p1, n1, p2, n2));
  // A region goes with its Unlock.
  EXPECT_EQ(DSERR_INVALIDPARAM, buffer->Unlock(p1, n1, p2, n2));
}

TEST_F(DSoundLockTest, SizeIsRoundedToWholeFrames) {
  IDirectSoundBuffer* buffer = Create(0, 1003, Pcm(2, 16, 44100));
  ASSERT_NE(nullptr, buffer);
  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(DS_OK, buffer->GetCaps(&caps));
  EXPECT_EQ(1000u, caps.dwBufferBytes);
  EXPECT_EQ(1000u, ReadAll(buffer).size());
  // Eight-bit buffers start as silence, which is 0x80.
  IDirectSoundBuffer* eight = Create(0, 16, Pcm(1, 8, 8000));
  ASSERT_NE(nullptr, eight);
  EXPECT_EQ(0x80, ReadAll(eight)[5]);
}

}  // namespace
}  // namespace dsound_test
