#include "tools/soundtool/SoundCommands.h"

#include <IPackManager.h>
#include <SoundPlayer.h>
#include <comobject.h>
#include <dsound.h>
#include <windows.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <cstdio>
#include <strings.h>

#include "sound/WaveParser.h"
#include "tools/soundtool/Failure.h"
#include "tools/soundtool/PlayProgress.h"

namespace soundtool {
namespace {

using tavorin::ComPtr;

std::atomic<int> g_interrupts{0};

void OnInterrupt(int) {
  ++g_interrupts;
}

bool EndsWith(const std::string& name, const char* extension) {
  size_t length = std::char_traits<char>::length(extension);
  return name.size() > length && strcasecmp(name.c_str() + name.size() - length, extension) == 0;
}

// The sound's kind by extension, as the library picks it.
INT KindOf(const std::string& file) {
  if (EndsWith(file, ".wav")) return kSoundWave;
  if (EndsWith(file, ".ogg")) return kSoundOggVorbis;
  throw Failure(file + ": not a sound by its name (soundtool plays .wav and .ogg files)");
}

// Where the pack manager takes the file from.
struct SoundSource {
  ComPtr<IPackManager> manager;
  bool archived = false;
};

SoundSource OpenSource(const std::string& file) {
  SoundSource source;
  if (FAILED(CreatePackManager(source.manager.ReleaseAndGetAddressOf()))) {
    throw Failure("out of memory");
  }
  ComPtr<IPackReader> reader(source.manager->GetPackReader());
  ComPtr<IReadAccesser> stream;
  source.archived =
      reader && SUCCEEDED(reader->OpenFile(stream.ReleaseAndGetAddressOf(), file.c_str()));
  return source;
}

ComPtr<IDirectSound8> OpenSound() {
  ComPtr<IDirectSound8> sound;
  if (FAILED(DirectSoundCreate8(nullptr, sound.ReleaseAndGetAddressOf(), nullptr)) ||
      FAILED(sound->SetCooperativeLevel(GetForegroundWindow(), DSSCL_PRIORITY))) {
    throw Failure("cannot open the sound output");
  }
  return sound;
}

ComPtr<IDirectSoundPlayer3> LoadPlayer(const SoundSource& source, IDirectSound8* sound,
                                       const std::string& file) {
  INT kind = KindOf(file);
  ComPtr<IDirectSoundPlayer3> player;
  HRESULT hr = source.manager->LoadSound(player.ReleaseAndGetAddressOf(), sound, file.c_str(),
                                         kSoundByExtension);
  if (SUCCEEDED(hr)) return player;
  if (hr == E_FAIL) {
    throw Failure(file + ": not a playable wave file (plain PCM, 8 or 16 bits, mono or stereo)");
  }
  std::error_code ignored;
  if (!source.archived && !std::filesystem::exists(file, ignored)) {
    throw Failure(file + ": no such file here or in Data.pac");
  }
  throw Failure(file + (kind == kSoundOggVorbis ? ": not an Ogg Vorbis stream"
                                                : ": cannot be read as a sound"));
}

std::string TagText(DWORD tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = char(tag >> (8 * i));
    text += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return text;
}

void PrintChunks(const SoundSource& source, const std::string& file) {
  ComPtr<IReadAccesser> stream;
  if (FAILED(source.manager->OpenFile(stream.ReleaseAndGetAddressOf(), file.c_str()))) return;
  tavorin::sound::WaveLayout layout;
  tavorin::sound::ParseWave(stream.Get(), &layout);
  std::printf("chunks:");
  for (const tavorin::sound::WaveChunk& chunk : layout.chunks) {
    std::printf(" \"%s\" %llu", TagText(chunk.tag).c_str(),
                static_cast<unsigned long long>(chunk.size));
  }
  std::printf("\n");
}

}  // namespace

int Info(const std::string& file) {
  SoundSource source = OpenSource(file);
  ComPtr<IDirectSound8> sound = OpenSound();
  ComPtr<IDirectSoundPlayer3> player = LoadPlayer(source, sound.Get(), file);
  WAVEFORMATEX format{};
  player->GetFormat(&format);
  bool wave = KindOf(file) == kSoundWave;
  std::printf("file: %s (%s)\n", file.c_str(), source.archived ? "from Data.pac" : "loose file");
  std::printf("type: %s\n", wave ? "wave" : "Ogg Vorbis");
  std::printf("format: PCM %u-bit, %u channel%s, %lu Hz\n", unsigned(format.wBitsPerSample),
              unsigned(format.nChannels), format.nChannels == 1 ? "" : "s",
              static_cast<unsigned long>(format.nSamplesPerSec));
  INT length = player->GetLength();
  std::printf("length: %d.%03d s\n", length / 1000, length % 1000);
  if (wave) PrintChunks(source, file);
  return kExitOk;
}

int Play(const PlayOptions& options) {
  // Installed before the sound output starts, so that it is ours that runs.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  SoundSource source = OpenSource(options.file);
  ComPtr<IDirectSound8> sound = OpenSound();
  ComPtr<IDirectSoundPlayer3> player = LoadPlayer(source, sound.Get(), options.file);
  if (options.loopStartMs > player->GetLength()) {
    throw UsageError("--loop-start is past the end of the sound (" +
                     std::to_string(player->GetLength()) + " ms)");
  }
  player->SetVolume(options.volume, 0.0f);
  player->SetPan(options.pan, 0.0f);
  player->SetFrequency(options.frequency, 0.0f);
  if (FAILED(player->Play(options.loops, options.loopStartMs))) {
    throw Failure("cannot start the sound");
  }

  PlayProgress progress;
  int seen = 0;
  while (player->GetState() != kSoundStopped) {
    if (g_interrupts > seen) {
      // The first Ctrl-C fades out; another one stops at once.
      float speed = float(5001 + options.volume) / float(options.fadeOutMs);
      player->Stop(seen == 0 ? speed : 0.0f);
      seen = g_interrupts;
    }
    progress.Update(player.Get(), seen > 0);
    Sleep(10);
  }
  progress.Update(player.Get(), seen > 0);
  return seen > 0 ? kExitInterrupted : kExitOk;
}

}  // namespace soundtool
