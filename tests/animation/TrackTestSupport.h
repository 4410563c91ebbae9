// Building tracks and moving them through files for the animation tests.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <comobject.h>

#include "KeyTracks.h"
#include "support/TempDir.h"

namespace tavorin::test {

inline CurveKey MakeCurveKey(INT frame, float value, WORD shape, std::vector<float> p = {}) {
  CurveKey key{value, frame, shape, {0, 0, 0, 0, 0, 0}};
  for (size_t i = 0; i < p.size() && i < 6; ++i) key.p[i] = p[i];
  return key;
}

inline CurveTrack MakeCurve(const std::vector<CurveKey>& keys, WORD pre = kBehaviorRepeat,
                            WORD post = kBehaviorRepeat) {
  CurveTrack track;
  track.keyCount = WORD(keys.size());
  if (!keys.empty()) {
    track.keys.reset(new CurveKey[keys.size()]);
    for (size_t i = 0; i < keys.size(); ++i) track.keys[i] = keys[i];
  }
  track.preBehavior = pre;
  track.postBehavior = post;
  return track;
}

// Gives a track the listed keys.
template <class Track, class Key>
void SetKeys(Track& track, const std::vector<Key>& keys) {
  track.keyCount = WORD(keys.size());
  track.keys.reset(keys.empty() ? nullptr : new Key[keys.size()]);
  for (size_t i = 0; i < keys.size(); ++i) track.keys[i] = keys[i];
}

inline std::vector<INT> Frames(const CurveTrack& track) {
  std::vector<INT> frames;
  for (WORD i = 0; i < track.keyCount; ++i) frames.push_back(track.keys[i].frame);
  return frames;
}

// Runs `serialize` against a file writer and returns the bytes that reached
// the file, checking that the size it reported matches them.
inline std::vector<uint8_t> WrittenBytes(const TempDir& dir,
                                         const std::function<DWORD(IFileWriter*)>& serialize,
                                         DWORD* reported = nullptr) {
  const std::string path = dir.File("written.bin");
  IFileWriter* writer = nullptr;
  if (FAILED(CreateFileWriter(&writer, path.c_str()))) return {};
  const DWORD size = serialize(writer);
  writer->Release();
  if (reported != nullptr) *reported = size;
  return dir.Read("written.bin");
}

// A reader over `bytes` written to a file, in auto-refill mode unless
// `announced` asks for the mode in which every read must be announced.
inline ComPtr<IFileReader> ReaderOver(const TempDir& dir, const std::vector<uint8_t>& bytes,
                                      bool announced = false, const std::string& name = "in.bin") {
  const std::string path = dir.Write(name, bytes);
  IFileReader* reader = nullptr;
  if (FAILED(CreateFileReader(&reader, path.c_str(), nullptr, 64))) return ComPtr<IFileReader>();
  reader->SetAutoRefill(announced ? FALSE : TRUE);
  return ComPtr<IFileReader>(reader);
}

// Little-endian byte building for hand-made runs.
class Bytes {
 public:
  Bytes& Tag(const char* tag) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(uint8_t(tag[i]));
    return *this;
  }
  Bytes& U16(uint16_t v) {
    m_bytes.push_back(uint8_t(v));
    m_bytes.push_back(uint8_t(v >> 8));
    return *this;
  }
  Bytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  Bytes& F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return U32(bits);
  }
  Bytes& Chunk(const char* tag, uint32_t size) { return Tag(tag).U32(size); }
  Bytes& Append(const std::vector<uint8_t>& more) {
    m_bytes.insert(m_bytes.end(), more.begin(), more.end());
    return *this;
  }
  const std::vector<uint8_t>& Get() const { return m_bytes; }
  DWORD Size() const { return DWORD(m_bytes.size()); }

 private:
  std::vector<uint8_t> m_bytes;
};

}  // namespace tavorin::test
