#include <IFileReader.h>
#include <IFileWriter.h>
#include <comobject.h>

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::PatternBytes;
using tavorin::test::TempDir;
using tavorin::test::TestCode;

ComPtr<IFileWriter> MakeWriter(const std::string& path) {
  ComPtr<IFileWriter> writer;
  EXPECT_EQ(S_OK, CreateFileWriter(writer.ReleaseAndGetAddressOf(), path.c_str()));
  return writer;
}

TEST(FileWriterTest, BytesReachTheFileWhenTheBufferFillsOrIsFlushed) {
  TempDir dir;
  std::string path = dir.File("out");
  auto writer = MakeWriter(path);
  auto data = PatternBytes(70000);

  EXPECT_EQ(10u, writer->Write(data.data(), 10));
  EXPECT_EQ(10u, writer->Tell()) << "buffered bytes count in the position";
  EXPECT_TRUE(dir.Read("out").empty());

  EXPECT_EQ(69990u, writer->Write(data.data() + 10, 69990));
  EXPECT_EQ(65536u, dir.Read("out").size());
  EXPECT_EQ(70000u, writer->Tell64());
  EXPECT_TRUE(writer->Flush());
  EXPECT_EQ(data, dir.Read("out"));
  EXPECT_TRUE(writer->Flush()) << "nothing buffered";

  // A write that exactly fills the buffer keeps it until the next write.
  auto exact = MakeWriter(dir.File("exact"));
  exact->Write(data.data(), 65536);
  EXPECT_TRUE(dir.Read("exact").empty());
  exact->Write(data.data(), 1);
  EXPECT_EQ(65536u, dir.Read("exact").size());
  exact.Reset();
  EXPECT_EQ(65537u, dir.Read("exact").size()) << "destruction writes the rest";

  EXPECT_EQ(4u, writer->WriteString("text"));
  writer.Reset();
  EXPECT_EQ(70004u, dir.Read("out").size());
}

TEST(FileWriterTest, SeeksFlushFirstAndRefuseNegativeOffsets) {
  TempDir dir;
  auto writer = MakeWriter(dir.File("out"));
  writer->WriteString("0123456789");
  EXPECT_EQ(0xFFFFFFFFu, writer->Seek(-4, FILE_CURRENT));
  EXPECT_EQ(10u, writer->Tell()) << "a refused seek keeps the position";
  EXPECT_EQ(10u, dir.Read("out").size()) << "the seek flushed";
  EXPECT_EQ(6, writer->Seek64(-4, FILE_CURRENT));
  writer->WriteString("ab");
  EXPECT_EQ(2u, writer->Seek(2, FILE_BEGIN));
  writer->WriteString("X");
  EXPECT_EQ(-1, writer->Seek64(-1, FILE_BEGIN));
  writer.Reset();
  Bytes expected{'0', '1', 'X', '3', '4', '5', 'a', 'b', '8', '9'};
  EXPECT_EQ(expected, dir.Read("out"));

  IFileWriter* failed = reinterpret_cast<IFileWriter*>(1);
  EXPECT_EQ(E_ACCESSDENIED, CreateFileWriter(&failed, dir.File("no/such/dir").c_str()));
  EXPECT_EQ(nullptr, failed);
}

TEST(FileWriterTest, MaskedBytesAreIndexedByFileOffsetAndReadBackWhateverTheChunking) {
  TempDir dir;
  std::string path = dir.File("masked");
  Bytes code = TestCode();
  auto data = PatternBytes(150000, 7);
  auto writer = MakeWriter(path);
  writer->WriteString("head");  // unmasked, and shifts the code's phase
  writer->SetXorCode(TRUE, code.data());
  for (size_t done = 0, step = 1; done < data.size(); step = step * 3 % 70001 + 1) {
    DWORD n = DWORD(std::min(step, data.size() - done));
    writer->Write(data.data() + done, n);
    done += n;
  }
  writer->SetXorCode(FALSE, nullptr);
  writer->WriteString("tail");
  writer.Reset();

  Bytes stored = dir.Read("masked");
  ASSERT_EQ(data.size() + 8, stored.size());
  EXPECT_EQ(0, memcmp(stored.data(), "head", 4));
  EXPECT_EQ(0, memcmp(stored.data() + stored.size() - 4, "tail", 4));
  for (size_t i = 0; i < data.size(); ++i) {
    ASSERT_EQ(data[i] ^ code[(i + 4) % 32], stored[i + 4]) << "at " << i;
  }

  // Any split of reads through a masked reader restores the data.
  for (DWORD capacity : {5u, 4096u, 65536u}) {
    ComPtr<IFileReader> reader;
    ASSERT_EQ(S_OK,
              CreateFileReader(reader.ReleaseAndGetAddressOf(), path.c_str(), nullptr, capacity));
    reader->SetAutoRefill(TRUE);
    reader->SetXorCode(TRUE, code.data());
    ASSERT_EQ(4u, reader->Seek(4, FILE_BEGIN));
    Bytes back(data.size());
    for (size_t done = 0, step = 7; done < back.size(); step = step * 5 % 9001 + 1) {
      DWORD got = reader->Read(back.data() + done, DWORD(std::min(step, back.size() - done)));
      ASSERT_GT(got, 0u);
      done += got;
    }
    EXPECT_EQ(data, back) << "capacity " << capacity;
  }
}

}  // namespace
