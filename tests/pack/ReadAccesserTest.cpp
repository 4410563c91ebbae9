#include <IReadAccesser.h>
#include <comobject.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::PatternBytes;
using tavorin::test::TempDir;

TEST(ReadAccesserTest, ReadsSeeksAndReportsTheEndLikeTheFile) {
  TempDir dir;
  auto data = PatternBytes(100);
  ComPtr<IReadAccesser> stream;
  ASSERT_EQ(S_OK, OpenReadAccesser(stream.ReleaseAndGetAddressOf(), dir.Write("a", data).c_str()));

  BYTE buffer[64];
  EXPECT_EQ(64u, stream->Read(buffer, 64));
  EXPECT_EQ(0, memcmp(buffer, data.data(), 64));
  EXPECT_EQ(64u, stream->Tell());
  EXPECT_FALSE(stream->IsEof());

  EXPECT_EQ(100u, stream->Seek(0, FILE_END));
  EXPECT_TRUE(stream->IsEof());
  EXPECT_EQ(0u, stream->Read(buffer, 1)) << "a read at the end delivers nothing";

  // A negative 32-bit offset is refused and the position stays.
  EXPECT_EQ(0xFFFFFFFFu, stream->Seek(-10, FILE_CURRENT));
  EXPECT_EQ(0xFFFFFFFFu, stream->Seek(-1, FILE_END));
  EXPECT_EQ(100u, stream->Tell64());
  EXPECT_EQ(0xFFFFFFFFu, stream->Seek(1, 7)) << "unknown origin";

  // The 64-bit call takes signed offsets; before the start it fails.
  EXPECT_EQ(90, stream->Seek64(-10, FILE_CURRENT));
  EXPECT_EQ(5u, stream->Read(buffer, 5));
  EXPECT_EQ(0, memcmp(buffer, data.data() + 90, 5));
  EXPECT_EQ(-1, stream->Seek64(-200, FILE_END));
  EXPECT_EQ(95u, stream->Tell());
}

TEST(ReadAccesserTest, OpeningFailuresLeaveNothingBehind) {
  TempDir dir;
  IReadAccesser* stream = reinterpret_cast<IReadAccesser*>(1);
  EXPECT_EQ(E_ACCESSDENIED, OpenReadAccesser(&stream, dir.File("missing").c_str()));
  EXPECT_EQ(nullptr, stream);
  stream = reinterpret_cast<IReadAccesser*>(1);
  EXPECT_EQ(E_ACCESSDENIED, OpenReadAccesser(&stream, dir.path().c_str())) << "a directory";
  EXPECT_EQ(nullptr, stream);
}

}  // namespace
