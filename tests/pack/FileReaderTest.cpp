#include <IFileReader.h>
#include <comobject.h>

#include <cstring>

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::PatternBytes;
using tavorin::test::TempDir;
using tavorin::test::TestCode;

class FileReaderTest : public ::testing::Test {
 protected:
  ComPtr<IFileReader> Open(const Bytes& content, DWORD capacity) {
    ComPtr<IFileReader> reader;
    EXPECT_EQ(S_OK, CreateFileReader(reader.ReleaseAndGetAddressOf(),
                                     m_dir.Write("f" + std::to_string(m_files++), content).c_str(),
                                     nullptr, capacity));
    return reader;
  }

  // Every line ReadLine gives with a buffer of `capacity`, guarded on both
  // sides against writes outside it.
  std::vector<std::string> Lines(IFileReader* reader, DWORD capacity) {
    std::vector<std::string> lines;
    std::vector<char> space(capacity + 16, '#');
    char* buffer = space.data() + 8;
    for (LONG length; (length = reader->ReadLine(buffer, capacity)) > 0;) {
      EXPECT_EQ(size_t(length), strlen(buffer));
      lines.emplace_back(buffer, length);
      for (int i = 0; i < 8; ++i) {
        EXPECT_EQ('#', space[i]);
        EXPECT_EQ('#', buffer[capacity + i]) << "write past the buffer";
      }
    }
    return lines;
  }

  TempDir m_dir;
  int m_files = 0;
};

TEST_F(FileReaderTest, AnnouncedModeDeliversExactlyWhatWasAnnounced) {
  auto data = PatternBytes(1000);
  auto reader = Open(data, 256);
  BYTE buffer[400];
  EXPECT_EQ(0u, reader->Read(buffer, 4)) << "nothing announced";

  // 300 announced on a 256-byte buffer: the Reads fetch the rest, no more.
  ASSERT_EQ(S_OK, reader->Prefetch(300));
  EXPECT_EQ(0u, reader->Tell());
  EXPECT_EQ(100u, reader->Read(buffer, 100));
  EXPECT_EQ(200u, reader->Read(buffer + 100, 250));
  EXPECT_EQ(0, memcmp(buffer, data.data(), 300));
  EXPECT_EQ(300u, reader->Tell());

  // Prefetch drops unread buffered bytes: the position jumps to the fetch.
  ASSERT_EQ(S_OK, reader->Prefetch(50));
  EXPECT_EQ(4u, reader->Read(buffer, 4));
  ASSERT_EQ(S_OK, reader->Prefetch(8));
  EXPECT_EQ(350u, reader->Tell64());
  EXPECT_EQ(8u, reader->Read(buffer, 8));
  EXPECT_EQ(0, memcmp(buffer, data.data() + 350, 8));

  // A relative seek counts from the logical position, not the source's.
  ASSERT_EQ(S_OK, reader->Prefetch(100));
  reader->Read(buffer, 10);
  EXPECT_EQ(355u, reader->Seek(-13, FILE_CURRENT));
  ASSERT_EQ(S_OK, reader->Prefetch(2));
  EXPECT_EQ(2u, reader->Read(buffer, 2));
  EXPECT_EQ(0, memcmp(buffer, data.data() + 355, 2));

  EXPECT_EQ(1000u, reader->Seek(0, FILE_END));
  EXPECT_TRUE(reader->IsEof());
  EXPECT_EQ(E_FAIL, reader->Prefetch(4));
  EXPECT_EQ(0u, reader->Read(buffer, 4));
}

TEST_F(FileReaderTest, AutoRefillReadsAcrossBufferLoadsAndIgnoresPrefetch) {
  auto data = PatternBytes(1000, 3);
  auto reader = Open(data, 7);
  EXPECT_TRUE(reader->SetAutoRefill(TRUE));
  EXPECT_EQ(S_OK, reader->Prefetch(1));
  Bytes back(1000);
  EXPECT_EQ(3u, reader->Read(back.data(), 3));
  EXPECT_EQ(3u, reader->Tell());
  EXPECT_FALSE(reader->IsEof());
  EXPECT_EQ(997u, reader->Read(back.data() + 3, 2000));
  EXPECT_EQ(data, back);
  EXPECT_TRUE(reader->IsEof());
  EXPECT_EQ(0u, reader->Read(back.data(), 1));

  EXPECT_EQ(990, reader->Seek64(-10, FILE_CURRENT));
  EXPECT_EQ(10u, reader->Read(back.data(), 100));
  EXPECT_EQ(0, memcmp(back.data(), data.data() + 990, 10));
  EXPECT_EQ(0xFFFFFFFFu, reader->Seek(-2000, FILE_CURRENT));
}

