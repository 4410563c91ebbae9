// The RIFF/WAVE layout of a wave file: its PCM format and where its samples
// lie.
#pragma once

#include <IReadAccesser.h>
#include <mmreg.h>

#include <vector>

namespace tavorin::sound {

struct WaveChunk {
  DWORD tag;  // the four characters, the first in the low byte
  ULONGLONG size;
};

struct WaveLayout {
  WAVEFORMATEX format{};          // plain PCM, block align and byte rate recomputed
  ULONGLONG dataStart = 0;        // stream offset of the first sample byte
  ULONGLONG dataSize = 0;         // sample bytes, clipped to those present
  std::vector<WaveChunk> chunks;  // every chunk header read, in file order
};

// Reads the chunks of `source` from its start. E_FAIL for a stream that is
// not RIFF/WAVE, lacks "fmt " or "data", has a "fmt " shorter than 16 bytes,
// a format other than PCM, no channels, rate 0, bits other than 8, 16, 24 or
// 32, or a block align that does not match. Leaves the stream anywhere.
HRESULT ParseWave(IReadAccesser* source, WaveLayout* layout);

}  // namespace tavorin::sound
