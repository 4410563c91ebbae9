// Scenes through the pack manager: the archive first, the loose file second.
#include <IPackManager.h>
#include <gtest/gtest.h>

#include "SceneTestSupport.h"
#include "pack/ArchiveBuilder.h"

namespace {

using tavorin::ComPtr;
using namespace tavorin::test;

ByteVector SceneOfMotions(const TempDir& dir, WORD count) {
  SceneFile file(dir);
  file.Count("MOTN", count);
  for (WORD i = 0; i < count; ++i) file.Object("MOTI", MakeMotion(i).Get());
  return file.Build();
}

WORD MotionsLoaded(IPackManager* manager, IDirect3DDevice9* device, IVeyaShader* shader,
                   const char* name, HRESULT* hr) {
  IVeya2* scene = reinterpret_cast<IVeya2*>(uintptr_t(1));
  *hr = manager->LoadScene(&scene, device, shader, name);
  if (FAILED(*hr)) {
    EXPECT_EQ(scene, nullptr);
    return 0xFFFF;
  }
  ComPtr<IVeya2> held(scene);
  return scene->GetMotionCount();
}

TEST(SceneFromPackTest, ArchiveFirstThenLooseThenMissing) {
  TempDir dir;
  HeadlessDevice device;
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeyaShader> shader = MakeQuietShader();
  CurrentDirectory here(dir.path());
  ByteVector broken = SceneOfMotions(dir, 1);
  broken[0] = 'X';
  dir.Write("Data.pac", ArchiveBuilder()
                            .FileCount(2)
                            .File("both.vmf", SceneOfMotions(dir, 1))
                            .File("broken.vmf", broken)
                            .Code(TestCode())
                            .Build());
  dir.Write("both.vmf", SceneOfMotions(dir, 2));
  dir.Write("broken.vmf", SceneOfMotions(dir, 3));
  dir.Write("loose.vmf", SceneOfMotions(dir, 4));
  ComPtr<IPackManager> manager;
  ASSERT_EQ(CreatePackManager(manager.ReleaseAndGetAddressOf()), S_OK);

  HRESULT hr = S_OK;
  EXPECT_EQ(MotionsLoaded(manager.Get(), device.Get(), shader.Get(), "both.vmf", &hr), 1);
  // Archived data the loader refuses falls back to the loose file.
  EXPECT_EQ(MotionsLoaded(manager.Get(), device.Get(), shader.Get(), "broken.vmf", &hr), 3);
  EXPECT_EQ(MotionsLoaded(manager.Get(), device.Get(), shader.Get(), "loose.vmf", &hr), 4);
  MotionsLoaded(manager.Get(), device.Get(), shader.Get(), "nowhere.vmf", &hr);
  EXPECT_EQ(hr, E_ACCESSDENIED);
  IVeya2* scene = nullptr;
  EXPECT_EQ(manager->LoadScene(&scene, device.Get(), nullptr, "loose.vmf"), E_INVALIDARG);
  EXPECT_EQ(manager->LoadScene(&scene, device.Get(), shader.Get(), nullptr), E_INVALIDARG);
}

}  // namespace
