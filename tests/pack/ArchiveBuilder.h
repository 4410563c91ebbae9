// Archive bytes for tests, well-formed or deliberately broken.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavorin::test {

using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t value);
Bytes Le64(uint64_t value);
Bytes Concat(std::initializer_list<Bytes> parts);
// A tagged chunk: four tag characters, the payload length, the payload.
Bytes Chunk(const char* tag, const Bytes& payload);
// A "NAME" payload: the text and its terminating zero.
Bytes NameBytes(const std::string& name);

// Builds a "PAC2" body chunk by chunk, remembering where file data lies so
// that it can be masked as the format stores it.
class ArchiveBuilder {
 public:
  ArchiveBuilder& Add(const Bytes& chunk);
  ArchiveBuilder& FileCount(uint32_t count) { return Add(Chunk("FNUM", Le32(count))); }
  ArchiveBuilder& File(const std::string& name, const Bytes& data);
  // A "CCOD" chunk here; the data of every file is masked with `code`.
  ArchiveBuilder& Code(const Bytes& code);
  // The whole archive; `bodyLength` overrides the true body length.
  Bytes Build() const;
  Bytes Build(uint64_t bodyLength) const;

 private:
  Bytes m_body;
  Bytes m_code;
  std::vector<std::pair<size_t, size_t>> m_dataRanges;  // body offset, length
};

// Thirty-two distinct code bytes.
Bytes TestCode(uint8_t seed = 0x5A);

}  // namespace tavorin::test
