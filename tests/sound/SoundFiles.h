// Sound files for the tests, made by the real tools (sox, oggenc, ffmpeg)
// in a temporary directory, and a look inside RIFF files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace sound_test {

using Bytes = std::vector<uint8_t>;

// Runs `command` through the shell, quiet; true when it exited with 0.
bool Shell(const std::string& command);
// sox from its null input into dir/name: `format` are sox's output options
// ("-r 48000 -b 16 -c 1"), `effects` what follows the file ("synth 1 sine
// 440"). Returns the path, or "" when sox failed.
std::string Sox(const tavorin::test::TempDir& dir, const std::string& name,
                const std::string& format, const std::string& effects);
// oggenc of dir/wav into dir/ogg; the path or "".
std::string OggEnc(const tavorin::test::TempDir& dir, const std::string& wav,
                   const std::string& ogg);

struct RiffChunk {
  std::string tag;
  size_t payload;  // offset of the payload in the file
  uint32_t size;
};
// The chunks after the "RIFF"/"WAVE" header, pad bytes honoured.
std::vector<RiffChunk> RiffChunks(const Bytes& file);
// The payload of the first chunk tagged `tag` (empty when there is none).
Bytes ChunkPayload(const Bytes& file, const std::string& tag);
// A RIFF/WAVE file of the given chunks in this order (pad bytes added).
Bytes BuildWave(const std::vector<std::pair<std::string, Bytes>>& chunks);
// A "fmt " payload of 16 bytes.
Bytes FormatPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                    uint16_t bits);

// Little-endian 16-bit samples of a byte run.
std::vector<int16_t> Samples16(const Bytes& bytes);
// Index of the first sample (or frame, with `stride`) that is not 0.
size_t FirstNonZero(const std::vector<float>& values, size_t stride);

}  // namespace sound_test
