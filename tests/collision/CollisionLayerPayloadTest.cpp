#include "CollisionTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::BindBone;
using tavorin::test::Bytes;
using tavorin::test::MakeLayer;
using tavorin::test::MotionWithSkin;
using tavorin::test::NewGroup;
using tavorin::test::ReaderOver;
using tavorin::test::Serialized;
using tavorin::test::TempDir;
using tavorin::test::Translation;

HRESULT ReadLayer(const TempDir& dir, const std::vector<uint8_t>& bytes,
                  IVeyaCollisionGroup** groups, WORD groupCount, ComPtr<IVeyaCollisionLayer>* out,
                  bool announced = false) {
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes, announced);
  IVeyaCollisionLayer* layer = reinterpret_cast<IVeyaCollisionLayer*>(1);
  DWORD used = 0;
  const HRESULT hr =
      CreateCollisionLayer(&layer, reader.Get(), DWORD(bytes.size()), &used, groups, groupCount);
  EXPECT_EQ(SUCCEEDED(hr), layer != nullptr);
  EXPECT_LE(used, bytes.size());
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(used, bytes.size());
  }
  *out = ComPtr<IVeyaCollisionLayer>(layer);
  return hr;
}

// A group-table entry that also answers for a motion, so the table lookup of
// bone indices can be seen binding at once.
class MotionGroup : public tavorin::ComObject<IVeyaCollisionGroup> {
 public:
  HRESULT Init(IVeyaMotion* motion) {
    m_motion = ComPtr<IVeyaMotion>(motion);
    motion->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object != nullptr && iid == IID_IVeyaMotion) return m_motion->QueryInterface(iid, object);
    return ComObject::QueryInterface(iid, object);
  }
  WORD GetId() override { return 0; }
  WORD GetIndex() override { return 0; }
  const char* GetName() override { return nullptr; }
  BYTE GetSide() override { return 0; }
  D3DXCOLOR* GetColor(D3DXCOLOR* out) override { return out; }
  void SetIndex(WORD) override {}
  HRESULT SetName(const char*) override { return S_OK; }
  void SetSide(BYTE) override {}
  void SetColor(const D3DXCOLOR*) override {}
  HRESULT Serialize(IFileWriter*, DWORD*) override { return E_FAIL; }

 private:
  ComPtr<IVeyaMotion> m_motion;
};

// A quad in z = 0 split into two meshes of one triangle each, every vertex
// skinned 5 units up the z axis by motions 2 and 5 of a table of six.
struct SkinnedQuad {
  std::vector<ComPtr<IVeyaMotion>> motions;
  std::vector<ComPtr<IVeyaCollisionGroup>> groups;
  ComPtr<IVeyaCollisionLayer> layer;

