#include "SoundFiles.h"

#include <cstdlib>

namespace sound_test {
namespace {

uint32_t Le32(const Bytes& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

void PutLe(Bytes* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(uint8_t(value >> (8 * i)));
}

}  // namespace

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Sox(const tavorin::test::TempDir& dir, const std::string& name,
                const std::string& format, const std::string& effects) {
  std::string path = dir.File(name);
  return Shell("sox -n " + format + " '" + path + "' " + effects) ? path : "";
}

std::string OggEnc(const tavorin::test::TempDir& dir, const std::string& wav,
                   const std::string& ogg) {
  std::string path = dir.File(ogg);
  return Shell("oggenc -Q -q 4 -o '" + path + "' '" + dir.File(wav) + "'") ? path : "";
}

std::vector<RiffChunk> RiffChunks(const Bytes& file) {
  std::vector<RiffChunk> chunks;
  for (size_t at = 12; at + 8 <= file.size();) {
    RiffChunk chunk{std::string(file.begin() + at, file.begin() + at + 4), at + 8,
                    Le32(file, at + 4)};
    chunks.push_back(chunk);
    at = chunk.payload + chunk.size + (chunk.size & 1);
  }
  return chunks;
}

Bytes ChunkPayload(const Bytes& file, const std::string& tag) {
  for (const RiffChunk& chunk : RiffChunks(file)) {
    if (chunk.tag == tag) {
      size_t end = std::min(file.size(), chunk.payload + chunk.size);
      return Bytes(file.begin() + chunk.payload, file.begin() + end);
    }
  }
  return {};
}

Bytes BuildWave(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const auto& [tag, payload] : chunks) {
    body.insert(body.end(), tag.begin(), tag.end());
    PutLe(&body, uint32_t(payload.size()), 4);
    body.insert(body.end(), payload.begin(), payload.end());
    if (payload.size() & 1) body.push_back(0);
  }
  Bytes file = {'R', 'I', 'F', 'F'};
  PutLe(&file, uint32_t(body.size()), 4);
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

Bytes FormatPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                    uint16_t bits) {
  Bytes payload;
  PutLe(&payload, tag, 2);
  PutLe(&payload, channels, 2);
  PutLe(&payload, rate, 4);
  PutLe(&payload, rate * blockAlign, 4);
  PutLe(&payload, blockAlign, 2);
  PutLe(&payload, bits, 2);
  return payload;
}

std::vector<int16_t> Samples16(const Bytes& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
  }
  return samples;
}

size_t FirstNonZero(const std::vector<float>& values, size_t stride) {
  for (size_t i = 0; i * stride < values.size(); ++i) {
    if (values[i * stride] != 0.0f) return i;
  }
  return values.size() / stride;
}

}  // namespace sound_test
