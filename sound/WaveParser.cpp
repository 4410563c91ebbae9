#include "sound/WaveParser.h"

#include <algorithm>

#include "pack/LittleEndian.h"

namespace tavorin::sound {
namespace {

using pack::LoadLe32;
using pack::MakeTag;

WORD LoadLe16(const BYTE* bytes) {
  return static_cast<WORD>(bytes[0] | bytes[1] << 8);
}

bool ReadExact(IReadAccesser* source, BYTE* bytes, DWORD length) {
  return source->Read(bytes, length) == length;
}

// The "fmt " fields in file order; only plain PCM with a consistent frame
// size is playable by the streaming buffer.
HRESULT ReadFormat(IReadAccesser* source, DWORD size, WAVEFORMATEX* format) {
  if (size < 16) return E_FAIL;
  BYTE bytes[16];
  if (!ReadExact(source, bytes, sizeof bytes)) return E_FAIL;
  WAVEFORMATEX read{};
  read.wFormatTag = LoadLe16(bytes);
  read.nChannels = LoadLe16(bytes + 2);
  read.nSamplesPerSec = LoadLe32(bytes + 4);
  read.nBlockAlign = LoadLe16(bytes + 12);
  read.wBitsPerSample = LoadLe16(bytes + 14);
  WORD bits = read.wBitsPerSample;
  if (read.wFormatTag != WAVE_FORMAT_PCM || read.nChannels == 0 || read.nSamplesPerSec == 0) {
    return E_FAIL;
  }
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return E_FAIL;
  if (read.nBlockAlign != DWORD(read.nChannels) * bits / 8) return E_FAIL;
  read.nAvgBytesPerSec = read.nSamplesPerSec * read.nBlockAlign;
  *format = read;
  return S_OK;
}

}  // namespace

HRESULT ParseWave(IReadAccesser* source, WaveLayout* layout) {
  LONGLONG fileSize = source->Seek64(0, FILE_END);
  if (fileSize < 12 || source->Seek64(0, FILE_BEGIN) != 0) return E_FAIL;
  BYTE header[12];
  if (!ReadExact(source, header, sizeof header)) return E_FAIL;
  if (LoadLe32(header) != MakeTag("RIFF") || LoadLe32(header + 8) != MakeTag("WAVE")) {
    return E_FAIL;
  }
  const ULONGLONG riffSize = LoadLe32(header + 4);
  const ULONGLONG end = ULONGLONG(fileSize);
  bool haveFormat = false;
  bool haveData = false;
  ULONGLONG consumed = 4;
  ULONGLONG chunk = 12;
  while (consumed < riffSize) {
    BYTE chunkHeader[8];
    if (source->Seek64(LONGLONG(chunk), FILE_BEGIN) < 0 ||
        !ReadExact(source, chunkHeader, sizeof chunkHeader)) {
      break;
    }
    const DWORD tag = LoadLe32(chunkHeader);
    const ULONGLONG size = LoadLe32(chunkHeader + 4);
    const ULONGLONG payload = chunk + 8;
    layout->chunks.push_back({tag, size});
    if (tag == MakeTag("fmt ") && !haveFormat) {
      if (FAILED(ReadFormat(source, DWORD(size), &layout->format))) return E_FAIL;
      haveFormat = true;
    } else if (tag == MakeTag("data") && !haveData) {
      layout->dataStart = payload;
      layout->dataSize = std::min(size, end - payload);
      haveData = true;
    }
    // Chunks of odd size are followed by a pad byte.
    const ULONGLONG padded = size + (size & 1);
    consumed += 8 + padded;
    chunk = payload + padded;
    if (chunk >= end) break;
  }
  if (!haveFormat || !haveData) return E_FAIL;
  // Sample bytes end on a whole frame.
  layout->dataSize -= layout->dataSize % layout->format.nBlockAlign;
  return S_OK;
}

}  // namespace tavorin::sound