  SkinnedQuad() {
    for (WORD i = 0; i < 6; ++i) motions.push_back(MotionWithSkin(i, Translation(0, 0, 5)));
    groups = {NewGroup(0, 0), NewGroup(1, 1)};
    layer = MakeLayer({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                      {{groups[0].Get(), {{0, 1, 2}}}, {groups[1].Get(), {{0, 2, 3}}}});
    layer->SetEnable(1);
    layer->SetName("Body");
    for (WORD i = 0; i < 2; ++i) BindBone(*layer->GetVertex(i), 0, motions[2].Get(), 1.0f);
    for (WORD i = 2; i < 4; ++i) {
      BindBone(*layer->GetVertex(i), 0, motions[2].Get(), 0.5f);
      BindBone(*layer->GetVertex(i), 1, motions[5].Get(), 0.5f);
    }
  }

  std::vector<IVeyaCollisionGroup*> GroupTable() const {
    return {groups[0].Get(), groups[1].Get()};
  }
  std::vector<IVeyaMotion*> MotionTable() const {
    std::vector<IVeyaMotion*> table;
    for (const auto& motion : motions) table.push_back(motion.Get());
    return table;
  }
};

std::vector<uint8_t> ExpectedQuadPayload() {
  Bytes b;
  b.Chunk("ENBL", 4).U32(1).Chunk("NAME", 5).Tag("Body").Append({0});
  b.Chunk("VTXN", 2).U16(4).Chunk("VTEX", 4 * 36);
  const float positions[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    b.F32(positions[i][0]).F32(positions[i][1]).F32(positions[i][2]);
    if (i < 2) {
      b.U16(2).U16(0xFFFF).U16(0xFFFF).U16(0xFFFF).F32(1).F32(0).F32(0).F32(0);
    } else {
      b.U16(2).U16(5).U16(0xFFFF).U16(0xFFFF).F32(0.5f).F32(0.5f).F32(0).F32(0);
    }
  }
  b.Chunk("MESN", 2).U16(2);
  b.Chunk("MESH", 34).Chunk("POLN", 2).U16(1).Chunk("POLY", 6).U16(0).U16(1).U16(2);
  b.Chunk("GRPN", 2).U16(0);
  b.Chunk("MESH", 34).Chunk("POLN", 2).U16(1).Chunk("POLY", 6).U16(0).U16(2).U16(3);
  b.Chunk("GRPN", 2).U16(1);
  return b.Get();
}

// The group and height a vertical line through (x, y) meets first from above.
std::pair<WORD, float> Probe(IVeyaCollisionLayer* layer, float x, float y) {
  const D3DXVECTOR3 from(x, y, 10), to(x, y, -10);
  D3DXVECTOR3 hit(0, 0, -100);
  const WORD group = layer->HitTest(&hit, nullptr, nullptr, &from, &to, 0, 0);
  return {group, hit.z};
}

TEST(CollisionLayerPayloadTest, EmptyLayerWritesEnableAndName) {
  TempDir dir;
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer({}, {});
  EXPECT_EQ(layer->GetName(), nullptr);
  EXPECT_EQ(Serialized(dir, layer.Get()),
            Bytes().Chunk("ENBL", 4).U32(0).Chunk("NAME", 1).Append({0}).Get())
      << "no name is written as an empty one";
  layer->SetName("A");
  EXPECT_EQ(Serialized(dir, layer.Get()).size(), 22u);
}

TEST(CollisionLayerPayloadTest, SavedLayerLoadsUnboundAndBindsFromTheMotionTable) {
  TempDir dir;
  SkinnedQuad quad;
  quad.layer->Update();
  const auto before =
      std::make_pair(Probe(quad.layer.Get(), 0.5f, -0.5f), Probe(quad.layer.Get(), -0.5f, 0.5f));
  EXPECT_EQ(before.first, std::make_pair(WORD(0), 5.0f));
  EXPECT_EQ(before.second, std::make_pair(WORD(1), 5.0f));

  const std::vector<uint8_t> bytes = Serialized(dir, quad.layer.Get());
  ASSERT_EQ(bytes, ExpectedQuadPayload());

  for (bool announced : {false, true}) {
    SCOPED_TRACE(announced ? "announced reads" : "auto-refill reads");
    std::vector<IVeyaCollisionGroup*> groups = quad.GroupTable();
    ComPtr<IVeyaCollisionLayer> loaded;
    ASSERT_EQ(ReadLayer(dir, bytes, groups.data(), 2, &loaded, announced), S_OK);
    EXPECT_EQ(loaded->GetEnable(), 1u);
    EXPECT_STREQ(loaded->GetName(), "Body");
    EXPECT_EQ(loaded->GetVertex(3)->bones[0], nullptr) << "groups offer no motions";
    EXPECT_EQ(loaded->GetMesh(1)->group, quad.groups[1].Get());
    EXPECT_EQ(Serialized(dir, loaded.Get()), bytes) << "unbound slots keep their indices";

    loaded->Update();
    EXPECT_EQ(Probe(loaded.Get(), 0.5f, -0.5f), std::make_pair(WORD(0), 0.0f));

    std::vector<IVeyaMotion*> motions = quad.MotionTable();
    EXPECT_EQ(loaded->BindBones(motions.data(), 5), E_FAIL) << "index 5 is beyond a table of 5";
    EXPECT_EQ(loaded->GetVertex(0)->bones[0], nullptr) << "a refused table binds nothing";
    EXPECT_EQ(loaded->BindBones(nullptr, 0), E_POINTER);
    ASSERT_EQ(loaded->BindBones(motions.data(), 6), S_OK);
    EXPECT_EQ(loaded->GetVertex(3)->bones[1], quad.motions[5].Get());
    loaded->Update();
    EXPECT_EQ(std::make_pair(Probe(loaded.Get(), 0.5f, -0.5f), Probe(loaded.Get(), -0.5f, 0.5f)),
              before);
    EXPECT_EQ(Serialized(dir, loaded.Get()), bytes);
    EXPECT_EQ(loaded->BindBones(nullptr, 0), S_OK) << "nothing left to bind";
  }

  // A table entry that answers for a motion binds while reading.
  std::vector<ComPtr<IVeyaCollisionGroup>> holders;
  std::vector<IVeyaCollisionGroup*> mixed = quad.GroupTable();
  for (WORD i = 2; i < 6; ++i) {
    IVeyaCollisionGroup* holder = nullptr;
    ASSERT_EQ(tavorin::CreateComObject<MotionGroup>(&holder, quad.motions[i].Get()), S_OK);
    holders.emplace_back(holder);
    mixed.push_back(holder);
  }
  ComPtr<IVeyaCollisionLayer> bound;
  ASSERT_EQ(ReadLayer(dir, bytes, mixed.data(), 6, &bound), S_OK);
  EXPECT_EQ(bound->GetVertex(2)->bones[1], quad.motions[5].Get());
  bound->Update();
  EXPECT_EQ(Probe(bound.Get(), -0.5f, 0.5f), before.second);
}

TEST(CollisionLayerPayloadTest, MalformedPayloadsAreRefused) {
  TempDir dir;
  ComPtr<IVeyaCollisionGroup> group = NewGroup(0);
  IVeyaCollisionGroup* groups[] = {group.Get()};
  const std::vector<uint8_t> threeVertices =
      Bytes().Chunk("VTXN", 2).U16(3).Chunk("VTEX", 108).Append(std::vector<uint8_t>(108)).Get();
  auto oneMesh = [&](WORD a, WORD b, WORD c, WORD groupIndex) {
    return Bytes()
        .Append(threeVertices)
        .Chunk("MESN", 2)
        .U16(1)
        .Chunk("MESH", 34)
        .Chunk("POLN", 2)
        .U16(1)
        .Chunk("POLY", 6)
        .U16(a)
        .U16(b)
        .U16(c)
        .Chunk("GRPN", 2)
        .U16(groupIndex)
        .Get();
  };
  ComPtr<IVeyaCollisionLayer> layer;
  ASSERT_EQ(ReadLayer(dir, oneMesh(0, 1, 2, 0), groups, 1, &layer), S_OK);
  EXPECT_EQ(layer->GetMesh(0)->group, group.Get());

  const std::vector<std::pair<const char*, std::vector<uint8_t>>> refused = {
      {"name without its zero", Bytes().Chunk("NAME", 3).Tag("abc").Get()},
      {"enable shorter than its field", Bytes().Chunk("ENBL", 2).U16(1).Get()},
      {"vertex count beyond the payload",
       Bytes().Chunk("VTXN", 2).U16(2).Chunk("VTEX", 36).Append(std::vector<uint8_t>(36)).Get()},
      {"vertices shorter than the count",
       Bytes().Chunk("VTXN", 2).U16(1).Chunk("VTEX", 20).Append(std::vector<uint8_t>(20)).Get()},
      {"mesh before its count", Bytes().Chunk("MESH", 0).Get()},
      {"more meshes than announced",
       Bytes().Chunk("MESN", 2).U16(1).Chunk("MESH", 0).Chunk("MESH", 0).Get()},
      {"mesh count beyond the payload", Bytes().Chunk("MESN", 2).U16(3).Chunk("MESH", 0).Get()},
      {"mesh running past the payload",
       Bytes().Chunk("MESN", 2).U16(1).Chunk("MESH", 100).Chunk("POLN", 2).U16(0).Get()},
      {"polygon count beyond the mesh",
       Bytes().Chunk("MESN", 2).U16(1).Chunk("MESH", 10).Chunk("POLN", 2).U16(100).Get()},
      {"sub-chunk running past its mesh",
       Bytes().Chunk("MESN", 2).U16(1).Chunk("MESH", 10).Chunk("POLN", 4).U16(0).Get()},
      {"triangle naming a missing vertex", oneMesh(0, 1, 3, 0)},
      {"group index beyond the table", oneMesh(0, 1, 2, 1)},
      {"sub-chunk past the payload", Bytes().Chunk("XTRA", 50).U32(0).Get()},
  };
  for (const auto& [what, payload] : refused) {
    SCOPED_TRACE(what);
    EXPECT_EQ(ReadLayer(dir, payload, groups, 1, &layer), E_FAIL);
  }
  // Mesh groups need a table to name.
  EXPECT_EQ(ReadLayer(dir, oneMesh(0, 1, 2, 0), nullptr, 0, &layer), E_FAIL);
  // Meshes left without "GRPN" or with 0xFFFF have no group, and write 0xFFFF.
  ASSERT_EQ(ReadLayer(dir, oneMesh(0, 1, 2, 0xFFFF), nullptr, 0, &layer), S_OK);
  EXPECT_EQ(layer->GetMesh(0)->group, nullptr);
  const std::vector<uint8_t> written = Serialized(dir, layer.Get());
  EXPECT_EQ(std::vector<uint8_t>(written.end() - 2, written.end()),
            (std::vector<uint8_t>{0xFF, 0xFF}));
}

}  // namespace
