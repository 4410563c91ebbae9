// The scene lip-sync behind IVeyaLipsync.
#pragma once

#include <comobject.h>

#include "IVeyaLipsync.h"
#include "scene/LipsyncMeter.h"

class CVeyaLipsync : public tavorin::ComObject<IVeyaLipsync> {
 public:
  CVeyaLipsync();
  HRESULT Init(IFileReader* reader, DWORD length, DWORD* consumed);

  HRESULT SetFrame(INT frame) override;
  HRESULT GetState(MorphState* out) override;
  WORD GetMode() override { return m_mode; }
  HRESULT GetLayers(DWORD* out) override;
  StepTrack* GetTrack() override { return &m_track; }
  HRESULT SetMode(WORD mode) override;
  HRESULT SetLayers(const DWORD* layers) override;
  HRESULT SetSoundPlayer(IDirectSoundPlayer3* player) override;
  HRESULT SetOpenLevel(INT level) override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;

  // The track's layer pair before anything is keyed or evaluated: none.
  static constexpr DWORD kNoLayers = 0xFFFFFFFF;

 private:
  HRESULT ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed);
  // Whether the track holds anything a fresh lip-sync would not.
  bool TrackIsStored() const;
  FLOAT UpdateWeight();

  WORD m_mode = kMorphModeOff;
  WORD m_baseLayer = 0;
  WORD m_targetLayer = 0;
  StepTrack m_track;
  tavorin::scene::LipsyncMeter m_meter;
  INT m_openLevel = tavorin::scene::kSilentLevel;
  FLOAT m_weight = 0.0f;
  DWORD m_lastUpdate = 0;
};
