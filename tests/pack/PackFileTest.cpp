#include <IPackReader.h>
#include <comobject.h>

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace tavorin::test;
using tavorin::ComPtr;

TEST(PackFileTest, ReadsAndSeeksStayInsideTheEntry) {
  TempDir dir;
  Bytes archive = PatternBytes(500);
  std::string path = dir.Write("a.pac", archive);
  ComPtr<IReadAccesser> file;
  ASSERT_EQ(S_OK,
            OpenPackFile(file.ReleaseAndGetAddressOf(), path.c_str(), 100, 50, FALSE, nullptr));
  BYTE buffer[100];
  EXPECT_EQ(50u, file->Read(buffer, 100)) << "never the bytes of what follows";
  EXPECT_EQ(0, memcmp(buffer, archive.data() + 100, 50));
  EXPECT_TRUE(file->IsEof());
  EXPECT_EQ(0u, file->Read(buffer, 1));

  EXPECT_EQ(0u, file->Seek(0, FILE_BEGIN));
  EXPECT_FALSE(file->IsEof());
  EXPECT_EQ(50u, file->Seek(0, FILE_END));
  EXPECT_TRUE(file->IsEof());
  EXPECT_EQ(40u, file->Seek(10, FILE_END)) << "from the end the offset counts backwards";
  EXPECT_EQ(45u, file->Seek(5, FILE_CURRENT));
  EXPECT_EQ(30u, file->Seek(-15, FILE_CURRENT));
  EXPECT_EQ(50u, file->Seek(50, FILE_BEGIN)) << "exactly the size";

  // One byte too far, before the start, an unknown origin: refused, position kept.
  file->Seek(20, FILE_BEGIN);
  EXPECT_EQ(0xFFFFFFFFu, file->Seek(51, FILE_BEGIN));
  EXPECT_EQ(0xFFFFFFFFu, file->Seek(31, FILE_CURRENT));
  EXPECT_EQ(0xFFFFFFFFu, file->Seek(-21, FILE_CURRENT));
  EXPECT_EQ(0xFFFFFFFFu, file->Seek(51, FILE_END));
  EXPECT_EQ(0xFFFFFFFFu, file->Seek(0x7FFFFFFF, FILE_CURRENT)) << "no wrap-around";
  EXPECT_EQ(0xFFFFFFFFu, file->Seek(0, 3));
  EXPECT_EQ(20u, file->Tell());
  EXPECT_EQ(3u, file->Read(buffer, 3));
  EXPECT_EQ(0, memcmp(buffer, archive.data() + 120, 3));

  EXPECT_EQ(50, file->Seek64(0, FILE_END));
  EXPECT_EQ(48, file->Seek64(-2, FILE_CURRENT));
  EXPECT_EQ(-1, file->Seek64(0x100000000LL, FILE_BEGIN));
  EXPECT_EQ(-1, file->Seek64(-0x100000000LL, FILE_CURRENT));
  EXPECT_EQ(-1, file->Seek64(-1, FILE_END));
  EXPECT_EQ(48u, file->Tell64());
}

TEST(PackFileTest, MaskedReadsUseTheArchiveOffsetAndOpeningFailuresAreAccessDenied) {
  TempDir dir;
  Bytes stored = PatternBytes(300), code = TestCode(3);
  std::string path = dir.Write("m.pac", stored);
  ComPtr<IReadAccesser> file;
  ASSERT_EQ(S_OK,
            OpenPackFile(file.ReleaseAndGetAddressOf(), path.c_str(), 77, 200, TRUE, code.data()));
  Bytes back(200);
  for (DWORD done = 0, step = 1; done < 200; done += step, step = std::min(step * 2, 200 - done)) {
    ASSERT_EQ(step, file->Read(back.data() + done, step));
  }
  for (size_t i = 0; i < back.size(); ++i) ASSERT_EQ(stored[77 + i] ^ code[(77 + i) % 32], back[i]);

  IReadAccesser* failed = reinterpret_cast<IReadAccesser*>(1);
  EXPECT_EQ(E_ACCESSDENIED, OpenPackFile(&failed, dir.File("none").c_str(), 0, 1, FALSE, nullptr));
  EXPECT_EQ(nullptr, failed);
}

}  // namespace
