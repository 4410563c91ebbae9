#include "animation/SurfacePayload.h"

#include "animation/SurfaceRunWriter.h"
#include "animation/SurfaceTextureRecord.h"

namespace {

constexpr DWORD kTagName = SurfaceTag("NAME");
constexpr DWORD kTagIndex = SurfaceTag("ID  ");
constexpr DWORD kTagType = SurfaceTag("STYP");
constexpr DWORD kTagBlend = SurfaceTag("BLDM");
constexpr DWORD kTagColorAnimated = SurfaceTag("CEE ");
constexpr DWORD kTagRed = SurfaceTag("COLR");
constexpr DWORD kTagRedTrack = SurfaceTag("CER ");
constexpr DWORD kTagGreen = SurfaceTag("COLG");
constexpr DWORD kTagGreenTrack = SurfaceTag("CEG ");
constexpr DWORD kTagBlue = SurfaceTag("COLB");
constexpr DWORD kTagBlueTrack = SurfaceTag("CEB ");
constexpr DWORD kTagDiffuseAnimated = SurfaceTag("DEE ");
constexpr DWORD kTagDiffuse = SurfaceTag("DIFF");
constexpr DWORD kTagDiffuseTrack = SurfaceTag("DIFE");
constexpr DWORD kTagEmissiveAnimated = SurfaceTag("EEE ");
constexpr DWORD kTagEmissive = SurfaceTag("EMIS");
constexpr DWORD kTagEmissiveTrack = SurfaceTag("EMIE");
constexpr DWORD kTagSpecularAnimated = SurfaceTag("SEE ");
constexpr DWORD kTagSpecular = SurfaceTag("SPEC");
constexpr DWORD kTagSpecularTrack = SurfaceTag("SPCE");
constexpr DWORD kTagPowerAnimated = SurfaceTag("PEE ");
constexpr DWORD kTagPower = SurfaceTag("POWR");
constexpr DWORD kTagPowerTrack = SurfaceTag("POWE");
constexpr DWORD kTagDoubleSided = SurfaceTag("SIDE");
constexpr DWORD kTagZEnable = SurfaceTag("ZENB");
constexpr DWORD kTagZWrite = SurfaceTag("ZWRT");
constexpr DWORD kTagTextureCount = SurfaceTag("TEXN");
constexpr DWORD kTagTexture = SurfaceTag("TEX ");
constexpr DWORD kTagTextureIndex = SurfaceTag("UTEX");
constexpr DWORD kTagTextureIndexTrack = SurfaceTag("UTEV");
constexpr DWORD kTagToonTexture = SurfaceTag("TTEX");
constexpr DWORD kTagEdgeColor = SurfaceTag("EDGC");
constexpr DWORD kTagEdgeSize = SurfaceTag("EDGS");

// Runs a track reader over a sub-chunk of `size` bytes and leaves the run at
// the sub-chunk's end, whatever the track reader took of it.
template <class Track, class Reader>
HRESULT ReadTrackChunk(SurfaceRunReader& run, DWORD size, Track& track, Reader readTrack) {
  if (size > run.Remaining()) return E_FAIL;
  DWORD consumed = 0;
  HRESULT hr = readTrack(run.Reader(), track, size, &consumed);
  if (consumed > size) return E_FAIL;
  run.Account(consumed);
  if (FAILED(hr)) return hr;
  return run.Skip(size - consumed);
}

HRESULT ReadRecordChunk(SurfaceRunReader& run, DWORD size, IDirect3DDevice9* device,
                        SurfaceTextureEntry& entry, tavorin::pack::TextureBudget& budget) {
  if (size > run.Remaining()) return E_FAIL;
  SurfaceRunReader record(run.Reader(), size);
  HRESULT hr = ReadSurfaceTextureRecord(record, device, entry, budget);
  run.Account(record.Consumed());
  return hr;
}

// Reads the sub-chunks in any order; the texture table's progress is the only
// state that carries from one sub-chunk to the next.
class PayloadReader {
 public:
  PayloadReader(SurfaceRunReader& run, IDirect3DDevice9* device, SurfaceState& state)
      : m_run(run), m_device(device), m_state(state) {}

  HRESULT Read() {
    while (!m_run.AtEnd()) {
      DWORD tag, size;
      HRESULT hr = m_run.ReadHeader(&tag, &size);
      if (SUCCEEDED(hr)) hr = ReadChunk(tag, size);
      if (FAILED(hr)) return hr;
    }
    // Every entry the count announced must have arrived: an entry without a
    // texture could neither be drawn nor written back.
    if (m_nextTexture < m_state.textures.size()) return E_FAIL;
    for (SurfaceFactor* factor : {&m_state.red, &m_state.green, &m_state.blue, &m_state.diffuse,
                                  &m_state.emissive, &m_state.specular, &m_state.power}) {
      factor->current = factor->base;
    }
    return S_OK;
  }

