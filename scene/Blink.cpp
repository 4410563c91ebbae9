// The scene blink: its layers, the randomly started close-and-open cycle and
// the "BLNK" payload.
#include "scene/Blink.h"

#include <atomic>

#include <mmsystem.h>

#include "animation/HeldTrack.h"
#include "animation/TrackIo.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kTagMode = MakeTag('M', 'O', 'D', 'E');
constexpr DWORD kTagLayers = MakeTag('B', 'L', 'N', 'K');
constexpr DWORD kTagTrack = MakeTag('E', 'N', 'V', 'L');
constexpr DWORD kLayersSize = 8;

constexpr PairValue kNoLayers = {0xFFFF, 0xFFFF, 0};

// While waiting, every this many milliseconds a blink starts with a chance
// of kStartChance in 100.
constexpr DWORD kCheckInterval = 300;
constexpr DWORD kStartChance = 10;

// Blinks made at the same moment still get different sequences, so the
// characters of one scene do not blink in step.
std::atomic<DWORD> g_blinkCount{0};

bool SameValue(const PairValue& a, const PairValue& b) {
  return a.a == b.a && a.b == b.b && a.c == b.c;
}

}  // namespace

CVeyaBlink::CVeyaBlink() {
  m_track.defaultValue = kNoLayers;
  m_track.current = kNoLayers;
}

HRESULT CVeyaBlink::Init(IFileReader* reader, DWORD length, DWORD* consumed) {
  m_random = timeGetTime() ^ (g_blinkCount.fetch_add(1) * 0x9E3779B9u);
  if (consumed != nullptr) *consumed = 0;
  if (reader == nullptr) return S_OK;
  if (consumed == nullptr) return E_POINTER;
  return ReadPayload(reader, length, consumed);
}

HRESULT CreateBlink(IVeyaBlink** out, IFileReader* reader, DWORD length, DWORD* consumed) {
  return tavorin::CreateComObject<CVeyaBlink>(out, reader, length, consumed);
}

HRESULT CVeyaBlink::ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed) {
  RunReader in(reader, length);
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    switch (tag) {
      case kTagMode:
        hr = ReadField(in, size, 2, [&] { return in.ReadU16(&m_mode); });
        break;
      case kTagLayers:
        hr = ReadField(in, size, kLayersSize, [&] {
          HRESULT read = in.ReadU16(&m_baseLayer);
          if (SUCCEEDED(read)) read = in.ReadU16(&m_targetLayer);
          return FAILED(read) ? read : in.ReadU32(&m_duration);
        });
        break;
      case kTagTrack: {
        if (FAILED(hr = in.CheckPayload(size, 0))) break;
        DWORD used = 0;
        hr = ReadPairTrack(reader, m_track, size, &used);
        in.Account(used);
        break;
      }
      default:
        hr = in.Skip(size);
        break;
    }
  }
  *consumed = in.Consumed();
  return hr;
}

HRESULT CVeyaBlink::SetFrame(INT frame) {
  if (m_mode == kMorphModeFromTrack) EvaluatePair(m_track, frame);
  return S_OK;
}

HRESULT CVeyaBlink::GetState(MorphState* out) {
  if (out == nullptr) return E_POINTER;
  PairValue layers = {m_baseLayer, m_targetLayer, m_duration};
  if (m_mode == kMorphModeFromTrack) {
    layers = m_track.current;
  } else if (m_mode != kMorphModeFixed) {
    out->baseLayer = 0xFFFF;
    out->targetLayer = 0xFFFF;
    return S_OK;
  }
  out->baseLayer = layers.a;
  out->targetLayer = layers.b;
  const FLOAT weight = UpdateWeight(layers.c);
  for (FLOAT& axis : out->weight) axis = weight;
  return S_OK;
}

FLOAT CVeyaBlink::UpdateWeight(DWORD duration) {
  const DWORD now = timeGetTime();
  const DWORD elapsed = now - m_phaseStart;
  // A zero duration closes or opens at once rather than dividing by zero.
  const double progress = duration > 0 ? double(elapsed) / duration : 1.0;
  switch (m_phase) {
    case kClosing:
      if (progress < 1.0) return FLOAT(progress);
      m_phase = kOpening;
      m_phaseStart = now;
      return 1.0f;
    case kOpening:
      if (progress < 1.0) return FLOAT(1.0 - progress);
      m_phase = kWaiting;
      m_phaseStart = now;
      return 0.0f;
    default:
      if (elapsed >= kCheckInterval) {
        if (NextRandom() % 100 < kStartChance) m_phase = kClosing;
        m_phaseStart = now;
      }
      return 0.0f;
  }
}

DWORD CVeyaBlink::NextRandom() {
  // A counter through a 32-bit avalanche mix: every seed, 0 included, gives a
  // full-period sequence.
  DWORD z = (m_random += 0x9E3779B9u);
  z = (z ^ (z >> 16)) * 0x85EBCA6Bu;
  z = (z ^ (z >> 13)) * 0xC2B2AE35u;
  return z ^ (z >> 16);
}

HRESULT CVeyaBlink::GetLayers(DWORD* out) {
  if (out == nullptr) return E_POINTER;
  out[0] = DWORD(m_baseLayer) | DWORD(m_targetLayer) << 16;
  out[1] = m_duration;
  return S_OK;
}

HRESULT CVeyaBlink::SetMode(WORD mode) {
  m_mode = mode;
  return S_OK;
}

HRESULT CVeyaBlink::SetLayers(const DWORD* layers) {
  if (layers == nullptr) return E_POINTER;
  m_baseLayer = LOWORD(layers[0]);
  m_targetLayer = HIWORD(layers[0]);
  m_duration = layers[1];
  return S_OK;
}

HRESULT CVeyaBlink::StartBlink() {
  if (m_mode == kMorphModeFixed || m_mode == kMorphModeFromTrack) {
    m_phase = kClosing;
    m_phaseStart = timeGetTime();
  }
  return S_OK;
}

bool CVeyaBlink::TrackIsStored() const {
  return m_track.keyCount > 0 || m_track.enabled != 1 ||
         !SameValue(m_track.defaultValue, kNoLayers);
}

HRESULT CVeyaBlink::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  out.Header(kTagMode, 2);
  out.U16(m_mode);
  out.Header(kTagLayers, kLayersSize);
  out.U16(m_baseLayer);
  out.U16(m_targetLayer);
  out.U32(m_duration);
  // As with the lip-sync, a keyless track with a changed switch or default
  // is kept.
  if (TrackIsStored()) {
    DWORD trackSize = 0;
    SerializePairTrack(m_track, nullptr, &trackSize);
    out.Header(kTagTrack, trackSize);
    DWORD written = 0;
    SerializePairTrack(m_track, writer, &written);
    out.Account(written);
  }
  *size = out.Written();
  return S_OK;
}
