#include <IPackReader.h>
#include <comobject.h>

#include <cstring>

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace tavorin::test;
using tavorin::ComPtr;

Bytes ReadAll(IReadAccesser* stream) {
  Bytes all;
  BYTE piece[1000];
  for (DWORD got; (got = stream->Read(piece, sizeof(piece))) > 0;) {
    all.insert(all.end(), piece, piece + got);
  }
  return all;
}

class PackReaderTest : public ::testing::Test {
 protected:
  HRESULT Load(const Bytes& archive) {
    std::string path = m_dir.Write("test.pac", archive);
    return OpenPackReader(m_reader.ReleaseAndGetAddressOf(), path.c_str());
  }

  Bytes Content(const char* name) {
    ComPtr<IReadAccesser> stream;
    EXPECT_EQ(S_OK, m_reader->OpenFile(stream.ReleaseAndGetAddressOf(), name)) << name;
    return stream ? ReadAll(stream.Get()) : Bytes{};
  }

  TempDir m_dir;
  ComPtr<IPackReader> m_reader;
};

TEST_F(PackReaderTest, LooksUpExactNamesInASortedTable) {
  Bytes chip = PatternBytes(5000, 1), test0 = PatternBytes(300, 2);
  ArchiveBuilder builder;
  builder.FileCount(4)
      .Add(Chunk("JUNK", PatternBytes(13)))
      .File("Test0.avi", test0)
      .File("Chip.bmp", chip)
      .File("dir/\xC3\xA9t\xC3\xA9", {1, 2, 3})
      // Unknown sub-chunks are skipped; an entry without data is empty.
      .Add(Chunk("FILE", Concat({Chunk("XTRA", {9, 9}), Chunk("NAME", NameBytes("empty"))})));
  ASSERT_EQ(S_OK, Load(builder.Build()));

  ASSERT_EQ(4u, m_reader->GetFileCount());
  const char* sorted[] = {"Chip.bmp", "Test0.avi", "dir/\xC3\xA9t\xC3\xA9", "empty"};
  for (DWORD i = 0; i < 4; ++i) EXPECT_STREQ(sorted[i], m_reader->GetEntry(i)->name);
  EXPECT_EQ(nullptr, m_reader->GetEntry(4));
  EXPECT_EQ(5000u, m_reader->GetEntry(0)->size);

  EXPECT_EQ(chip, Content("Chip.bmp"));
  EXPECT_EQ(test0, Content("Test0.avi"));
  EXPECT_EQ(Bytes({1, 2, 3}), Content("dir/\xC3\xA9t\xC3\xA9"));
  EXPECT_TRUE(Content("empty").empty());

  EXPECT_TRUE(m_reader->Contains("Chip.bmp"));
  for (const char* absent : {"chip.bmp", "Chip.bmp ", "dir\\\xC3\xA9t\xC3\xA9", "", "A", "zzz"}) {
    EXPECT_FALSE(m_reader->Contains(absent)) << absent;
    IReadAccesser* stream = reinterpret_cast<IReadAccesser*>(1);
    EXPECT_EQ(E_FAIL, m_reader->OpenFile(&stream, absent));
    EXPECT_EQ(nullptr, stream);
  }

  ComPtr<IReadAccesser> byIndex;
  ASSERT_EQ(S_OK, m_reader->OpenFileByIndex(byIndex.ReleaseAndGetAddressOf(), 1));
  EXPECT_EQ(test0, ReadAll(byIndex.Get()));
  EXPECT_EQ(E_FAIL, m_reader->OpenFileByIndex(byIndex.ReleaseAndGetAddressOf(), 4));
}

TEST_F(PackReaderTest, EmptyArchivesHaveNoFiles) {
  for (const Bytes& archive : {ArchiveBuilder().Build(), ArchiveBuilder().FileCount(0).Build(),
                               ArchiveBuilder().File("x", {1}).FileCount(1).Build(0)}) {
    ASSERT_EQ(S_OK, Load(archive));
    EXPECT_EQ(0u, m_reader->GetFileCount());
    EXPECT_FALSE(m_reader->Contains("x"));
  }
  // Fewer files than announced: the table holds those present.
  ASSERT_EQ(S_OK, Load(ArchiveBuilder().FileCount(3).File("b", {2}).File("a", {1}).Build()));
  EXPECT_EQ(2u, m_reader->GetFileCount());
  EXPECT_EQ(Bytes{2}, Content("b"));
}

TEST_F(PackReaderTest, MaskedDataIsUnmaskedByAbsoluteArchiveOffset) {
  Bytes code = TestCode(), first = PatternBytes(100, 4), second = PatternBytes(77, 5);
  // The code may come after the files it masks.
  Bytes archive =
      ArchiveBuilder().FileCount(2).File("a", first).File("b", second).Code(code).Build();
  ASSERT_EQ(S_OK, Load(archive));
  EXPECT_EQ(first, Content("a"));
  EXPECT_EQ(second, Content("b"));

  const PackEntry* b = m_reader->GetEntry(1);
  ComPtr<IReadAccesser> stream;
  ASSERT_EQ(S_OK, m_reader->OpenFile(stream.ReleaseAndGetAddressOf(), "b"));
  for (DWORD k : {0u, 31u, 32u, 45u, 76u}) {
    ASSERT_EQ(k, stream->Seek(k, FILE_BEGIN));
    BYTE one = 0;
    ASSERT_EQ(1u, stream->Read(&one, 1));
    EXPECT_EQ(archive[b->offset + k] ^ code[(b->offset + k) % 32], one) << k;
  }

  // A short code leaves the rest zero; a long one keeps its first 32 bytes.
  Bytes shortCode = {1, 2, 3, 4, 5};
  Bytes fullShort = shortCode;
  fullShort.resize(32);
  ASSERT_EQ(S_OK, Load(ArchiveBuilder()
                           .Add(Chunk("CCOD", shortCode))
                           .Code(fullShort)
                           .FileCount(1)
                           .File("a", first)
                           .Add(Chunk("CCOD", shortCode))
                           .Build()));
  EXPECT_EQ(first, Content("a"));
  Bytes longCode = Concat({code, Bytes(9, 0xEE)});
  Bytes withLong =
      ArchiveBuilder().FileCount(1).File("a", first).Add(Chunk("CCOD", longCode)).Build();
  const size_t dataStart = 12 + 12 + 8 + 10 + 8;  // header, FNUM, FILE, NAME, DATA header
  for (size_t p = dataStart; p < dataStart + first.size(); ++p) withLong[p] ^= code[p % 32];
  ASSERT_EQ(S_OK, Load(withLong));
  EXPECT_EQ(first, Content("a"));
}