 private:
  HRESULT ReadChunk(DWORD tag, DWORD size) {
    SurfaceState& s = m_state;
    switch (tag) {
      case kTagName:
        return m_run.ReadString(&s.name, size);
      case kTagIndex:
        return m_run.ReadField(&s.index, 2, size);
      case kTagType:
        return m_run.ReadField(&s.surfaceType, 4, size);
      case kTagBlend:
        return m_run.ReadField(&s.blendMode, 4, size);
      case kTagColorAnimated:
        return m_run.ReadField(&s.colorAnimated, 4, size);
      case kTagRed:
        return m_run.ReadField(&s.red.base, 4, size);
      case kTagRedTrack:
        return ReadCurve(size, s.red.track);
      case kTagGreen:
        return m_run.ReadField(&s.green.base, 4, size);
      case kTagGreenTrack:
        return ReadCurve(size, s.green.track);
      case kTagBlue:
        return m_run.ReadField(&s.blue.base, 4, size);
      case kTagBlueTrack:
        return ReadCurve(size, s.blue.track);
      case kTagDiffuseAnimated:
        return m_run.ReadField(&s.diffuseAnimated, 4, size);
      case kTagDiffuse:
        return m_run.ReadField(&s.diffuse.base, 4, size);
      case kTagDiffuseTrack:
        return ReadCurve(size, s.diffuse.track);
      case kTagEmissiveAnimated:
        return m_run.ReadField(&s.emissiveAnimated, 4, size);
      case kTagEmissive:
        return m_run.ReadField(&s.emissive.base, 4, size);
      case kTagEmissiveTrack:
        return ReadCurve(size, s.emissive.track);
      case kTagSpecularAnimated:
        return m_run.ReadField(&s.specularAnimated, 4, size);
      case kTagSpecular:
        return m_run.ReadField(&s.specular.base, 4, size);
      case kTagSpecularTrack:
        return ReadCurve(size, s.specular.track);
      case kTagPowerAnimated:
        return m_run.ReadField(&s.powerAnimated, 4, size);
      case kTagPower:
        return m_run.ReadField(&s.power.base, 4, size);
      case kTagPowerTrack:
        return ReadCurve(size, s.power.track);
      case kTagDoubleSided:
        return m_run.ReadField(&s.doubleSided, 1, size);
      case kTagZEnable:
        return m_run.ReadField(&s.zEnable, 1, size);
      case kTagZWrite:
        return m_run.ReadField(&s.zWrite, 1, size);
      case kTagTextureCount:
        return ReadTextureCount(size);
      case kTagTexture:
        return ReadTexture(size);
      case kTagTextureIndex:
        return m_run.ReadField(&s.textureIndex, 2, size);
      case kTagTextureIndexTrack:
        return ReadTrackChunk(m_run, size, s.textureIndexTrack, ReadIndexTrack);
      case kTagToonTexture:
        return ReadToonTexture(size);
      case kTagEdgeColor:
        return ReadEdgeColor(size);
      case kTagEdgeSize:
        return m_run.ReadField(&s.edgeSize, 4, size);
      default:
        return m_run.Skip(size);
    }
  }

  HRESULT ReadCurve(DWORD size, CurveTrack& track) {
    return ReadTrackChunk(m_run, size, track, ReadCurveTrack);
  }

  // A second count would orphan the entries already read, so the payload is
  // refused instead; the writer never stores one.
  HRESULT ReadTextureCount(DWORD size) {
    if (m_countSeen) return E_FAIL;
    m_countSeen = true;
    WORD count;
    HRESULT hr = m_run.ReadField(&count, 2, size);
    if (FAILED(hr)) return hr;
    m_state.textures.resize(count);
    for (auto& entry : m_state.textures) entry = std::make_unique<SurfaceTextureEntry>();
    return S_OK;
  }

  HRESULT ReadTexture(DWORD size) {
    if (m_nextTexture >= m_state.textures.size()) return E_FAIL;
    HRESULT hr = ReadRecordChunk(m_run, size, m_device, *m_state.textures[m_nextTexture], m_budget);
    ++m_nextTexture;
    return hr;
  }

  HRESULT ReadToonTexture(DWORD size) {
    m_state.toonTexture = std::make_unique<SurfaceTextureEntry>();
    return ReadRecordChunk(m_run, size, m_device, *m_state.toonTexture, m_budget);
  }

  HRESULT ReadEdgeColor(DWORD size) {
    if (size < 16) return E_FAIL;
    HRESULT hr = S_OK;
    for (int i = 0; i < 4 && SUCCEEDED(hr); ++i) hr = m_run.ReadFloat(&m_state.edgeColor[i]);
    return SUCCEEDED(hr) ? m_run.Skip(size - 16) : hr;
  }