TEST_F(FileReaderTest, ReadLineKeepsLineEndsAndNeverWritesPastTheBuffer) {
  auto reader = Open({'a', 'b', '\r', '\n', 'c', 'd'}, 64);
  reader->SetAutoRefill(TRUE);
  EXPECT_EQ((std::vector<std::string>{"ab\r\n", "cd"}), Lines(reader.Get(), 64));

  // LF alone ends a line, a zero byte ends one without being counted, a
  // lone CR is an ordinary character, a full buffer ends a piece.
  std::string text = std::string("one\ntwo") + '\0' + "x\ry\r\nlonger line\n";
  reader = Open(Bytes(text.begin(), text.end()), 3);
  reader->SetAutoRefill(TRUE);
  EXPECT_EQ((std::vector<std::string>{"one\n", "two", "x\ry\r\n", "longer ", "line\n"}),
            Lines(reader.Get(), 8));

  // A CR LF pair that cannot fit with its terminator stays for the next call,
  // also when the pair straddles a refill of the reader's own buffer.
  for (DWORD readerCapacity : {1u, 2u, 7u, 64u}) {
    std::string crlf = "abcdef\r\nxy\r\n";
    reader = Open(Bytes(crlf.begin(), crlf.end()), readerCapacity);
    reader->SetAutoRefill(TRUE);
    EXPECT_EQ((std::vector<std::string>{"abcdef", "\r\n", "xy\r\n"}), Lines(reader.Get(), 8))
        << "reader capacity " << readerCapacity;
  }

  char one[1];
  EXPECT_EQ(0, reader->ReadLine(one, 1)) << "room for the terminator only";
  EXPECT_EQ(E_INVALIDARG, reader->ReadLine(one, 0));

  // In announced mode a line ends with the announcement.
  reader = Open(Bytes(text.begin(), text.end()), 64);
  ASSERT_EQ(S_OK, reader->Prefetch(2));
  EXPECT_EQ((std::vector<std::string>{"on"}), Lines(reader.Get(), 64));
}

TEST_F(FileReaderTest, UnmaskingFollowsTheLogicalPositionWhateverTheSplit) {
  Bytes code = TestCode(0x11);
  auto data = PatternBytes(3000, 9);
  Bytes stored = data;
  for (size_t i = 0; i < stored.size(); ++i) stored[i] ^= code[i % 32];

  for (BOOL autoRefill : {FALSE, TRUE}) {
    auto reader = Open(stored, 37);
    reader->SetAutoRefill(autoRefill);
    reader->SetXorCode(TRUE, code.data());
    Bytes back(data.size());
    size_t done = 0;
    for (DWORD step = 1; done < back.size(); step = step % 53 + 2) {
      DWORD n = DWORD(std::min<size_t>(step, back.size() - done));
      if (!autoRefill) {
        ASSERT_EQ(S_OK, reader->Prefetch(n));
      }
      ASSERT_EQ(n, reader->Read(back.data() + done, n));
      done += n;
    }
    EXPECT_EQ(data, back) << "auto-refill " << autoRefill;

    // Seeking back in the middle of a 32-byte period stays in phase.
    reader->Seek(1001, FILE_BEGIN);
    if (!autoRefill) reader->Prefetch(40);
    BYTE piece[40];
    ASSERT_EQ(40u, reader->Read(piece, 40));
    EXPECT_EQ(0, memcmp(piece, data.data() + 1001, 40));
  }
}

TEST_F(FileReaderTest, CreationFailuresLeaveTheOutPointerNull) {
  IFileReader* reader = reinterpret_cast<IFileReader*>(1);
  EXPECT_EQ(E_INVALIDARG, CreateFileReader(&reader, m_dir.Write("x", {1}).c_str(), nullptr, 0));
  EXPECT_EQ(nullptr, reader);
  reader = reinterpret_cast<IFileReader*>(1);
  EXPECT_EQ(E_ACCESSDENIED, CreateFileReader(&reader, m_dir.File("missing").c_str(), nullptr, 8));
  EXPECT_EQ(nullptr, reader);

  // A reader keeps its source alive and lets go of it when released.
  ComPtr<IReadAccesser> source;
  ASSERT_EQ(S_OK, OpenReadAccesser(source.ReleaseAndGetAddressOf(), m_dir.File("x").c_str()));
  ASSERT_EQ(S_OK, CreateFileReader(&reader, "ignored", source.Get(), 8));
  source->AddRef();
  EXPECT_EQ(2u, source->Release());
  reader->Release();
  source->AddRef();
  EXPECT_EQ(1u, source->Release());
}

}  // namespace
