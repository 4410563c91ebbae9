// The "SURF" payload: reading, writing, sizes and malformed input.

#include <gtest/gtest.h>

#include "support/HeadlessDevice.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaSurface.h"
#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::TempDir;

// Little-endian payload bytes, built the way the format table reads.
class Bytes {
 public:
  Bytes& U8(uint8_t v) {
    m_data.push_back(v);
    return *this;
  }
  Bytes& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
  Bytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
  Bytes& F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return U32(bits);
  }
  Bytes& Tag(const char* tag) {
    m_data.insert(m_data.end(), tag, tag + 4);
    return *this;
  }
  Bytes& Append(const std::vector<uint8_t>& more) {
    m_data.insert(m_data.end(), more.begin(), more.end());
    return *this;
  }
  Bytes& Chunk(const char* tag, const Bytes& payload) {
    return Tag(tag).U32(uint32_t(payload.Size())).Append(payload.Data());
  }
  Bytes& Text(const char* tag, const std::string& text) {
    Bytes payload;
    payload.m_data.assign(text.begin(), text.end());
    payload.U8(0);
    return Chunk(tag, payload);
  }
  size_t Size() const { return m_data.size(); }
  const std::vector<uint8_t>& Data() const { return m_data; }

 private:
  std::vector<uint8_t> m_data;
};

uint32_t PixelAt(uint32_t x, uint32_t y) {
  return 0x80000000u | (y << 12) | x;
}

// A texture record as the writer stores it: the pixel sub-chunk declares 16
// bytes a pixel and carries 4.
Bytes TextureRecord(const std::string& name, uint32_t width, uint32_t height) {
  Bytes record;
  record.Text("NAME", name);
  record.Chunk("SIZE", Bytes().U32(width).U32(height));
  record.Tag("TEX ").U32(16 * width * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) record.U32(PixelAt(x, y));
  }
  return record;
}

Bytes CurveRun(const std::vector<std::pair<int, float>>& keys, uint16_t shape = 3) {
  Bytes run;
  run.Chunk("KEYN", Bytes().U16(uint16_t(keys.size())));
  Bytes body;
  for (auto [frame, value] : keys) {
    body.F32(value).U32(uint32_t(frame)).U16(shape);
    for (int i = 0; i < 6; ++i) body.F32(0.0f);
  }
  run.Chunk("KEY ", body);
  run.Chunk("PER ", Bytes().U16(1));
  run.Chunk("POST", Bytes().U16(1));
  return run;
}

class SurfacePayloadTest : public ::testing::Test {
 protected:
  // Reads `payload` (declared as `length` bytes, its own size by default)
  // through a file reader, as the scene loader does.
  HRESULT Read(const Bytes& payload, ComPtr<IVeyaSurface>* out, DWORD* consumed = nullptr,
               DWORD length = 0xFFFFFFFF, WORD index = 7) {
    std::string path = m_dir.Write("payload.bin", payload.Data());
    ComPtr<IFileReader> reader;
    HRESULT hr = CreateFileReader(reader.ReleaseAndGetAddressOf(), path.c_str(), nullptr, 65536);
    if (FAILED(hr)) return hr;
    reader->SetAutoRefill(TRUE);
    DWORD taken = 0xDEADBEEF;
    IVeyaSurface* surface = reinterpret_cast<IVeyaSurface*>(1);
    hr = CreateSurface(&surface, reader.Get(), m_device.Get(), index,
                       length == 0xFFFFFFFF ? DWORD(payload.Size()) : length, &taken);
    if (FAILED(hr)) {
      EXPECT_EQ(surface, nullptr);
    }
    *out = ComPtr<IVeyaSurface>(surface);
    if (consumed != nullptr) *consumed = taken;
    return hr;
  }

  std::vector<uint8_t> Write(IVeyaSurface* surface, DWORD* reported) {
    std::string path = m_dir.File("written.bin");
    {
      ComPtr<IFileWriter> writer;
      EXPECT_EQ(CreateFileWriter(writer.ReleaseAndGetAddressOf(), path.c_str()), S_OK);
      EXPECT_EQ(surface->Serialize(writer.Get(), reported), S_OK);
    }
    return m_dir.Read("written.bin");
  }

