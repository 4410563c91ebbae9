#include "ArchiveBuilder.h"

#include <cstring>

namespace tavorin::test {

Bytes Le32(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

Bytes Le64(uint64_t value) {
  return Concat({Le32(uint32_t(value)), Le32(uint32_t(value >> 32))});
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Chunk(const char* tag, const Bytes& payload) {
  return Concat({Bytes(tag, tag + 4), Le32(uint32_t(payload.size())), payload});
}

Bytes NameBytes(const std::string& name) {
  Bytes bytes(name.begin(), name.end());
  bytes.push_back(0);
  return bytes;
}

ArchiveBuilder& ArchiveBuilder::Add(const Bytes& chunk) {
  m_body.insert(m_body.end(), chunk.begin(), chunk.end());
  return *this;
}

ArchiveBuilder& ArchiveBuilder::File(const std::string& name, const Bytes& data) {
  Bytes nameChunk = Chunk("NAME", NameBytes(name));
  // FILE header, NAME chunk, DATA header, then the data.
  m_dataRanges.emplace_back(m_body.size() + 8 + nameChunk.size() + 8, data.size());
  return Add(Chunk("FILE", Concat({nameChunk, Chunk("DATA", data)})));
}

ArchiveBuilder& ArchiveBuilder::Code(const Bytes& code) {
  m_code = code;
  return Add(Chunk("CCOD", code));
}

Bytes ArchiveBuilder::Build() const {
  return Build(m_body.size());
}

Bytes ArchiveBuilder::Build(uint64_t bodyLength) const {
  Bytes archive = Concat({Bytes{'P', 'A', 'C', '2'}, Le64(bodyLength), m_body});
  if (m_code.size() != 32) return archive;
  for (auto [start, length] : m_dataRanges) {
    for (size_t p = 12 + start; p < 12 + start + length; ++p) archive[p] ^= m_code[p % 32];
  }
  return archive;
}

Bytes TestCode(uint8_t seed) {
  Bytes code(32);
  for (size_t i = 0; i < code.size(); ++i) code[i] = uint8_t(seed + 37 * i);
  return code;
}

}  // namespace tavorin::test
