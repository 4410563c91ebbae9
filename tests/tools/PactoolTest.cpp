#include <IPackReader.h>
#include <comobject.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "pack/ArchiveBuilder.h"
#include "support/RunTool.h"
#include "support/TempDir.h"

namespace {

using namespace tavorin::test;
using tavorin::ComPtr;

// Runs pactool with `args` (shell words) in `dir`; stderr is kept in dir/err.
Outcome Pactool(const TempDir& dir, const std::string& args) {
  return RunTool(dir, PACTOOL_PATH, args);
}

std::string Stderr(const TempDir& dir) {
  return ToolStderr(dir);
}

Bytes ReadEntry(IPackReader* reader, const char* name) {
  ComPtr<IReadAccesser> stream;
  if (FAILED(reader->OpenFile(stream.ReleaseAndGetAddressOf(), name))) return {};
  Bytes all;
  BYTE piece[65536];
  for (DWORD got; (got = stream->Read(piece, sizeof(piece))) > 0;) {
    all.insert(all.end(), piece, piece + got);
  }
  return all;
}

class PactoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_files = {{"a.txt", {'h', 'i', '\n'}},
               {"assets/Chip.bmp", PatternBytes(70000, 1)},
               {"assets/deep/Test0.avi", PatternBytes(300001, 2)},
               {"assets/empty", {}}};
    for (const auto& [name, bytes] : m_files) m_dir.Write(name, bytes);
  }

  TempDir m_dir;
  std::vector<std::pair<std::string, Bytes>> m_files;
};

TEST_F(PactoolTest, CreateListExtractRoundTripsByteForByteMaskedAndUnmasked) {
  const std::string code = "00112233445566778899aabbccddeeff0123456789ABCDEFfedcba9876543210";
  for (const std::string& mask :
       {std::string(), " --mask " + code, std::string(" --random-mask")}) {
    SCOPED_TRACE("mask option:" + mask);
    ASSERT_EQ(0, Pactool(m_dir, "create out.pac" + mask + " a.txt ./assets/").exitCode)
        << Stderr(m_dir);

    // The library reads every file back under its relative path.
    ComPtr<IPackReader> reader;
    ASSERT_EQ(S_OK, OpenPackReader(reader.ReleaseAndGetAddressOf(), m_dir.File("out.pac").c_str()));
    ASSERT_EQ(m_files.size(), reader->GetFileCount());
    for (const auto& [name, bytes] : m_files)
      EXPECT_EQ(bytes, ReadEntry(reader.Get(), name.c_str()));
    if (!mask.empty()) {
      Bytes stored = m_dir.Read("out.pac");
      const PackEntry* chip = reader->GetEntry(1);
      EXPECT_NE(0, memcmp(stored.data() + chip->offset, m_files[1].second.data(), 64))
          << "data is stored masked";
    }

    Outcome list = Pactool(m_dir, "list out.pac");
    EXPECT_EQ(0, list.exitCode);
    EXPECT_EQ("a.txt\nassets/Chip.bmp\nassets/deep/Test0.avi\nassets/empty\n", list.out);
    Outcome longList = Pactool(m_dir, "list --long out.pac");
    EXPECT_NE(std::string::npos, longList.out.find("300001"));

    ASSERT_EQ(0, Pactool(m_dir, "extract out.pac -C back").exitCode) << Stderr(m_dir);
    for (const auto& [name, bytes] : m_files) EXPECT_EQ(bytes, m_dir.Read("back/" + name)) << name;
    std::filesystem::remove_all(m_dir.path() / "back");

    Outcome cat = Pactool(m_dir, "cat out.pac a.txt");
    EXPECT_EQ(0, cat.exitCode);
    EXPECT_EQ("hi\n", cat.out);
    EXPECT_EQ(0, Pactool(m_dir, "verify out.pac").exitCode);
  }

  // Named extraction takes just those files.
  ASSERT_EQ(0, Pactool(m_dir, "extract out.pac assets/empty a.txt -C some").exitCode);
  EXPECT_TRUE(std::filesystem::exists(m_dir.path() / "some/assets/empty"));
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "some/assets/Chip.bmp"));
}

TEST_F(PactoolTest, ArchivesWrittenByTheLibraryFormatAreReadBack) {
  Bytes code = TestCode(9), data = PatternBytes(5000, 3);
  m_dir.Write("lib.pac",
              ArchiveBuilder().FileCount(2).File("x/y.bin", data).File("z", {}).Code(code).Build());
  ASSERT_EQ(0, Pactool(m_dir, "extract lib.pac -C out").exitCode) << Stderr(m_dir);
  EXPECT_EQ(data, m_dir.Read("out/x/y.bin"));
  EXPECT_EQ(0, Pactool(m_dir, "verify lib.pac").exitCode);
}

