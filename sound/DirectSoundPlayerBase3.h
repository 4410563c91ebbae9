// The streaming machinery every sound player shares: a two-second buffer in
// one-second halves refilled from a thread of its own.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include <IDirectSoundPlayer3.h>
#include <comobject.h>
#include <dsound.h>

#include "sound/SoundControls.h"

namespace tavorin::sound {

class CDirectSoundPlayerBase3 : public ComObject<IDirectSoundPlayer3> {
 public:
  HRESULT Play(INT loopCount, INT loopStartMs) override;
  HRESULT Pause() override;
  HRESULT Stop(FLOAT fadeOutSpeed) override;
  HRESULT SetPosition(INT ms) override;
  HRESULT SetMasterVolume(INT volume) override;
  HRESULT SetVolume(INT volume, FLOAT speed) override;
  HRESULT SetPan(INT pan, FLOAT speed) override;
  HRESULT SetFrequency(INT perMille, FLOAT speed) override;
  INT GetState() override { return m_state; }
  INT GetLength() override { return m_length; }
  INT GetPosition() override { return m_position; }
  INT GetLoopCount() override { return m_loopCount; }
  INT GetLoopsDone() override { return m_loopsDone; }
  INT GetMasterVolume() override { return m_controls.MasterVolume(); }
  INT GetVolume() override { return m_controls.Volume(); }
  INT GetPan() override { return m_controls.Pan(); }
  INT GetFrequency() override { return m_controls.Frequency(); }
  HRESULT GetFormat(WAVEFORMATEX* out) override;
  HRESULT DecodeTo(void* buffer, DWORD length, DWORD* written) override;
  HRESULT WaitForStreamEnd() override;

 protected:
  ~CDirectSoundPlayerBase3() override;

  // Makes the streaming buffer for `format` (plain PCM) and a sound of
  // `lengthMs`. E_FAIL when the device refuses it.
  HRESULT CreateBuffer(IDirectSound8* sound, const WAVEFORMATEX& format, INT lengthMs);
  // Stops and waits for the streaming thread. A derived destructor calls it
  // before its source goes, since the thread decodes through the source.
  void EndStreaming();

  // The source, called with the decoding lock held or from the thread.
  // Reads up to `length` bytes of PCM at the decoder's position: S_OK with
  // *got = 0 only at the end of the data, E_FAIL on a decoding error.
  virtual HRESULT ReadSource(void* buffer, DWORD length, DWORD* got) = 0;
  // Moves the decoder to sample frame `frame` (past the end: to the end).
  virtual HRESULT SeekFrame(ULONGLONG frame) = 0;
  virtual ULONGLONG TellFrame() = 0;

  // Fills `length` bytes: S_OK when full; S_FINISHED at the end of the data
  // (or of the loops), *written telling the real bytes and the rest silence;
  // E_FAIL on a decoding error, with what decoded in *written and silence
  // after it. With `loop`, the end counts a loop and continues at the loop
  // start while loops remain.
  HRESULT ReadPcm(void* buffer, DWORD length, BOOL loop, DWORD* written);
  HRESULT SeekMs(INT ms);
  INT TellMs();

 private:
  struct FillResult {
    HRESULT result = S_OK;  // S_OK, S_FINISHED or E_FAIL (nothing filled)
    DWORD endByte = 0;      // with S_FINISHED: where the real data ends
    ULONGLONG nextFrame = 0;
  };

  // Where the streaming thread stands in the buffer.
  struct StreamState {
    ULONGLONG start[2] = {0, 0};  // the sound frame each half begins with
    ULONGLONG next = 0;           // where the next fill continues
    int writeHalf = 0;            // the half filled last
    int endHalf = -1;             // the half holding the end of the sound
    DWORD endByte = 0;            // where in the buffer the sound ends
    bool endHalfHeard = false;
    bool silenced = false;
  };

  bool ContinueLoop(bool lapHadData);
  void FillSilence(BYTE* bytes, DWORD length) const;
  ULONGLONG FrameOfMs(INT ms) const;
  double MsOfFrame(ULONGLONG frame) const;

  // The streaming thread.
  void StreamMain();
  FillResult FillHalf(ULONGLONG startFrame, int half);
  bool FillInto(StreamState& stream, int half, ULONGLONG from);
  bool PassedEnd(StreamState& stream, DWORD cursor, int playHalf);
  void Refill(StreamState& stream, int playHalf);
  void SeekWhileStreaming(StreamState& stream, INT ms);
  bool SilenceHalf(int half);
  INT PlayPosition(DWORD cursor, int playHalf, const ULONGLONG start[2]) const;
  void ResumeIfPlaying();

  std::recursive_mutex m_decodeLock;
  // Serialises the state changes that start or stop the buffer.
  std::mutex m_transportLock;
  IDirectSoundBuffer8* m_buffer = nullptr;
  WAVEFORMATEX m_format{};
  DWORD m_halfSize = 0;
  DWORD m_bytesPerSecond = 0;
  std::thread m_thread;
  std::atomic<bool> m_stopRequest{false};
  std::atomic<INT> m_state{kSoundStopped};
  INT m_length = 0;
  std::atomic<INT> m_position{0};
  std::atomic<INT> m_loopsDone{0};
  std::atomic<INT> m_loopCount{1};
  std::atomic<INT> m_loopStart{0};
  std::atomic<INT> m_pendingSeek{-1};
  CSoundControls m_controls;
};

}  // namespace tavorin::sound
