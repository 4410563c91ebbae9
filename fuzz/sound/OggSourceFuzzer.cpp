// The Ogg Vorbis source over fuzz bytes: vorbisfile reads the input through
// the player's callbacks; a stream is refused or decodes what it can.
#include <SoundPlayer.h>

#include "sound/SoundFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace sound_fuzz;
  MemoryStream* stream = nullptr;
  if (FAILED(tavorin::CreateComObject<MemoryStream>(&stream, bytes, size))) return 0;
  IDirectSoundPlayer3* player = nullptr;
  if (SUCCEEDED(CreateSoundPlayer(nullptr, stream, Sound(), &player, kSoundOggVorbis))) {
    DecodeAround(player);
    player->Release();
  }
  stream->Release();
  return 0;
}