TEST_F(PactoolTest, ErrorsAreReportedWithNonZeroExits) {
  struct Case {
    const char* args;
    int exitCode;
    const char* message;
  };
  m_dir.Write("bad.pac", {'P', 'A', 'C', '2', 1, 0, 0, 0, 0, 0, 0, 0});
  ASSERT_EQ(0, Pactool(m_dir, "create good.pac a.txt").exitCode);
  // Below 4 GiB, but not with its name and headers in one 32-bit chunk
  // length (sparse, so it takes no disk).
  m_dir.Write("huge.bin", {});
  std::filesystem::resize_file(m_dir.path() / "huge.bin", 0xFFFFFFF0u);
  for (const Case& c : std::vector<Case>{
           {"", 2, "usage"},
           {"frobnicate x", 2, "unknown command"},
           {"list", 2, "list takes one archive"},
           {"create x.pac --mask 1234 a.txt", 1, "64 hexadecimal digits"},
           {"create x.pac missing.txt", 1, "no such file"},
           {"create x.pac /etc/hostname", 1, "absolute"},
           {"create x.pac ../x", 1, ".."},
           {"create x.pac a.txt ./a.txt", 1, "given twice"},
           {"create x.pac a.txt huge.bin", 1, "too large for an archive entry"},
           {"list nothing.pac", 1, "cannot open"},
           {"list bad.pac", 1, "not a valid archive"},
           {"verify bad.pac", 1, "not a valid archive"},
           {"cat good.pac b.txt", 1, "not in the archive"},
           {"extract good.pac b.txt", 1, "not in the archive"},
       }) {
    EXPECT_EQ(c.exitCode, Pactool(m_dir, c.args).exitCode) << c.args;
    EXPECT_NE(std::string::npos, Stderr(m_dir).find(c.message)) << c.args << ": " << Stderr(m_dir);
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "x.pac")) << "no half-written archive";
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "x.pac.partial"));
}

TEST_F(PactoolTest, ExtractNeverWritesOutsideItsDirectory) {
  for (const char* name : {"../escape", "/tmp/absolute", "a/../../escape"}) {
    m_dir.Write("evil.pac",
                ArchiveBuilder().FileCount(2).File("fine", {1}).File(name, {2}).Build());
    EXPECT_EQ(1, Pactool(m_dir, "extract evil.pac -C inside").exitCode) << name;
    EXPECT_NE(std::string::npos, Stderr(m_dir).find("unsafe")) << name;
    EXPECT_EQ(1, Pactool(m_dir, "verify evil.pac").exitCode) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "escape"));
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "inside/fine")) << "checked before writing";

  // A symbolic link inside the directory does not lead the extraction out.
  std::filesystem::create_directories(m_dir.path() / "outside");
  std::filesystem::create_directories(m_dir.path() / "inside");
  std::filesystem::create_directory_symlink(m_dir.path() / "outside", m_dir.path() / "inside/link");
  m_dir.Write("link.pac", ArchiveBuilder().FileCount(1).File("link/planted", {3}).Build());
  EXPECT_EQ(1, Pactool(m_dir, "extract link.pac -C inside").exitCode);
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "outside/planted"));
  // Nor are directories made through it before the entry is refused.
  m_dir.Write("deep.pac",
              ArchiveBuilder().FileCount(1).File("link/made/here/planted", {4}).Build());
  EXPECT_EQ(1, Pactool(m_dir, "extract deep.pac -C inside").exitCode);
  EXPECT_NE(std::string::npos, Stderr(m_dir).find("leads outside")) << Stderr(m_dir);
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "outside/made"));
  // A link that stays inside the directory may be followed.
  std::filesystem::create_directories(m_dir.path() / "inside/real");
  std::filesystem::create_directory_symlink("real", m_dir.path() / "inside/alias");
  m_dir.Write("alias.pac", ArchiveBuilder().FileCount(1).File("alias/sub/kept", {5}).Build());
  EXPECT_EQ(0, Pactool(m_dir, "extract alias.pac -C inside").exitCode) << Stderr(m_dir);
  EXPECT_TRUE(std::filesystem::exists(m_dir.path() / "inside/real/sub/kept"));
}

}  // namespace
