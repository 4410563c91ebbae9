#include <IPackManager.h>
#include <comobject.h>

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace tavorin::test;
using tavorin::ComPtr;

Bytes ReadThrough(IPackManager* manager, const char* name) {
  ComPtr<IFileReader> reader;
  if (FAILED(manager->OpenFileReader(reader.ReleaseAndGetAddressOf(), name, 16))) return {};
  reader->SetAutoRefill(TRUE);
  Bytes all(100);
  all.resize(reader->Read(all.data(), 100));
  return all;
}

TEST(PackManagerTest, ArchiveComesFirstAndLooseFilesSecond) {
  TempDir dir;
  CurrentDirectory here(dir.path());
  dir.Write("shared", {'l', 'o', 'o', 's', 'e'});
  dir.Write("loose-only", {'L'});
  dir.Write("Data.pac", ArchiveBuilder()
                            .FileCount(2)
                            .File("shared", {'p', 'a', 'c'})
                            .File("packed-only", {'P'})
                            .Code(TestCode())
                            .Build());
  ComPtr<IPackManager> manager;
  ASSERT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
  ComPtr<IPackReader> reader(manager->GetPackReader());
  ASSERT_TRUE(reader);
  EXPECT_EQ(2u, reader->GetFileCount());

  EXPECT_EQ(Bytes({'p', 'a', 'c'}), ReadThrough(manager.Get(), "shared"));
  EXPECT_EQ(Bytes({'P'}), ReadThrough(manager.Get(), "packed-only"));
  EXPECT_EQ(Bytes({'L'}), ReadThrough(manager.Get(), "loose-only"));

  ComPtr<IReadAccesser> stream;
  ASSERT_EQ(S_OK, manager->OpenFile(stream.ReleaseAndGetAddressOf(), "shared"));
  BYTE bytes[8];
  EXPECT_EQ(3u, stream->Read(bytes, 8));
  ASSERT_EQ(S_OK, manager->OpenFile(stream.ReleaseAndGetAddressOf(), "loose-only"));
  EXPECT_EQ(1u, stream->Read(bytes, 8));

  IReadAccesser* missing = reinterpret_cast<IReadAccesser*>(1);
  EXPECT_EQ(E_ACCESSDENIED, manager->OpenFile(&missing, "nowhere"));
  EXPECT_EQ(nullptr, missing);
  IFileReader* noBuffer = reinterpret_cast<IFileReader*>(1);
  EXPECT_EQ(E_INVALIDARG, manager->OpenFileReader(&noBuffer, "shared", 0));
  EXPECT_EQ(nullptr, noBuffer);
}

TEST(PackManagerTest, MissingOrBrokenArchiveMeansLooseFilesOnly) {
  TempDir dir;
  CurrentDirectory here(dir.path());
  dir.Write("a", {'a'});
  for (bool broken : {false, true}) {
    if (broken) dir.Write("Data.pac", ArchiveBuilder().FileCount(7000).File("a", {'x'}).Build());
    ComPtr<IPackManager> manager;
    ASSERT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
    EXPECT_EQ(nullptr, manager->GetPackReader());
    EXPECT_EQ(Bytes({'a'}), ReadThrough(manager.Get(), "a"));
  }
}

TEST(PackManagerTest, ScenesNeedADeviceAndSoundsNeedASoundObject) {
  TempDir dir;
  CurrentDirectory here(dir.path());
  ComPtr<IPackManager> manager;
  ASSERT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
  IVeya2* scene = reinterpret_cast<IVeya2*>(1);
  IDirectSoundPlayer3* sound = reinterpret_cast<IDirectSoundPlayer3*>(1);
  EXPECT_EQ(E_INVALIDARG, manager->LoadScene(&scene, nullptr, nullptr, "s"));
  EXPECT_EQ(E_INVALIDARG, manager->LoadSound(&sound, nullptr, "s.wav", -1));
  EXPECT_EQ(nullptr, scene);
  EXPECT_EQ(nullptr, sound);
}

}  // namespace