TEST_F(PackReaderTest, MalformedArchivesAreRejected) {
  Bytes file = Chunk("FILE", Concat({Chunk("NAME", NameBytes("a")), Chunk("DATA", {1, 2, 3})}));
  Bytes good = ArchiveBuilder().FileCount(1).Add(file).Build();
  std::vector<std::pair<const char*, Bytes>> cases = {
      {"wrong magic", Concat({Bytes{'P', 'A', 'C', '1'}, Bytes(good.begin() + 4, good.end())})},
      {"no header", Bytes{'P', 'A', 'C'}},
      {"FILE before FNUM", ArchiveBuilder().Add(file).FileCount(1).Build()},
      {"more FILEs than announced", ArchiveBuilder().FileCount(1).Add(file).Add(file).Build()},
      {"second FNUM", ArchiveBuilder().FileCount(1).FileCount(1).Add(file).Build()},
      {"FNUM of 4 billion", ArchiveBuilder().FileCount(4000000000u).Add(file).Build()},
      {"short FNUM", ArchiveBuilder().Add(Chunk("FNUM", {1, 0})).Build()},
      {"NAME without terminator",
       ArchiveBuilder().FileCount(1).Add(Chunk("FILE", Chunk("NAME", {'a', 'b'}))).Build()},
      {"FILE without NAME",
       ArchiveBuilder().FileCount(1).Add(Chunk("FILE", Chunk("DATA", {1}))).Build()},
      {"sub-chunk past its FILE",
       ArchiveBuilder()
           .FileCount(1)
           .Add(Concat({Bytes{'F', 'I', 'L', 'E'}, Le32(4), Chunk("NAME", NameBytes("a"))}))
           .Build()},
      {"DATA past the end",
       Concat({ArchiveBuilder().FileCount(1).Build(40), Bytes{'F', 'I', 'L', 'E'}, Le32(30),
               Chunk("NAME", NameBytes("a")), Bytes{'D', 'A', 'T', 'A'}, Le32(1000), Bytes{1, 2}})},
      {"chunk past the end",
       Concat({ArchiveBuilder().Build(8), Bytes{'J', 'U', 'N', 'K'}, Le32(0xFFFFFFF0u)})},
      {"body length past the end", ArchiveBuilder().FileCount(1).Add(file).Build(good.size())},
  };
  for (const auto& [what, archive] : cases) {
    IPackReader* reader = reinterpret_cast<IPackReader*>(1);
    EXPECT_EQ(E_FAIL, OpenPackReader(&reader, m_dir.Write("bad.pac", archive).c_str())) << what;
    EXPECT_EQ(nullptr, reader) << what;
  }
  // Every truncation of a good archive is refused.
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_EQ(E_FAIL, Load(Bytes(good.begin(), good.begin() + length))) << length;
  }
  EXPECT_EQ(S_OK, Load(good));
}

TEST_F(PackReaderTest, ArchivePathsAreCheckedAndFilesOutliveTheReader) {
  IPackReader* reader = reinterpret_cast<IPackReader*>(1);
  EXPECT_EQ(E_ACCESSDENIED, OpenPackReader(&reader, m_dir.File("missing.pac").c_str()));
  EXPECT_EQ(nullptr, reader);
  EXPECT_EQ(E_INVALIDARG, OpenPackReader(&reader, std::string(260, 'a').c_str()));
  EXPECT_EQ(nullptr, reader);
  {
    CurrentDirectory here(m_dir.path());
    EXPECT_EQ(E_ACCESSDENIED, CreatePackReader(&reader)) << "no Data.pac";
    m_dir.Write("Data.pac", ArchiveBuilder().FileCount(1).File("x", {7}).Build());
    ASSERT_EQ(S_OK, CreatePackReader(&reader));
    EXPECT_TRUE(reader->Contains("x"));
    reader->Release();
  }

  Bytes data = PatternBytes(4000);
  ASSERT_EQ(S_OK, Load(ArchiveBuilder().FileCount(1).File("big", data).Build()));
  ComPtr<IReadAccesser> one, two;
  ASSERT_EQ(S_OK, m_reader->OpenFile(one.ReleaseAndGetAddressOf(), "big"));
  ASSERT_EQ(S_OK, m_reader->OpenFile(two.ReleaseAndGetAddressOf(), "big"));
  m_reader.Reset();
  BYTE piece[10];
  one->Read(piece, 10);
  EXPECT_EQ(data, ReadAll(two.Get())) << "each file has its own position";
  EXPECT_EQ(10u, one->Tell());
}

}  // namespace
