// The streaming thread of a sound player and the PCM reading it drives.
#include <algorithm>
#include <cstring>

#include <mmsystem.h>

#include "sound/DirectSoundPlayerBase3.h"

namespace tavorin::sound {

HRESULT CDirectSoundPlayerBase3::ReadPcm(void* buffer, DWORD length, BOOL loop, DWORD* written) {
  BYTE* bytes = static_cast<BYTE*>(buffer);
  DWORD done = 0;
  bool lapHadData = true;
  while (done < length) {
    DWORD got = 0;
    if (FAILED(ReadSource(bytes + done, length - done, &got))) {
      FillSilence(bytes + done, length - done);
      *written = done;
      return E_FAIL;
    }
    if (got > 0) {
      done += std::min(got, length - done);
      lapHadData = true;
      continue;
    }
    if (!loop || !ContinueLoop(lapHadData)) {
      FillSilence(bytes + done, length - done);
      *written = done;
      return S_FINISHED;
    }
    lapHadData = false;
  }
  *written = length;
  return S_OK;
}

// Counts a loop and moves to the loop start when another pass is due. A
// pass from the loop start that gave no data at all ends the sound, since
// looping it would spin for ever without a sample.
bool CDirectSoundPlayerBase3::ContinueLoop(bool lapHadData) {
  INT done = ++m_loopsDone;
  INT count = m_loopCount;
  if (count > 0 && done >= count) return false;
  if (!lapHadData) return false;
  return SUCCEEDED(SeekMs(m_loopStart));
}

void CDirectSoundPlayerBase3::FillSilence(BYTE* bytes, DWORD length) const {
  std::memset(bytes, m_format.wBitsPerSample == 8 ? 0x80 : 0x00, length);
}

// Whole sample frames, so that a fill continues exactly where the one before
// ended whatever the rate.
ULONGLONG CDirectSoundPlayerBase3::FrameOfMs(INT ms) const {
  return ULONGLONG(std::max(ms, 0)) * m_format.nSamplesPerSec / 1000;
}

double CDirectSoundPlayerBase3::MsOfFrame(ULONGLONG frame) const {
  return double(frame) * 1000.0 / double(m_format.nSamplesPerSec);
}

HRESULT CDirectSoundPlayerBase3::SeekMs(INT ms) {
  return SeekFrame(FrameOfMs(ms));
}

INT CDirectSoundPlayerBase3::TellMs() {
  return static_cast<INT>(TellFrame() * 1000 / m_format.nSamplesPerSec);
}

CDirectSoundPlayerBase3::FillResult CDirectSoundPlayerBase3::FillHalf(ULONGLONG startFrame,
                                                                      int half) {
  FillResult fill;
  void* region[2] = {nullptr, nullptr};
  DWORD size[2] = {0, 0};
  if (FAILED(m_buffer->Lock(half * m_halfSize, m_halfSize, &region[0], &size[0], &region[1],
                            &size[1], 0))) {
    fill.result = E_FAIL;
    return fill;
  }
  std::lock_guard<std::recursive_mutex> lock(m_decodeLock);
  DWORD offset = half * m_halfSize;
  bool finished = FAILED(SeekFrame(startFrame));
  if (finished) fill.endByte = offset;
  for (int i = 0; i < 2 && region[i] != nullptr; ++i) {
    if (finished) {
      FillSilence(static_cast<BYTE*>(region[i]), size[i]);
      continue;
    }
    DWORD written = 0;
    // What a decoding error leaves is treated as the end of the sound:
    // decoding the same bytes again would fail again.
    if (ReadPcm(region[i], size[i], TRUE, &written) != S_OK) {
      finished = true;
      fill.endByte = offset + written;
    }
    offset += size[i];
  }
  m_buffer->Unlock(region[0], size[0], region[1], size[1]);
  fill.result = finished ? S_FINISHED : S_OK;
  fill.nextFrame = TellFrame();
  return fill;
}

bool CDirectSoundPlayerBase3::SilenceHalf(int half) {
  void* region[2] = {nullptr, nullptr};
  DWORD size[2] = {0, 0};
  if (FAILED(m_buffer->Lock(half * m_halfSize, m_halfSize, &region[0], &size[0], &region[1],
                            &size[1], 0))) {
    return false;
  }
  for (int i = 0; i < 2; ++i) {
    if (region[i] != nullptr) FillSilence(static_cast<BYTE*>(region[i]), size[i]);
  }
  m_buffer->Unlock(region[0], size[0], region[1], size[1]);
  return true;
}

INT CDirectSoundPlayerBase3::PlayPosition(DWORD cursor, int playHalf,
                                          const ULONGLONG start[2]) const {
  double ms = double(cursor - playHalf * m_halfSize) / m_bytesPerSecond * 1000.0 +
              MsOfFrame(start[playHalf]);
  INT position = static_cast<INT>(std::min(ms, 2147483647.0));
  if (position > m_length) {
    INT loopStart = m_loopStart;
    INT range = m_length - loopStart;
    // An empty loop range has no place to report but its start.
    position = range > 0 ? loopStart + (position - m_length) % range : loopStart;
  }
  return position;
}

void CDirectSoundPlayerBase3::ResumeIfPlaying() {
  std::lock_guard<std::mutex> lock(m_transportLock);
  m_buffer->SetCurrentPosition(0);
  if (m_state == kSoundPlaying) m_buffer->Play(0, 0, DSBPLAY_LOOPING);
}

bool CDirectSoundPlayerBase3::FillInto(StreamState& stream, int half, ULONGLONG from) {
  FillResult fill = FillHalf(from, half);
  if (FAILED(fill.result)) return false;
  stream.start[half] = from;
  stream.next = fill.nextFrame;
  if (fill.result == S_FINISHED && stream.endHalf < 0) {
    stream.endHalf = half;
    stream.endByte = fill.endByte;
  }
  return true;
}

// The end: the cursor has reached the end byte, or has already left the half
// that holds it (a late pass must not let old data play again).
bool CDirectSoundPlayerBase3::PassedEnd(StreamState& stream, DWORD cursor, int playHalf) {
  if (stream.endHalf < 0) return false;
  if (playHalf != stream.endHalf) return stream.endHalfHeard;
  stream.endHalfHeard = true;
  return cursor >= stream.endByte;
}

void CDirectSoundPlayerBase3::Refill(StreamState& stream, int playHalf) {
  if (playHalf != stream.writeHalf) return;
  int other = 1 - stream.writeHalf;
  if (stream.endHalf >= 0) {
    // Nothing is left to decode; a slipping cursor then hears silence.
    if (stream.silenced || SilenceHalf(other)) {
      stream.silenced = true;
      stream.writeHalf = other;
    }
  } else if (FillInto(stream, other, stream.next)) {
    stream.writeHalf = other;
  }
}

void CDirectSoundPlayerBase3::SeekWhileStreaming(StreamState& stream, INT ms) {
  m_buffer->Stop();
  stream = StreamState{};
  FillInto(stream, 0, FrameOfMs(ms));
  ResumeIfPlaying();
}

void CDirectSoundPlayerBase3::StreamMain() {
  StreamState stream;
  ULONGLONG first = FrameOfMs(m_position);
  stream.start[0] = stream.start[1] = first;
  while (!m_stopRequest && !FillInto(stream, 0, first)) Sleep(1);
  if (!m_stopRequest) ResumeIfPlaying();

  bool ended = false;
  while (!m_stopRequest) {
    INT seek = m_pendingSeek.exchange(-1);
    if (seek >= 0) SeekWhileStreaming(stream, seek);
    DWORD cursor = 0;
    m_buffer->GetCurrentPosition(&cursor, nullptr);
    int playHalf = std::min<DWORD>(cursor / m_halfSize, 1);
    if (PassedEnd(stream, cursor, playHalf)) {
      ended = true;
      break;
    }
    Refill(stream, playHalf);
    m_position = PlayPosition(cursor, playHalf, stream.start);
    m_controls.Step(timeGetTime(), &m_stopRequest);
    Sleep(1);
  }

  {
    std::lock_guard<std::mutex> lock(m_transportLock);
    m_buffer->Stop();
  }
  m_controls.JumpToEnd();
  if (ended) m_position = m_length;
  INT seek = m_pendingSeek.exchange(-1);
  if (seek >= 0) m_position = seek;
  m_state = kSoundStopped;
}

}  // namespace tavorin::sound