  ComPtr<IVeyaSurface> RoundTrip(IVeyaSurface* surface) {
    DWORD predicted = 0, written = 0;
    EXPECT_EQ(surface->Serialize(nullptr, &predicted), S_OK);
    std::vector<uint8_t> bytes = Write(surface, &written);
    EXPECT_EQ(written, predicted);
    EXPECT_EQ(bytes.size(), predicted);
    Bytes payload;
    payload.Append(bytes);
    ComPtr<IVeyaSurface> copy;
    DWORD consumed = 0;
    EXPECT_EQ(Read(payload, &copy, &consumed), S_OK);
    EXPECT_EQ(consumed, bytes.size());
    return copy;
  }

  void SetUp() override { ASSERT_NE(m_device.Get(), nullptr) << "no headless device"; }

  TempDir m_dir;
  tavorin::test::HeadlessDevice m_device;
};

std::vector<uint32_t> TexelsOf(IDirect3DTexture9* texture, UINT* width, UINT* height) {
  D3DSURFACE_DESC desc = {};
  EXPECT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
  *width = desc.Width;
  *height = desc.Height;
  std::vector<uint32_t> texels(desc.Width * desc.Height);
  D3DLOCKED_RECT locked = {};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
  for (UINT y = 0; y < desc.Height; ++y) {
    std::memcpy(&texels[y * desc.Width], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch,
                4 * desc.Width);
  }
  texture->UnlockRect(0);
  return texels;
}

TEST_F(SurfacePayloadTest, NameAndIndexOnlyGiveTheDefaults) {
  Bytes payload;
  payload.Text("NAME", "skin").Chunk("ID  ", Bytes().U16(3));
  ComPtr<IVeyaSurface> surface;
  DWORD consumed = 0;
  ASSERT_EQ(Read(payload, &surface, &consumed), S_OK);
  EXPECT_EQ(consumed, payload.Size());
  EXPECT_STREQ(surface->GetName(), "skin");
  EXPECT_EQ(surface->GetIndex(), 3);  // "ID  " wins over the creator's index
  EXPECT_EQ(surface->GetSurfaceType(), 1u);
  EXPECT_EQ(surface->GetBlendMode(), 0u);
  EXPECT_EQ(surface->GetTextureCount(), 0);
  EXPECT_EQ(surface->GetTextureIndex(), 0xFFFF);
  EXPECT_EQ(surface->GetToonTexture(), nullptr);
  SurfaceRenderParameters render;
  ASSERT_EQ(surface->GetRenderParameters(&render), &render);
  EXPECT_EQ(render.red, 1.0f);
  EXPECT_EQ(render.green, 1.0f);
  EXPECT_EQ(render.blue, 1.0f);
  EXPECT_EQ(render.extra, 1.0f);
  EXPECT_EQ(render.emissive, 0.0f);
  EXPECT_EQ(render.specular, 0.0f);
  EXPECT_EQ(render.power, 0.0f);
  EXPECT_EQ(render.texture, nullptr);
  EXPECT_EQ(render.doubleSided, 0u);
  EXPECT_EQ(render.zEnable, 1u);
  EXPECT_EQ(render.zWrite, 1u);
  SurfaceEdgeParameters edge;
  surface->GetEdgeParameters(&edge);
  EXPECT_EQ(edge.edgeSize, 0.0f);
  EXPECT_EQ(edge.alpha, 1.0f);
  EXPECT_EQ(surface->Evaluate(100), S_OK);
}