  SurfaceRunReader& m_run;
  IDirect3DDevice9* m_device;
  SurfaceState& m_state;
  bool m_countSeen = false;
  size_t m_nextTexture = 0;
  // Up to 65,535 records, each a strip that squares up: the payload's
  // textures share one budget.
  tavorin::pack::TextureBudget m_budget;
};

HRESULT WriteCurve(SurfaceRunWriter& out, DWORD tag, const CurveTrack& track) {
  DWORD length = 0;
  HRESULT hr = SerializeCurveTrack(track, nullptr, &length);
  if (FAILED(hr)) return hr;
  out.Header(tag, length);
  DWORD written = 0;
  hr = SerializeCurveTrack(track, out.Writer(), &written);
  out.Add(out.Writer() != nullptr ? written : length);
  return hr;
}

HRESULT WriteIndexTrack(SurfaceRunWriter& out, DWORD tag, const IndexTrack& track) {
  DWORD length = 0;
  HRESULT hr = SerializeIndexTrack(track, nullptr, &length);
  if (FAILED(hr)) return hr;
  out.Header(tag, length);
  DWORD written = 0;
  hr = SerializeIndexTrack(track, out.Writer(), &written);
  out.Add(out.Writer() != nullptr ? written : length);
  return hr;
}

HRESULT WriteRecord(SurfaceRunWriter& out, DWORD tag, const SurfaceTextureEntry& entry) {
  DWORD length = 0;
  HRESULT hr = SerializeSurfaceTextureRecord(entry, nullptr, &length);
  if (FAILED(hr)) return hr;
  out.Header(tag, length);
  if (out.Writer() == nullptr) {
    out.Add(length);
    return S_OK;
  }
  DWORD written = 0;
  hr = SerializeSurfaceTextureRecord(entry, out.Writer(), &written);
  out.Add(written);
  return hr;
}

// The base values and their tracks, interleaved as the stored form has them.
HRESULT WriteGroups(SurfaceRunWriter& out, const SurfaceState& s) {
  struct Group {
    DWORD flagTag;
    DWORD flag;
    DWORD baseTag;
    const SurfaceFactor* factor;
    DWORD trackTag;
  };
  const Group groups[] = {
      {kTagColorAnimated, s.colorAnimated, kTagRed, &s.red, kTagRedTrack},
      {0, 0, kTagGreen, &s.green, kTagGreenTrack},
      {0, 0, kTagBlue, &s.blue, kTagBlueTrack},
      {kTagDiffuseAnimated, s.diffuseAnimated, kTagDiffuse, &s.diffuse, kTagDiffuseTrack},
      {kTagEmissiveAnimated, s.emissiveAnimated, kTagEmissive, &s.emissive, kTagEmissiveTrack},
      {kTagSpecularAnimated, s.specularAnimated, kTagSpecular, &s.specular, kTagSpecularTrack},
      {kTagPowerAnimated, s.powerAnimated, kTagPower, &s.power, kTagPowerTrack},
  };
  for (const Group& group : groups) {
    if (group.flagTag != 0) out.DwordChunk(group.flagTag, group.flag);
    out.FloatChunk(group.baseTag, group.factor->base);
    HRESULT hr = WriteCurve(out, group.trackTag, group.factor->track);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT WriteTextures(SurfaceRunWriter& out, const SurfaceState& s) {
  if (s.textures.empty()) return S_OK;
  out.WordChunk(kTagTextureCount, WORD(s.textures.size()));
  for (const auto& entry : s.textures) {
    HRESULT hr = WriteRecord(out, kTagTexture, *entry);
    if (FAILED(hr)) return hr;
  }
  out.WordChunk(kTagTextureIndex, s.textureIndex);
  if (s.textureIndexTrack.keyCount == 0) return S_OK;
  return WriteIndexTrack(out, kTagTextureIndexTrack, s.textureIndexTrack);
}

HRESULT WritePayload(SurfaceRunWriter& out, const SurfaceState& s) {
  out.Chunk(kTagName, s.name.c_str(), DWORD(s.name.size() + 1));
  out.WordChunk(kTagIndex, s.index);
  out.DwordChunk(kTagType, s.surfaceType);
  out.DwordChunk(kTagBlend, s.blendMode);
  HRESULT hr = WriteGroups(out, s);
  if (FAILED(hr)) return hr;
  out.ByteChunk(kTagDoubleSided, s.doubleSided);
  out.ByteChunk(kTagZEnable, s.zEnable);
  out.ByteChunk(kTagZWrite, s.zWrite);
  hr = WriteTextures(out, s);
  if (FAILED(hr)) return hr;
  // The toon texture belongs to toon shading (type 4) and is stored only there.
  if (s.toonTexture && s.surfaceType == 4) {
    hr = WriteRecord(out, kTagToonTexture, *s.toonTexture);
    if (FAILED(hr)) return hr;
  }
  if (s.edgeSize != 0.0f) {
    out.FloatsChunk(kTagEdgeColor, s.edgeColor);
    out.FloatChunk(kTagEdgeSize, s.edgeSize);
  }
  return S_OK;
}

}  // namespace

HRESULT ReadSurfacePayload(SurfaceRunReader& run, IDirect3DDevice9* device, SurfaceState& state) {
  return PayloadReader(run, device, state).Read();
}

HRESULT SerializeSurfacePayload(const SurfaceState& state, IFileWriter* writer, DWORD* size) {
  SurfaceRunWriter out(writer);
  HRESULT hr = WritePayload(out, state);
  if (SUCCEEDED(hr) && out.Written() > 0xFFFFFFFFull) hr = E_FAIL;
  *size = DWORD(out.Written());
  return hr;
}
