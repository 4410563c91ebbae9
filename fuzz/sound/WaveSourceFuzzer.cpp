// The wave parser and the wave source over fuzz bytes: a file is refused or
// yields a layout inside the input and decodes without reading past it.
#include <SoundPlayer.h>

#include "sound/SoundFuzzSupport.h"
#include "sound/WaveParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace sound_fuzz;
  MemoryStream* stream = nullptr;
  if (FAILED(tavorin::CreateComObject<MemoryStream>(&stream, bytes, size))) return 0;
  tavorin::sound::WaveLayout layout;
  if (SUCCEEDED(tavorin::sound::ParseWave(stream, &layout))) {
    if (layout.dataStart + layout.dataSize > size) abort();
    if (layout.format.nBlockAlign == 0 || layout.dataSize % layout.format.nBlockAlign != 0) abort();
  }
  IDirectSoundPlayer3* player = nullptr;
  if (SUCCEEDED(CreateSoundPlayer(nullptr, stream, Sound(), &player, kSoundWave))) {
    DecodeAround(player);
    player->Release();
  }
  stream->Release();
  return 0;
}
