#include "sound/DirectSoundPlayerOgg3.h"

#include <algorithm>
#include <cerrno>
#include <climits>

namespace tavorin::sound {
namespace {

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
  // vorbisfile takes a short read with errno set for a read error; the
  // stream reports none, so a leftover errno must not turn the end of the
  // data into one.
  errno = 0;
  if (source == nullptr || size == 0) return 0;
  size_t bytes = std::min<size_t>(size * count, 0x7FFFFFFF);
  return static_cast<IReadAccesser*>(source)->Read(buffer, DWORD(bytes)) / size;
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
  if (source == nullptr) return -1;
  return static_cast<IReadAccesser*>(source)->Seek64(offset, DWORD(whence)) < 0 ? -1 : 0;
}

// The player releases the stream itself.
int CloseCallback(void* /*source*/) {
  return 0;
}

long TellCallback(void* source) {
  if (source == nullptr) return -1;
  return static_cast<long>(static_cast<IReadAccesser*>(source)->Tell64());
}

const ov_callbacks kCallbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};

// Holes (lost pages) are skipped; this many in a row is a broken stream.
constexpr int kMaxHoles = 64;

}  // namespace

CDirectSoundPlayerOgg3::~CDirectSoundPlayerOgg3() {
  EndStreaming();
  if (m_opened) ov_clear(&m_file);
  if (m_source) m_source->Release();
}

HRESULT CDirectSoundPlayerOgg3::Init(const char* name, IReadAccesser* source,
                                     IDirectSound8* sound) {
  if (source != nullptr) {
    source->AddRef();
    m_source = source;
  } else {
    HRESULT hr = OpenReadAccesser(&m_source, name);
    if (FAILED(hr)) return hr;
  }
  // On failure vorbisfile has freed its state and not touched the stream.
  if (ov_open_callbacks(m_source, &m_file, nullptr, 0, kCallbacks) != 0) return E_ACCESSDENIED;
  m_opened = true;
  vorbis_info* info = ov_info(&m_file, -1);
  if (info == nullptr || !ov_seekable(&m_file)) return E_ACCESSDENIED;
  if (info->channels <= 0 || info->channels > 0xFFFF / 2 || info->rate <= 0) return E_FAIL;
  m_channels = info->channels;
  m_rate = info->rate;
  ogg_int64_t total = ov_pcm_total(&m_file, -1);
  m_totalFrames = total > 0 ? ULONGLONG(total) : 0;

  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = WORD(m_channels);
  format.nSamplesPerSec = DWORD(m_rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = WORD(m_channels * 2);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  double seconds = ov_time_total(&m_file, -1);
  INT length = static_cast<INT>(std::clamp(seconds * 1000.0, 0.0, 2147483647.0));
  return CreateBuffer(sound, format, length);
}

HRESULT CDirectSoundPlayerOgg3::ReadSource(void* buffer, DWORD length, DWORD* got) {
  *got = 0;
  DWORD frameBytes = DWORD(m_channels) * 2;
  if (length < frameBytes) return ReadPartialFrame(static_cast<BYTE*>(buffer), length, got);
  int request = static_cast<int>(std::min<DWORD>(length, INT_MAX) / frameBytes * frameBytes);
  for (int holes = 0; holes < kMaxHoles; ++holes) {
    int link = 0;
    long result = ov_read(&m_file, static_cast<char*>(buffer), request, 0, 2, 1, &link);
    if (result == OV_HOLE) continue;
    if (result < 0) return E_FAIL;
    // A chained stream may change its layout, which this buffer cannot follow.
    if (result > 0 && !SameLayout(link)) return E_FAIL;
    *got = DWORD(result);
    return S_OK;
  }
  return E_FAIL;
}

// A request shorter than one frame (a caller's odd window) gets the first
// bytes of the next frame.
HRESULT CDirectSoundPlayerOgg3::ReadPartialFrame(BYTE* buffer, DWORD length, DWORD* got) {
  BYTE frame[2 * 8];
  if (DWORD(m_channels) * 2 > sizeof frame) return E_FAIL;
  DWORD frameGot = 0;
  HRESULT hr = ReadSource(frame, DWORD(m_channels) * 2, &frameGot);
  if (FAILED(hr)) return hr;
  *got = std::min(frameGot, length);
  std::copy(frame, frame + *got, buffer);
  return S_OK;
}

bool CDirectSoundPlayerOgg3::SameLayout(int link) {
  if (link == m_link) return true;
  vorbis_info* info = ov_info(&m_file, link);
  if (info == nullptr || info->channels != m_channels || info->rate != m_rate) return false;
  m_link = link;
  return true;
}

HRESULT CDirectSoundPlayerOgg3::SeekFrame(ULONGLONG frame) {
  // vorbisfile refuses a place past the end; there the sound has ended. A
  // stream whose end could not be found fails the seek instead, which ends
  // the sound rather than replaying its start.
  if (m_totalFrames > 0) frame = std::min(frame, m_totalFrames);
  if (ov_pcm_tell(&m_file) == ogg_int64_t(frame)) return S_OK;
  return ov_pcm_seek(&m_file, ogg_int64_t(frame)) == 0 ? S_OK : E_FAIL;
}

ULONGLONG CDirectSoundPlayerOgg3::TellFrame() {
  ogg_int64_t frame = ov_pcm_tell(&m_file);
  return frame > 0 ? ULONGLONG(frame) : 0;
}

}  // namespace tavorin::sound
