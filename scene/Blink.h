// The scene blink behind IVeyaBlink.
#pragma once

#include <comobject.h>

#include "IVeyaBlink.h"

class CVeyaBlink : public tavorin::ComObject<IVeyaBlink> {
 public:
  CVeyaBlink();
  HRESULT Init(IFileReader* reader, DWORD length, DWORD* consumed);

  HRESULT SetFrame(INT frame) override;
  HRESULT GetState(MorphState* out) override;
  WORD GetMode() override { return m_mode; }
  HRESULT GetLayers(DWORD* out) override;
  PairTrack* GetTrack() override { return &m_track; }
  HRESULT SetMode(WORD mode) override;
  HRESULT SetLayers(const DWORD* layers) override;
  HRESULT StartBlink() override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;

  // Restarts the blink's own random sequence, so tests can replay it.
  void SetSeed(DWORD seed) { m_random = seed; }

  // Cycle phases.
  enum Phase : WORD { kWaiting = 0, kClosing = 1, kOpening = 2 };

 private:
  HRESULT ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed);
  bool TrackIsStored() const;
  // Advances the cycle to now and gives its weight for a half-cycle of
  // `duration` milliseconds.
  FLOAT UpdateWeight(DWORD duration);
  // Each blink draws from its own sequence: no state is shared between the
  // scenes of different threads.
  DWORD NextRandom();

  WORD m_mode = kMorphModeOff;
  WORD m_phase = kWaiting;
  DWORD m_phaseStart = 0;
  WORD m_baseLayer = 0;
  WORD m_targetLayer = 0;
  DWORD m_duration = 0;
  PairTrack m_track;
  DWORD m_random = 0;
};
