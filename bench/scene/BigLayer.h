// The big layer the scene benchmarks read and write: four meshes of 65,535
// vertices and 21,845 triangles (21 MB), and the byte writers that build it
// and the files around it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <IVeyaLayer.h>

namespace bench_scene {

constexpr WORD kMeshes = 4;
constexpr WORD kVertices = 65535;
constexpr WORD kPolygons = 21845;

inline void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
inline void Header(std::vector<uint8_t>& out, const char* tag, uint32_t size) {
  out.insert(out.end(), tag, tag + 4);
  Put32(out, size);
}
inline void Count(std::vector<uint8_t>& out, const char* tag, uint16_t value) {
  Header(out, tag, 2);
  Put16(out, value);
}

// The "LYER" payload; mesh m is on surface m.
inline std::vector<uint8_t> BigLayerPayload() {
  std::vector<uint8_t> out;
  Count(out, "MESN", kMeshes);
  for (WORD m = 0; m < kMeshes; ++m) {
    Header(out, "MESH", 46 + kVertices * kLayerVertexSize + kPolygons * 6);
    Count(out, "VTXN", kVertices);
    Header(out, "VTEX", kVertices * kLayerVertexSize);
    for (DWORD i = 0; i < kVertices * kLayerVertexSize; ++i) out.push_back(uint8_t(i * 31 + m));
    Count(out, "POLN", kPolygons);
    Header(out, "POLY", kPolygons * 6);
    for (DWORD i = 0; i < kPolygons * 3u; ++i) Put16(out, uint16_t(i % kVertices));
    Count(out, "SFNO", m);
  }
  return out;
}

// Writes `bytes` to `file` unless a file of that size is already there.
inline void WriteOnce(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  if (std::filesystem::exists(file) && std::filesystem::file_size(file) == bytes.size()) return;
  FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

}  // namespace bench_scene
