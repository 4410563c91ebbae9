#include <cstring>

#include "ComponentTestSupport.h"
#include "IVeyaCamera.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::Payload;
using tavorin::test::ReadComponent;
using tavorin::test::TempDir;

ComPtr<IVeyaCamera> NewCamera() {
  IVeyaCamera* camera = nullptr;
  EXPECT_EQ(CreateCamera(&camera, nullptr, 0, nullptr), S_OK);
  return ComPtr<IVeyaCamera>(camera);
}

DWORD Bits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

TEST(CameraTest, DefaultsSettersAndIdentity) {
  ComPtr<IVeyaCamera> camera = NewCamera();
  ASSERT_TRUE(camera);
  EXPECT_EQ(camera->GetName(), nullptr);
  EXPECT_EQ(Bits(camera->GetFov()), 0x3F860A92u);
  EXPECT_EQ(camera->GetMotionIndex(), -1);

  EXPECT_EQ(camera->SetName("left eye"), S_OK);
  EXPECT_STREQ(camera->GetName(), "left eye");
  EXPECT_EQ(camera->SetName(camera->GetName()), S_OK);  // its own name, freed after copying
  EXPECT_STREQ(camera->GetName(), "left eye");
  EXPECT_EQ(camera->SetName(nullptr), S_OK);
  EXPECT_EQ(camera->GetName(), nullptr);
  camera->SetFov(0.25f);
  camera->SetMotionIndex(7);
  EXPECT_EQ(camera->GetFov(), 0.25f);
  EXPECT_EQ(camera->GetMotionIndex(), 7);

  void* face = nullptr;
  EXPECT_EQ(camera->QueryInterface(IID_IVeyaCamera, &face), S_OK);
  EXPECT_EQ(face, camera.Get());
  camera->Release();
  EXPECT_EQ(camera->QueryInterface(IID_IFileReader, &face), E_NOINTERFACE);
  EXPECT_EQ(face, nullptr);
  EXPECT_EQ(camera->Serialize(nullptr, nullptr), E_POINTER);

  IVeyaCamera* refused = reinterpret_cast<IVeyaCamera*>(uintptr_t(1));
  TempDir dir;
  ComPtr<IFileReader> reader = tavorin::test::ReaderOver(dir, {1, 2, 3});
  EXPECT_EQ(CreateCamera(&refused, reader.Get(), 3, nullptr), E_POINTER);
  EXPECT_EQ(refused, nullptr);
}

TEST(CameraTest, PayloadWithOnlyAMotionKeepsTheOtherDefaults) {
  TempDir dir;
  const Bytes bytes = Bytes().Chunk("XTRA", 3).U16(9).Append({1}).Chunk("MTNO", 2).U16(0xFFFE);
  ComPtr<IVeyaCamera> camera = ReadComponent<IVeyaCamera>(dir, CreateCamera, bytes.Get());
  ASSERT_TRUE(camera);
  EXPECT_EQ(camera->GetName(), nullptr);
  EXPECT_EQ(Bits(camera->GetFov()), 0x3F860A92u);
  EXPECT_EQ(camera->GetMotionIndex(), -2);
}

TEST(CameraTest, WritesExactBytesAndReadsThemBack) {
  TempDir dir;
  ComPtr<IVeyaCamera> camera = NewCamera();
  camera->SetName("eye");
  camera->SetFov(0.5f);
  camera->SetMotionIndex(3);
  DWORD size = 0;
  EXPECT_EQ(camera->Serialize(nullptr, &size), S_OK);
  EXPECT_EQ(size, 34u);
  const std::vector<uint8_t> expected =
      Bytes().Chunk("NAME", 4).Tag("eye").Chunk("FOVY", 4).F32(0.5f).Chunk("MTNO", 2).U16(3).Get();
  const std::vector<uint8_t> bytes = Payload(dir, camera.Get());
  EXPECT_EQ(bytes, expected);

  for (bool announced : {false, true}) {
    ComPtr<IVeyaCamera> again =
        ReadComponent<IVeyaCamera>(dir, CreateCamera, bytes, S_OK, announced);
    ASSERT_TRUE(again);
    EXPECT_STREQ(again->GetName(), "eye");
    EXPECT_EQ(again->GetFov(), 0.5f);
    EXPECT_EQ(again->GetMotionIndex(), 3);
    EXPECT_EQ(Payload(dir, again.Get()), bytes);
  }

  // Without a name the camera stores an empty one and reads back nameless.
  ComPtr<IVeyaCamera> nameless = NewCamera();
  const std::vector<uint8_t> plain = Payload(dir, nameless.Get());
  EXPECT_EQ(plain.size(), 31u);
  ComPtr<IVeyaCamera> read = ReadComponent<IVeyaCamera>(dir, CreateCamera, plain);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->GetName(), nullptr);
  EXPECT_EQ(Payload(dir, read.Get()), plain);
}

TEST(CameraTest, MalformedPayloadsFailWithoutACamera) {
  TempDir dir;
  const Bytes fovy = Bytes().Chunk("FOVY", 4).F32(1.0f);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    DWORD length;
  };
  const Case cases[] = {
      {"sub-chunk past the payload", Bytes().Chunk("FOVY", 8).F32(1.0f).Get(), 0},
      {"field of view shorter than a float", Bytes().Chunk("FOVY", 2).U16(1).Get(), 0},
      {"motion shorter than 16 bits", Bytes().Chunk("MTNO", 1).Append({1}).Get(), 0},
      {"name without its zero", Bytes().Chunk("NAME", 3).Append({'a', 'b', 'c'}).Get(), 0},
      {"empty name field", Bytes().Chunk("NAME", 0).Get(), 0},
      {"header cut short", Bytes(fovy).Tag("MTNO").Get(), 0},
      {"payload longer than the data", fovy.Get(), 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool announced : {false, true}) {
      ReadComponent<IVeyaCamera>(dir, CreateCamera, c.bytes, E_FAIL, announced, c.length);
    }
  }
  // A huge declared name costs only the bytes that really come.
  ReadComponent<IVeyaCamera>(dir, CreateCamera,
                             Bytes().Chunk("NAME", 0x7FFFFFF0).Append({'a', 'b'}).Get(), E_FAIL,
                             false, 0x7FFFFFF8);
}

}  // namespace