TEST_F(SurfacePayloadTest, FieldsAndTracksAreReadAndUnknownSubChunksSkipped) {
  Bytes payload;
  payload.Text("NAME", "cloth")
      .Chunk("STYP", Bytes().U32(4))
      .Chunk("BLDM", Bytes().U32(2))
      .Chunk("CEE ", Bytes().U32(1))
      .Chunk("COLR", Bytes().F32(0.25f))
      .Chunk("CER ", CurveRun({{0, 0.0f}, {10, 1.0f}}))
      .Chunk("ZZZZ", Bytes().U32(1).U32(2).U32(3))  // unknown: skipped by its size
      .Chunk("SIDE", Bytes().U8(1))
      .Chunk("ZWRT", Bytes().U8(0))
      .Chunk("EDGC", Bytes().F32(0.1f).F32(0.2f).F32(0.3f).F32(0.4f))
      .Chunk("EDGS", Bytes().F32(2.5f));
  ComPtr<IVeyaSurface> surface;
  ASSERT_EQ(Read(payload, &surface), S_OK);
  EXPECT_EQ(surface->GetIndex(), 7);  // no "ID  ": the creator's index
  EXPECT_EQ(surface->GetSurfaceType(), 4u);
  EXPECT_EQ(surface->GetBlendMode(), 2u);
  EXPECT_EQ(surface->GetColorRed(), 0.25f);
  ASSERT_EQ(surface->GetColorRedTrack()->keyCount, 2);
  EXPECT_EQ(surface->GetColorRedTrack()->keys[1].frame, 10);
  EXPECT_EQ(surface->GetColorRedTrack()->postBehavior, 1);
  EXPECT_EQ(surface->GetDoubleSided(), 1);
  EXPECT_EQ(surface->GetZWrite(), 0);
  FLOAT color[4];
  surface->GetEdgeColor(color);
  EXPECT_EQ(color[2], 0.3f);
  EXPECT_EQ(surface->GetEdgeSize(), 2.5f);
  // Before any Evaluate the current red is the base; then the track drives it.
  SurfaceRenderParameters render;
  EXPECT_EQ(surface->GetRenderParameters(&render)->red, 0.25f);
  surface->Evaluate(5);
  EXPECT_FLOAT_EQ(surface->GetRenderParameters(&render)->red, 0.5f);
}

TEST_F(SurfacePayloadTest, TextureRecordOf100By60FillsA128SquareAndIsWrittenAsSuch) {
  Bytes payload;
  payload.Text("NAME", "face")
      .Chunk("TEXN", Bytes().U16(1))
      .Chunk("TEX ", TextureRecord("eye.bmp", 100, 60))
      .Chunk("UTEX", Bytes().U16(0));
  ComPtr<IVeyaSurface> surface;
  DWORD consumed = 0;
  ASSERT_EQ(Read(payload, &surface, &consumed), S_OK);
  // The pixel sub-chunk's declared size would overrun the payload; reading by
  // "SIZE" keeps the reader in place for "UTEX" after it.
  EXPECT_EQ(consumed, payload.Size());
  EXPECT_EQ(surface->GetTextureIndex(), 0);
  ASSERT_EQ(surface->GetTextureCount(), 1);
  const SurfaceTexture* entry = surface->GetTexture(0);
  ASSERT_NE(entry, nullptr);
  EXPECT_STREQ(entry->name, "eye.bmp");
  EXPECT_EQ(surface->GetTexture(1), nullptr);
  SurfaceRenderParameters render;
  EXPECT_EQ(surface->GetRenderParameters(&render)->texture, entry->texture);

  UINT width = 0, height = 0;
  std::vector<uint32_t> texels = TexelsOf(entry->texture, &width, &height);
  ASSERT_EQ(width, 128u);
  ASSERT_EQ(height, 128u);
  EXPECT_GE(entry->texture->GetLevelCount(), 8u);  // a full chain was created
  bool rowsMatch = true;
  for (uint32_t y = 0; y < 60; ++y) {
    for (uint32_t x = 0; x < 100; ++x) rowsMatch &= texels[y * 128 + x] == PixelAt(x, y);
  }
  EXPECT_TRUE(rowsMatch);

  DWORD written = 0;
  std::vector<uint8_t> bytes = Write(surface.Get(), &written);
  ASSERT_EQ(written, bytes.size());
  // Find the stored record and check its header fields.
  const uint8_t sizeTag[] = {'S', 'I', 'Z', 'E', 8, 0, 0, 0};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(sizeTag), std::end(sizeTag));
  ASSERT_NE(at, bytes.end());
  size_t offset = size_t(at - bytes.begin()) + 8;
  auto u32 = [&](size_t o) {
    return uint32_t(bytes[o]) | uint32_t(bytes[o + 1]) << 8 | uint32_t(bytes[o + 2]) << 16 |
           uint32_t(bytes[o + 3]) << 24;
  };
  EXPECT_EQ(u32(offset), 128u);
  EXPECT_EQ(u32(offset + 4), 128u);
  EXPECT_EQ(std::memcmp(&bytes[offset + 8], "TEX ", 4), 0);
  EXPECT_EQ(u32(offset + 12), 16u * 128 * 128);
  EXPECT_EQ(u32(offset + 16), PixelAt(0, 0));
  EXPECT_EQ(u32(offset + 16 + 4 * (128 * 59 + 99)), PixelAt(99, 59));
  // The outer "TEX " size is the record's true length.
  const uint8_t recordTag[] = {'T', 'E', 'X', ' '};
  auto record = std::search(bytes.begin(), bytes.end(), std::begin(recordTag), std::end(recordTag));
  EXPECT_EQ(u32(size_t(record - bytes.begin()) + 4), 7u + 33 + 4 * 128 * 128);
}

