#include "CollisionTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::ReaderOver;
using tavorin::test::Serialized;
using tavorin::test::TempDir;

// Reads `bytes` as a whole payload; the out-pointer is null exactly on failure.
HRESULT ReadGroup(const TempDir& dir, const std::vector<uint8_t>& bytes,
                  ComPtr<IVeyaCollisionGroup>* out, bool announced = false, WORD id = 9,
                  WORD index = 4, DWORD* consumed = nullptr) {
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes, announced);
  IVeyaCollisionGroup* group = reinterpret_cast<IVeyaCollisionGroup*>(1);
  DWORD used = 0;
  const HRESULT hr =
      CreateCollisionGroup(&group, id, index, reader.Get(), DWORD(bytes.size()), &used);
  EXPECT_EQ(SUCCEEDED(hr), group != nullptr);
  EXPECT_LE(used, bytes.size());
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(used, bytes.size());
  }
  if (consumed != nullptr) *consumed = used;
  *out = ComPtr<IVeyaCollisionGroup>(group);
  return hr;
}

TEST(CollisionGroupTest, NamedOnlyPayloadKeepsTheCreatorsIdAndDefaults) {
  TempDir dir;
  ComPtr<IVeyaCollisionGroup> group;
  ASSERT_EQ(ReadGroup(dir, Bytes().Chunk("NAME", 4).Tag("Head").Get(), &group), E_FAIL)
      << "a name without its zero";
  ASSERT_EQ(
      ReadGroup(dir, Bytes().Chunk("NAME", 5).Tag("Head").Append({0}).Get(), &group, false, 3, 5),
      S_OK);
  EXPECT_EQ(group->GetId(), 3);
  EXPECT_EQ(group->GetIndex(), 5);
  EXPECT_STREQ(group->GetName(), "Head");
  EXPECT_EQ(group->GetSide(), 0);
  D3DXCOLOR color(0, 0, 0, 0);
  EXPECT_EQ(group->GetColor(&color), &color);
  EXPECT_EQ(color, D3DXCOLOR(1, 1, 1, 1));
  EXPECT_EQ(group->GetColor(nullptr), nullptr);
}

TEST(CollisionGroupTest, WritesNameIdSideAndColourAndReadsThemBackByteForByte) {
  TempDir dir;
  ComPtr<IVeyaCollisionGroup> group = tavorin::test::NewGroup(0x1234);
  DWORD size = 0;
  ASSERT_EQ(group->Serialize(nullptr, &size), S_OK);
  EXPECT_EQ(size, 52u) << "no name is written as an empty one";
  ASSERT_EQ(group->SetName("Torso"), S_OK);
  group->SetSide(1);
  const D3DXCOLOR color(0.5f, 0.25f, 1.0f, 0.75f);
  group->SetColor(&color);
  group->SetIndex(77);

  const std::vector<uint8_t> expected = Bytes()
                                            .Chunk("NAME", 6)
                                            .Tag("Tors")
                                            .U16('o')
                                            .Chunk("ID  ", 2)
                                            .U16(0x1234)
                                            .Chunk("SIDE", 1)
                                            .Append({1})
                                            .Chunk("COLR", 16)
                                            .F32(0.5f)
                                            .F32(0.25f)
                                            .F32(1.0f)
                                            .F32(0.75f)
                                            .Get();
  const std::vector<uint8_t> bytes = Serialized(dir, group.Get());
  EXPECT_EQ(bytes.size(), 57u);
  EXPECT_EQ(bytes, expected);

  for (bool announced : {false, true}) {
    SCOPED_TRACE(announced ? "announced reads" : "auto-refill reads");
    ComPtr<IVeyaCollisionGroup> again;
    ASSERT_EQ(ReadGroup(dir, bytes, &again, announced, 1, 2), S_OK);
    EXPECT_EQ(again->GetId(), 0x1234);
    EXPECT_EQ(again->GetIndex(), 2) << "the index is the table's, not the file's";
    EXPECT_EQ(again->GetSide(), 1);
    EXPECT_EQ(Serialized(dir, again.Get()), bytes);
  }
}

TEST(CollisionGroupTest, MalformedPayloadsAreRefusedAndUnknownTagsSkipped) {
  TempDir dir;
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> refused = {
      {"id shorter than its field", Bytes().Chunk("ID  ", 1).Append({7}).Get()},
      {"side without a byte", Bytes().Chunk("SIDE", 0).Get()},
      {"colour of three channels", Bytes().Chunk("COLR", 12).F32(1).F32(1).F32(1).Get()},
      {"sub-chunk past the payload", Bytes().Chunk("SIDE", 9).Append({1}).Get()},
      {"unknown tag past the payload", Bytes().Chunk("XTRA", 100).U32(0).Get()},
      {"torn header", Bytes().Chunk("SIDE", 1).Get()},
  };
  for (const auto& [what, payload] : refused) {
    SCOPED_TRACE(what);
    ComPtr<IVeyaCollisionGroup> group;
    EXPECT_EQ(ReadGroup(dir, payload, &group), E_FAIL);
  }
  std::vector<uint8_t> torn = Bytes().Chunk("SIDE", 1).Append({1}).Get();
  torn.resize(5);
  ComPtr<IVeyaCollisionGroup> group;
  EXPECT_EQ(ReadGroup(dir, torn, &group), E_FAIL);

  // A stream shorter than the payload it announces.
  {
    const std::vector<uint8_t> bytes = Bytes().Chunk("SIDE", 1).Append({1}).Get();
    ComPtr<IFileReader> reader = ReaderOver(dir, bytes);
    IVeyaCollisionGroup* raw = nullptr;
    DWORD used = 0;
    EXPECT_EQ(CreateCollisionGroup(&raw, 0, 0, reader.Get(), 20, &used), E_FAIL);
    EXPECT_EQ(raw, nullptr);
    EXPECT_LE(used, 20u);
  }

  // Unknown tags go by their size; a field longer than its value keeps
  // the framing.
  const std::vector<uint8_t> tolerated = Bytes()
                                             .Chunk("XTRA", 3)
                                             .Append({1, 2, 3})
                                             .Chunk("ID  ", 4)
                                             .U16(42)
                                             .U16(0xBEEF)
                                             .Chunk("SIDE", 1)
                                             .Append({2})
                                             .Get();
  ASSERT_EQ(ReadGroup(dir, tolerated, &group), S_OK);
  EXPECT_EQ(group->GetId(), 42);
  EXPECT_EQ(group->GetSide(), 2);
  EXPECT_EQ(group->GetName(), nullptr);
}

}  // namespace
