#include "tools/scenetool/ChunkCheck.h"

#include <algorithm>
#include <map>

#include "IPackManager.h"
#include "IVeya2.h"
#include "tools/scenetool/Failure.h"
#include "tools/scenetool/References.h"
#include "tools/scenetool/SceneSource.h"

namespace scenetool {
namespace {

using tavorin::ComPtr;

constexpr size_t kHeaderSize = 8;
constexpr DWORD kReaderCapacity = 65536;

uint32_t U32At(const Bytes& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

std::string TagAt(const Bytes& bytes, size_t at) {
  std::string tag;
  for (size_t i = 0; i < 4; ++i) {
    const char c = char(bytes[at + i]);
    tag += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return tag;
}

// Count chunk tag -> the object chunk tag it sizes.
const std::map<std::string, std::string> kCountOf = {
    {"LYRN", "LYER"}, {"SRFN", "SURF"}, {"MOTN", "MOTI"}, {"CAMN", "CAM "},
    {"LITN", "LIGT"}, {"CGNM", "CGRP"}, {"CLNM", "CLAY"}};

bool IsObjectTag(const std::string& tag) {
  for (const auto& entry : kCountOf) {
    if (entry.second == tag) return true;
  }
  return tag == "LIPS" || tag == "BLNK";
}

// Runs one object chunk's payload through its component's reader, as the
// loader would, and keeps what it made for the cross-reference checks.
class PayloadChecker {
 public:
  PayloadChecker(const ToolDevice& device, IFileReader* reader)
      : m_device(device), m_reader(reader) {}
  ~PayloadChecker() {
    for (IVeyaCollisionGroup* group : m_groups) {
      if (group != nullptr) group->Release();
    }
  }

  // An empty message when the payload reads back exactly.
  std::string Check(const std::string& tag, uint64_t offset, DWORD size, WORD index) {
    const uint64_t payload = offset + 8;
    if (m_reader->Seek64(LONGLONG(payload), 0) != LONGLONG(payload)) {
      return "cannot seek to the payload";
    }
    DWORD consumed = 0;
    const HRESULT hr = Create(tag, offset, size, index, &consumed);
    if (FAILED(hr)) return "its reader refuses the payload: " + ResultText(hr);
    if (consumed != size) {
      return "its reader takes " + std::to_string(consumed) + " of " + std::to_string(size) +
             " payload bytes";
    }
    return {};
  }

  SceneParts& Parts() { return m_parts; }

 private:
  template <class Interface>
  static void Keep(std::vector<Placed<Interface>>& table, uint64_t offset,
                   ComPtr<Interface>& component) {
    if (component) table.push_back({offset, std::move(component)});
  }

  HRESULT Create(const std::string& tag, uint64_t offset, DWORD size, WORD index, DWORD* consumed) {
    IDirect3DDevice9* device = m_device.Device();
    HRESULT hr = S_OK;
    if (tag == "LYER") {
      ComPtr<IVeyaLayer> layer;
      hr = CreateLayer(layer.ReleaseAndGetAddressOf(), index, device, m_reader, size, consumed);
      Keep(m_parts.layers, offset, layer);
    } else if (tag == "SURF") {
      ComPtr<IVeyaSurface> surface;
      hr = CreateSurface(surface.ReleaseAndGetAddressOf(), m_reader, device, index, size, consumed);
    } else if (tag == "MOTI") {
      ComPtr<IVeyaMotion> motion;
      hr = CreateMotion(motion.ReleaseAndGetAddressOf(), index, m_reader, size, consumed);
      Keep(m_parts.motions, offset, motion);
    } else if (tag == "CAM ") {
      ComPtr<IVeyaCamera> camera;
      hr = CreateCamera(camera.ReleaseAndGetAddressOf(), m_reader, size, consumed);
      Keep(m_parts.cameras, offset, camera);
    } else if (tag == "LIGT") {
      *consumed = size;  // a light reads nothing; the loader skips its payload
    } else if (tag == "CGRP") {
      IVeyaCollisionGroup* group = nullptr;
      hr = CreateCollisionGroup(&group, index, index, m_reader, size, consumed);
      m_groups.push_back(group);  // a failed one stays as a gap, as in the loader's table
    } else if (tag == "CLAY") {
      ComPtr<IVeyaCollisionLayer> layer;
      hr = CreateCollisionLayer(layer.ReleaseAndGetAddressOf(), m_reader, size, consumed,
                                m_groups.data(), WORD(m_groups.size()));
      Keep(m_parts.collisionLayers, offset, layer);
    } else if (tag == "LIPS") {
      ComPtr<IVeyaLipsync> lipsync;
      hr = CreateLipsync(lipsync.ReleaseAndGetAddressOf(), m_reader, size, consumed);
      Keep(m_parts.lipsyncs, offset, lipsync);
    } else {
      ComPtr<IVeyaBlink> blink;
      hr = CreateBlink(blink.ReleaseAndGetAddressOf(), m_reader, size, consumed);
      Keep(m_parts.blinks, offset, blink);
    }
    return hr;
  }

  const ToolDevice& m_device;
  IFileReader* m_reader;
  std::vector<IVeyaCollisionGroup*> m_groups;
  SceneParts m_parts;
};

// The ordering rules of the chunk sequence: counts before their objects, no
// more objects than counted, one count per kind, groups before collision
// layers, one lip-sync and one blink.
class OrderRules {
 public:
  // An empty message when the chunk may stand here.
  std::string Check(const std::string& tag, const Bytes& bytes, size_t payload, DWORD size) {
    auto count = kCountOf.find(tag);
    if (count != kCountOf.end()) return CheckCount(count->second, bytes, payload, size);
    if (tag == "LIPS" || tag == "BLNK") {
      return m_seen[tag]++ > 0 ? "a second " + tag + " chunk" : std::string();
    }
    if (tag == "CGRP" && m_seen["CLAY"] > 0) return "a collision group after the first CLAY";
    auto capacity = m_capacity.find(tag);
    if (capacity == m_capacity.end()) return "an object chunk before its count chunk";
    if (m_seen[tag]++ >= capacity->second) {
      return "more " + tag + " chunks than the count " + std::to_string(capacity->second);
    }
    return {};
  }
  // Objects of this kind accepted so far: the table position of the next
  // one, and in the end the size of the loader's table.
  WORD Accepted(const std::string& tag) { return WORD(m_seen[tag]); }

 private:
  std::string CheckCount(const std::string& object, const Bytes& bytes, size_t payload,
                         DWORD size) {
    if (size != 2) return "a count chunk of " + std::to_string(size) + " bytes instead of 2";
    if (m_capacity.count(object) != 0) return "a second count chunk of its kind";
    m_capacity[object] = unsigned(bytes[payload]) | unsigned(bytes[payload + 1]) << 8;
    return {};
  }

  std::map<std::string, unsigned> m_capacity;
  std::map<std::string, unsigned> m_seen;
};

class Walker {
 public:
  Walker(const ToolDevice& device, const std::string& name, IFileReader* reader)
      : m_device(device), m_name(name), m_bytes(ReadSceneBytes(name)), m_payloads(device, reader) {}

  std::vector<ChunkProblem> Run(size_t* chunkCount) {
    if (CheckHeader()) WalkChunks();
    *chunkCount = m_chunkCount;
    SceneParts& parts = m_payloads.Parts();
    parts.layerCount = m_order.Accepted("LYER");
    parts.surfaceCount = m_order.Accepted("SURF");
    parts.motionCount = m_order.Accepted("MOTI");
    CheckReferences(parts, [this](uint64_t offset, const std::string& tag,
                                  const std::string& what) { Report(offset, tag, what); });
    std::stable_sort(
        m_problems.begin(), m_problems.end(),
        [](const ChunkProblem& a, const ChunkProblem& b) { return a.offset < b.offset; });
    CheckLoad();
    return m_problems;
  }

 private:
  void Report(uint64_t offset, const std::string& tag, const std::string& message) {
    m_problems.push_back({offset, tag, message});
  }

  bool CheckHeader() {
    if (m_bytes.size() < kHeaderSize) {
      Report(0, "header",
             "the file has " + std::to_string(m_bytes.size()) +
                 " bytes, fewer than the 8-byte header");
      return false;
    }
    if (TagAt(m_bytes, 0) != "VMF4") {
      Report(0, "header", "the magic is \"" + TagAt(m_bytes, 0) + "\", not \"VMF4\"");
      return false;
    }
    m_end = kHeaderSize + uint64_t(U32At(m_bytes, 4));
    if (m_end > m_bytes.size()) {
      Report(4, "header",
             "total " + std::to_string(m_end - kHeaderSize) + " runs past the " +
                 std::to_string(m_bytes.size() - kHeaderSize) + " bytes of chunk data");
    } else if (m_end < m_bytes.size()) {
      Report(m_end, "header",
             std::to_string(m_bytes.size() - m_end) +
                 " bytes after the chunk data that total counts are ignored");
    }
    return true;
  }

  void WalkChunks() {
    const uint64_t end = std::min<uint64_t>(m_end, m_bytes.size());
    uint64_t at = kHeaderSize;
    while (at < end) {
      if (end - at < 8) {
        Report(at, "chunk",
               "a chunk header cut short after " + std::to_string(end - at) + " bytes");
        return;
      }
      const std::string tag = TagAt(m_bytes, size_t(at));
      const DWORD size = U32At(m_bytes, size_t(at) + 4);
      ++m_chunkCount;
      if (size > end - at - 8) {
        Report(at, tag,
               "a payload of " + std::to_string(size) + " bytes runs past the data (" +
                   std::to_string(end - at - 8) + " left)");
        return;
      }
      CheckChunk(at, tag, size);
      at += 8 + uint64_t(size);
    }
  }

  void CheckChunk(uint64_t at, const std::string& tag, DWORD size) {
    const bool isCount = kCountOf.count(tag) != 0;
    if (!isCount && !IsObjectTag(tag)) return;  // unknown chunks are skipped by design
    const WORD index = m_order.Accepted(tag);
    std::string message = m_order.Check(tag, m_bytes, size_t(at) + 8, size);
    if (message.empty() && !isCount) message = m_payloads.Check(tag, at, size, index);
    if (!message.empty()) Report(at, tag, message);
  }

  void CheckLoad() {
    try {
      LoadToolScene(m_device, m_name);
    } catch (const Failure& failure) {
      Report(0, "scene", failure.what());
    }
  }

  const ToolDevice& m_device;
  std::string m_name;
  Bytes m_bytes;
  PayloadChecker m_payloads;
  OrderRules m_order;
  uint64_t m_end = 0;
  size_t m_chunkCount = 0;
  std::vector<ChunkProblem> m_problems;
};

}  // namespace

std::vector<ChunkProblem> CheckScene(const ToolDevice& device, const std::string& name,
                                     size_t* chunkCount) {
  ComPtr<IPackManager> manager;
  HRESULT hr = CreatePackManager(manager.ReleaseAndGetAddressOf());
  if (FAILED(hr)) throw Failure("the resource factory failed: " + ResultText(hr));
  ComPtr<IFileReader> reader;
  hr = manager->OpenFileReader(reader.ReleaseAndGetAddressOf(), name.c_str(), kReaderCapacity);
  if (FAILED(hr)) throw Failure("cannot open " + name + ": " + ResultText(hr));
  reader->SetAutoRefill(TRUE);
  Walker walker(device, name, reader.Get());
  return walker.Run(chunkCount);
}

}  // namespace scenetool