TEST_F(SurfacePayloadTest, ToonTextureIsStoredOnlyForSurfaceTypeFour) {
  Bytes payload;
  payload.Text("NAME", "toon")
      .Chunk("STYP", Bytes().U32(4))
      .Chunk("TTEX", TextureRecord("ramp", 4, 1));
  ComPtr<IVeyaSurface> surface;
  ASSERT_EQ(Read(payload, &surface), S_OK);
  ASSERT_NE(surface->GetToonTexture(), nullptr);
  EXPECT_STREQ(surface->GetToonTexture()->name, "ramp");
  SurfaceRenderParameters render;
  EXPECT_EQ(surface->GetRenderParameters(&render)->toonTexture, surface->GetToonTexture()->texture);

  ComPtr<IVeyaSurface> kept = RoundTrip(surface.Get());
  ASSERT_NE(kept->GetToonTexture(), nullptr);
  EXPECT_STREQ(kept->GetToonTexture()->name, "ramp");

  surface->SetSurfaceType(1);
  ComPtr<IVeyaSurface> lost = RoundTrip(surface.Get());
  EXPECT_EQ(lost->GetToonTexture(), nullptr);
}

TEST_F(SurfacePayloadTest, MalformedPayloadsAreRejectedWithinTheirLength) {
  struct Case {
    const char* what;
    Bytes payload;
  };
  Bytes tooManyTextures;
  tooManyTextures.Chunk("TEXN", Bytes().U16(1))
      .Chunk("TEX ", TextureRecord("a", 2, 2))
      .Chunk("TEX ", TextureRecord("b", 2, 2));
  Bytes pixelsBeforeSize;
  pixelsBeforeSize.Chunk("TEXN", Bytes().U16(1))
      .Chunk("TEX ", Bytes().Tag("TEX ").U32(64).U32(0).U32(0).U32(0).U32(0).Chunk(
                         "SIZE", Bytes().U32(2).U32(2)));
  Bytes pixelsBeyondRecord;
  pixelsBeyondRecord.Chunk("TEXN", Bytes().U16(1))
      .Chunk("TEX ", Bytes().Chunk("SIZE", Bytes().U32(64).U32(64)).Tag("TEX ").U32(0).U32(0));
  Bytes hugeSide;
  hugeSide.Chunk("TEXN", Bytes().U16(1))
      .Chunk("TEX ", Bytes().Chunk("SIZE", Bytes().U32(0x80000001u).U32(0)));
  Bytes secondCount;
  secondCount.Chunk("TEXN", Bytes().U16(1))
      .Chunk("TEX ", TextureRecord("a", 1, 1))
      .Chunk("TEXN", Bytes().U16(2));
  Bytes missingTexture;
  missingTexture.Chunk("TEXN", Bytes().U16(2)).Chunk("TEX ", TextureRecord("a", 1, 1));
  Bytes recordWithoutSize;
  recordWithoutSize.Chunk("TTEX", Bytes().Text("NAME", "x"));
  Bytes chunkPastEnd;
  chunkPastEnd.Text("NAME", "x").Tag("ZZZZ").U32(100).U32(0);
  Bytes shortField;
  shortField.Chunk("STYP", Bytes().U16(4));
  Bytes trackPastEnd;
  trackPastEnd.Tag("CER ").U32(500).Append(CurveRun({{0, 1.0f}}).Data());
  Bytes headerCut;
  headerCut.Text("NAME", "x").U32(0x50595453);

  const Case cases[] = {
      {"texture before its count", Bytes().Chunk("TEX ", TextureRecord("a", 2, 2))},
      {"more textures than announced", tooManyTextures},
      {"pixels before SIZE", pixelsBeforeSize},
      {"pixels beyond the record", pixelsBeyondRecord},
      {"side beyond any texture", hugeSide},
      {"second texture count", secondCount},
      {"announced texture missing", missingTexture},
      {"record without SIZE", recordWithoutSize},
      {"sub-chunk past the payload", chunkPastEnd},
      {"field shorter than its value", shortField},
      {"track past the payload", trackPastEnd},
      {"header cut by the payload end", headerCut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IVeyaSurface> surface;
    DWORD consumed = 0;
    EXPECT_EQ(Read(c.payload, &surface, &consumed), E_FAIL);
    EXPECT_FALSE(surface);
    EXPECT_LE(consumed, c.payload.Size());
  }

  SCOPED_TRACE("payload longer than the stream");
  Bytes whole;
  whole.Text("NAME", "cut").Chunk("TEXN", Bytes().U16(1)).Chunk("TEX ", TextureRecord("a", 8, 8));
  Bytes cut;
  cut.Append(std::vector<uint8_t>(whole.Data().begin(), whole.Data().end() - 40));
  ComPtr<IVeyaSurface> surface;
  DWORD consumed = 0;
  EXPECT_EQ(Read(cut, &surface, &consumed, DWORD(whole.Size())), E_FAIL);
  EXPECT_LE(consumed, cut.Size());
}

TEST_F(SurfacePayloadTest, TexturesBeyondThePayloadsBudgetAreRefusedBeforeAllocating) {
  // A strip squares up with its mip chain: 1 x 8192 alone asks for 341 MiB.
  Bytes needle;
  needle.Chunk("TEXN", Bytes().U16(1)).Chunk("TEX ", TextureRecord("needle", 1, 8192));
  // 1 x 4096 asks for 85 MiB: one fits, the second goes past the budget.
  Bytes pair;
  pair.Chunk("TEXN", Bytes().U16(2))
      .Chunk("TEX ", TextureRecord("a", 1, 4096))
      .Chunk("TEX ", TextureRecord("b", 1, 4096));
  for (const Bytes* payload : {&needle, &pair}) {
    ComPtr<IVeyaSurface> surface;
    DWORD consumed = 0;
    EXPECT_EQ(Read(*payload, &surface, &consumed), E_OUTOFMEMORY);
    EXPECT_FALSE(surface);
    EXPECT_LE(consumed, payload->Size());
  }
  // Strips of real content still load.
  Bytes strips;
  strips.Chunk("TEXN", Bytes().U16(3));
  for (const char* name : {"a", "b", "c"}) strips.Chunk("TEX ", TextureRecord(name, 1024, 16));
  ComPtr<IVeyaSurface> surface;
  EXPECT_EQ(Read(strips, &surface), S_OK);
}

// The seven stored curve tracks, in payload order.
std::vector<CurveTrack*> StoredTracks(IVeyaSurface* s) {
  return {s->GetColorRedTrack(), s->GetColorGreenTrack(), s->GetColorBlueTrack(),
          s->GetDiffuseTrack(),  s->GetEmissiveTrack(),   s->GetSpecularTrack(),
          s->GetPowerTrack()};
}

// Fills every stored field with random values, tracks with random key
// counts, and a random set of textures.
void Randomise(IVeyaSurface* surface, std::mt19937& random) {
  std::uniform_real_distribution<float> unit(-0.5f, 1.5f);
  auto fill = [&](CurveTrack* track) {
    track->keyCount = WORD(random() % 5);
    track->keys = track->keyCount ? std::make_unique<CurveKey[]>(track->keyCount) : nullptr;
    for (WORD i = 0; i < track->keyCount; ++i) {
      CurveKey& key = track->keys[i];
      key.value = unit(random);
      key.frame = INT(i * 10 + random() % 5);
      key.shape = WORD(random() % 6);
      for (float& p : key.p) p = unit(random);
    }
    track->preBehavior = WORD(random() % 6);
    track->postBehavior = WORD(random() % 6);
  };
  std::string name(random() % 20, 'n');
  surface->SetName(name.c_str());
  surface->SetSurfaceType(random() % 2 ? 4 : 1);
  surface->SetBlendMode(random() % 7);
  surface->SetColorAnimated(random() % 2);
  surface->SetColorRed(unit(random));
  surface->SetColorGreen(unit(random));
  surface->SetColorBlue(unit(random));
  surface->SetDiffuseAnimated(random() % 2);
  surface->SetDiffuse(unit(random));
  surface->SetEmissiveAnimated(random() % 2);
  surface->SetEmissive(unit(random));
  surface->SetSpecularAnimated(random() % 2);
  surface->SetSpecular(unit(random));
  surface->SetPowerAnimated(random() % 2);
  surface->SetPower(unit(random) * 100);
  for (CurveTrack* track : StoredTracks(surface)) fill(track);
  surface->SetDoubleSided(BYTE(random() % 2));
  surface->SetZEnable(BYTE(random() % 2));
  surface->SetZWrite(BYTE(random() % 2));
  if (random() % 2) {
    surface->SetEdgeSize(unit(random) + 2.0f);
    surface->SetEdgeColor(unit(random), unit(random), unit(random), unit(random));
  }
}

void ExpectSameCurve(const CurveTrack& a, const CurveTrack& b) {
  ASSERT_EQ(a.keyCount, b.keyCount);
  EXPECT_EQ(a.preBehavior, b.preBehavior);
  EXPECT_EQ(a.postBehavior, b.postBehavior);
  for (WORD i = 0; i < a.keyCount; ++i) {
    EXPECT_EQ(std::memcmp(&a.keys[i].value, &b.keys[i].value, 4), 0);
    EXPECT_EQ(a.keys[i].frame, b.keys[i].frame);
    EXPECT_EQ(a.keys[i].shape, b.keys[i].shape);
    EXPECT_EQ(std::memcmp(a.keys[i].p, b.keys[i].p, sizeof(a.keys[i].p)), 0);
  }
}

void ExpectSameSurface(IVeyaSurface* a, IVeyaSurface* b) {
  EXPECT_STREQ(a->GetName(), b->GetName());
  EXPECT_EQ(a->GetIndex(), b->GetIndex());
  for (auto get :
       {&IVeyaSurface::GetSurfaceType, &IVeyaSurface::GetBlendMode, &IVeyaSurface::GetColorAnimated,
        &IVeyaSurface::GetDiffuseAnimated, &IVeyaSurface::GetEmissiveAnimated,
        &IVeyaSurface::GetSpecularAnimated, &IVeyaSurface::GetPowerAnimated}) {
    EXPECT_EQ((a->*get)(), (b->*get)());
  }
  for (auto get :
       {&IVeyaSurface::GetColorRed, &IVeyaSurface::GetColorGreen, &IVeyaSurface::GetColorBlue,
        &IVeyaSurface::GetDiffuse, &IVeyaSurface::GetEmissive, &IVeyaSurface::GetSpecular,
        &IVeyaSurface::GetPower, &IVeyaSurface::GetEdgeSize}) {
    EXPECT_EQ((a->*get)(), (b->*get)());
  }
  for (auto get :
       {&IVeyaSurface::GetDoubleSided, &IVeyaSurface::GetZEnable, &IVeyaSurface::GetZWrite}) {
    EXPECT_EQ((a->*get)(), (b->*get)());
  }
  std::vector<CurveTrack*> tracksA = StoredTracks(a), tracksB = StoredTracks(b);
  for (size_t i = 0; i < tracksA.size(); ++i) ExpectSameCurve(*tracksA[i], *tracksB[i]);
  if (a->GetEdgeSize() != 0.0f) {
    FLOAT ca[4], cb[4];
    a->GetEdgeColor(ca);
    b->GetEdgeColor(cb);
    EXPECT_EQ(std::memcmp(ca, cb, sizeof(ca)), 0);
  }
  ASSERT_EQ(a->GetTextureCount(), b->GetTextureCount());
  for (WORD i = 0; i < a->GetTextureCount(); ++i) {
    EXPECT_STREQ(a->GetTexture(i)->name, b->GetTexture(i)->name);
    UINT wa, ha, wb, hb;
    EXPECT_EQ(TexelsOf(a->GetTexture(i)->texture, &wa, &ha),
              TexelsOf(b->GetTexture(i)->texture, &wb, &hb));
    EXPECT_EQ(wa, wb);
    EXPECT_EQ(ha, hb);
  }
  if (a->GetTextureCount() > 0) {
    EXPECT_EQ(a->GetTextureIndex(), b->GetTextureIndex());
    const IndexTrack& ta = *a->GetTextureIndexTrack();
    const IndexTrack& tb = *b->GetTextureIndexTrack();
    ASSERT_EQ(ta.keyCount, tb.keyCount);
    if (ta.keyCount > 0) {
      EXPECT_EQ(ta.enabled, tb.enabled);
      EXPECT_EQ(ta.defaultValue, tb.defaultValue);
      for (WORD i = 0; i < ta.keyCount; ++i) {
        EXPECT_EQ(ta.keys[i].frame, tb.keys[i].frame);
        EXPECT_EQ(ta.keys[i].value, tb.keys[i].value);
        EXPECT_EQ(ta.keys[i].interpolation, tb.keys[i].interpolation);
      }
    }
  }
  bool toonKept = a->GetToonTexture() != nullptr && a->GetSurfaceType() == 4;
  ASSERT_EQ(toonKept, b->GetToonTexture() != nullptr);
  if (toonKept) {
    EXPECT_STREQ(a->GetToonTexture()->name, b->GetToonTexture()->name);
  }
}

TEST_F(SurfacePayloadTest, WrittenPayloadSizeMatchesAndReadsBackTheSameSurface) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    // Textures come from a payload, so that rounds also cover texture records.
    Bytes payload;
    payload.Text("NAME", "seed").Chunk("ID  ", Bytes().U16(WORD(round)));
    WORD textures = WORD(random() % 3);
    if (textures > 0) {
      payload.Chunk("TEXN", Bytes().U16(textures));
      for (WORD i = 0; i < textures; ++i) {
        payload.Chunk("TEX ",
                      TextureRecord("t" + std::to_string(i), 1 + random() % 9, 1 + random() % 9));
      }
      payload.Chunk("UTEX", Bytes().U16(WORD(random() % textures)));
      Bytes indexRun;
      indexRun.Chunk("ENBL", Bytes().U16(WORD(random() % 2)))
          .Chunk("DEF ", Bytes().U16(1))
          .Chunk("KEYN", Bytes().U16(2))
          .Chunk("KEY ", Bytes().U32(0).U16(0).U8(0).U32(20).U16(1).U8(1));
      if (random() % 2) payload.Chunk("UTEV", indexRun);
    }
    if (random() % 2) payload.Chunk("TTEX", TextureRecord("toon", 2, 8));
    ComPtr<IVeyaSurface> surface;
    ASSERT_EQ(Read(payload, &surface), S_OK);
    Randomise(surface.Get(), random);

    DWORD predicted = 0;
    ASSERT_EQ(surface->Serialize(nullptr, &predicted), S_OK);
    DWORD keys = 0;
    for (CurveTrack* track :
         {surface->GetColorRedTrack(), surface->GetColorGreenTrack(), surface->GetColorBlueTrack(),
          surface->GetDiffuseTrack(), surface->GetEmissiveTrack(), surface->GetSpecularTrack(),
          surface->GetPowerTrack()}) {
      keys += track->keyCount;
    }
    if (textures == 0 && surface->GetEdgeSize() == 0.0f &&
        (surface->GetToonTexture() == nullptr || surface->GetSurfaceType() != 4)) {
      EXPECT_EQ(predicted, std::strlen(surface->GetName()) + 536 + 34 * keys);
    }
    ComPtr<IVeyaSurface> copy = RoundTrip(surface.Get());
    ASSERT_TRUE(copy);
    ExpectSameSurface(surface.Get(), copy.Get());
  }
}

}  // namespace
