// The Ogg Vorbis source over fuzz bytes: vorbisfile reads the input through
// the player's callbacks; a stream is refused or decodes what it can.
#include <SoundPlayer.h>

#include "sound/SoundFuzzSupport.h"

// libvorbisfile 1.3.7 itself leaks 8 bytes when ov_open_callbacks fails with
// OV_EREAD on some broken streams (a plain C program with stdio callbacks
// does the same); after a failed open there is nothing the caller may free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvorbisfile.so\n";
}

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
