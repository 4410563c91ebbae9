#include "ComponentTestSupport.h"
#include "IVeyaLight.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::TempDir;
using tavorin::test::WrittenBytes;

TEST(LightTest, TwoLightsStoreEmptyPayloads) {
  TempDir dir;
  ComPtr<IVeyaLight> lights[2];
  for (auto& light : lights) {
    ASSERT_EQ(CreateLight(light.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_TRUE(light);
  }
  EXPECT_NE(lights[0].Get(), lights[1].Get());
  for (auto& light : lights) {
    DWORD size = 99;
    EXPECT_EQ(light->Serialize(nullptr, &size), S_OK);
    EXPECT_EQ(size, 0u);
    size = 99;
    const std::vector<uint8_t> bytes = WrittenBytes(dir, [&](IFileWriter* writer) {
      EXPECT_EQ(light->Serialize(writer, &size), S_OK);
      return size;
    });
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(light->Serialize(nullptr, nullptr), E_POINTER);
    void* face = nullptr;
    EXPECT_EQ(light->QueryInterface(IID_IVeyaLight, &face), S_OK);
    light->Release();
  }
  EXPECT_EQ(CreateLight(nullptr), E_POINTER);
}

}  // namespace
