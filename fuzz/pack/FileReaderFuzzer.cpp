// Drives every file reader operation from fuzz bytes over an in-memory
// stream, and checks each delivered byte against the data at the reader's
// logical position.
#include <IFileReader.h>
#include <comobject.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz/support/MemoryStream.h"

namespace {

using tavorin::fuzz::MemoryStream;

struct Input {
  const uint8_t* data;
  size_t size;
  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  DWORD Word() { return Byte() | DWORD(Byte()) << 8; }
};

// The byte the reader must deliver at logical position p.
uint8_t Expected(const std::vector<uint8_t>& data, const uint8_t* code, ULONGLONG p) {
  return p < data.size() ? uint8_t(data[p] ^ (code ? code[p % 32] : 0)) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size < 40) return 0;
  Input program{bytes, 40};
  Input content{bytes + 40, size - 40};
  uint8_t code[32];
  for (auto& b : code) b = program.Byte();
  DWORD capacity = program.Word() % 300 + 1;
  program = Input{bytes + 34, size - 34};  // the operations overlap the data: fine for fuzzing

  MemoryStream* stream = nullptr;
  if (FAILED(tavorin::CreateComObject<MemoryStream>(&stream, content.data, content.size))) return 0;
  IFileReader* reader = nullptr;
  if (FAILED(CreateFileReader(&reader, nullptr, stream, capacity))) __builtin_trap();
  const std::vector<uint8_t>& data = stream->data();
  bool masked = false;
  std::vector<char> out(1024);
  for (int step = 0; step < 64 && program.size > 0; ++step) {
    DWORD n = program.Word() % 700;
    switch (program.Byte() % 8) {
      case 0:
        reader->SetAutoRefill(n & 1);
        break;
      case 1:
        masked = n & 1;
        reader->SetXorCode(masked, code);
        reader->Seek(0, 1);  // the code applies to later fills
        break;
      case 2:
        reader->Prefetch(n);
        break;
      case 3:
      case 4: {
        ULONGLONG at = reader->Tell64();
        DWORD got = reader->Read(out.data(), n);
        if (got > n || reader->Tell64() != at + got) __builtin_trap();
        for (DWORD i = 0; i < got; ++i) {
          if (uint8_t(out[i]) != Expected(data, masked ? code : nullptr, at + i)) __builtin_trap();
        }
        break;
      }
      case 5: {
        DWORD capacityOfLine = n % 40;
        std::vector<char> line(capacityOfLine + 8, '#');
        LONG length = reader->ReadLine(line.data(), capacityOfLine);
        if (capacityOfLine == 0) {
          if (length != E_INVALIDARG) __builtin_trap();
          break;
        }
        if (length < 0 || DWORD(length) >= capacityOfLine || line[length] != 0) __builtin_trap();
        for (size_t i = capacityOfLine; i < line.size(); ++i) {
          if (line[i] != '#') __builtin_trap();
        }
        break;
      }
      case 6:
        reader->Seek(LONG(n) - 350, program.Byte() % 3);
        break;
      case 7:
        reader->Seek64(LONGLONG(n) * 3 - 1000, program.Byte() % 4);
        break;
    }
    if (reader->IsEof() && reader->Tell64() < data.size()) __builtin_trap();
  }
  reader->Release();
  stream->Release();
  return 0;
}
