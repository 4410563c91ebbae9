// The scene lip-sync: its layer pair, the mouth weight that follows a sound
// player's loudness, and the "LIPS" payload.
#include "scene/Lipsync.h"

#include <mmsystem.h>

#include "animation/HeldTrack.h"
#include "animation/TrackIo.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kTagMode = MakeTag('M', 'O', 'D', 'E');
constexpr DWORD kTagLayers = MakeTag('L', 'I', 'P', 'S');
constexpr DWORD kTagTrack = MakeTag('E', 'N', 'V', 'L');

// Louder than this (hundredths of a decibel) the mouth aims to open.
constexpr INT kOpenThreshold = -3500;
// How far below the threshold the open level must lie for a fully open
// mouth.
constexpr double kOpenRange = 2500.0;
// Largest weight change per millisecond: the mouth opens faster than it
// closes.
constexpr double kRisePerMs = 0.012;
constexpr double kFallPerMs = 0.007;

}  // namespace

CVeyaLipsync::CVeyaLipsync() {
  m_track.defaultValue = kNoLayers;
  m_track.current = kNoLayers;
}

HRESULT CVeyaLipsync::Init(IFileReader* reader, DWORD length, DWORD* consumed) {
  // The first weight step is measured from the lip-sync's birth; from time 0
  // it would jump straight to its target.
  m_lastUpdate = timeGetTime();
  if (consumed != nullptr) *consumed = 0;
  if (reader == nullptr) return S_OK;
  if (consumed == nullptr) return E_POINTER;
  return ReadPayload(reader, length, consumed);
}

HRESULT CreateLipsync(IVeyaLipsync** out, IFileReader* reader, DWORD length, DWORD* consumed) {
  return tavorin::CreateComObject<CVeyaLipsync>(out, reader, length, consumed);
}

HRESULT CVeyaLipsync::ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed) {
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
        hr = ReadField(in, size, 4, [&] {
          const HRESULT base = in.ReadU16(&m_baseLayer);
          return FAILED(base) ? base : in.ReadU16(&m_targetLayer);
        });
        break;
      case kTagTrack: {
        if (FAILED(hr = in.CheckPayload(size, 0))) break;
        DWORD used = 0;
        hr = ReadLipSyncStepTrack(reader, m_track, size, &used);
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

HRESULT CVeyaLipsync::SetFrame(INT frame) {
  if (m_mode == kMorphModeFromTrack) EvaluateStep(m_track, frame);
  return S_OK;
}

HRESULT CVeyaLipsync::GetState(MorphState* out) {
  if (out == nullptr) return E_POINTER;
  DWORD layers = 0;
  switch (m_mode) {
    case kMorphModeFixed:
      layers = DWORD(m_baseLayer) | DWORD(m_targetLayer) << 16;
      break;
    case kMorphModeFromTrack:
      layers = m_track.current;
      break;
    default:
      out->baseLayer = 0xFFFF;
      out->targetLayer = 0xFFFF;
      return S_OK;
  }
  out->baseLayer = LOWORD(layers);
  out->targetLayer = HIWORD(layers);
  const FLOAT weight = UpdateWeight();
  for (FLOAT& axis : out->weight) axis = weight;
  return S_OK;
}

FLOAT CVeyaLipsync::UpdateWeight() {
  const DWORD now = timeGetTime();
  const INT level = m_meter.HasPlayer() ? m_meter.Level() : m_openLevel;
  double target = 0.0;
  if (level > kOpenThreshold) {
    target = (double(kOpenThreshold) - m_openLevel) / kOpenRange;
    if (target > 1.0) target = 1.0;
  }
  const double difference = target - m_weight;
  const double elapsed = double(DWORD(now - m_lastUpdate));
  double weight = target;
  if (difference < -kFallPerMs * elapsed) {
    weight = m_weight - kFallPerMs * elapsed;
  } else if (difference > kRisePerMs * elapsed) {
    weight = m_weight + kRisePerMs * elapsed;
  }
  if (weight < 0.0) weight = 0.0;
  if (weight > 1.0) weight = 1.0;
  m_weight = FLOAT(weight);
  m_lastUpdate = now;
  return m_weight;
}

HRESULT CVeyaLipsync::GetLayers(DWORD* out) {
  if (out == nullptr) return E_POINTER;
  *out = DWORD(m_baseLayer) | DWORD(m_targetLayer) << 16;
  return S_OK;
}

HRESULT CVeyaLipsync::SetMode(WORD mode) {
  m_mode = mode;
  return S_OK;
}

HRESULT CVeyaLipsync::SetLayers(const DWORD* layers) {
  if (layers == nullptr) return E_POINTER;
  m_baseLayer = LOWORD(*layers);
  m_targetLayer = HIWORD(*layers);
  return S_OK;
}

HRESULT CVeyaLipsync::SetSoundPlayer(IDirectSoundPlayer3* player) {
  m_lastUpdate = timeGetTime();
  return m_meter.Attach(player);
}

HRESULT CVeyaLipsync::SetOpenLevel(INT level) {
  m_openLevel = level;
  return S_OK;
}

bool CVeyaLipsync::TrackIsStored() const {
  return m_track.keyCount > 0 || m_track.enabled != 1 || m_track.defaultValue != kNoLayers;
}

HRESULT CVeyaLipsync::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  out.Header(kTagMode, 2);
  out.U16(m_mode);
  out.Header(kTagLayers, 4);
  out.U16(m_baseLayer);
  out.U16(m_targetLayer);
  // A track without keys is written too when its switch or default were
  // changed; leaving it out would lose them on the next load.
  if (TrackIsStored()) {
    DWORD trackSize = 0;
    SerializeStepTrack(m_track, nullptr, &trackSize);
    out.Header(kTagTrack, trackSize);
    DWORD written = 0;
    SerializeStepTrack(m_track, writer, &written);
    out.Account(written);
  }
  *size = out.Written();
  return S_OK;
}
