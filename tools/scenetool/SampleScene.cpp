#include "tools/scenetool/SampleScene.h"

#include <functional>

#include "IFileWriter.h"
#include "tools/scenetool/Failure.h"
#include "tools/scenetool/SampleParts.h"
#include "tools/scenetool/SceneSource.h"
#include "tools/scenetool/ScratchDirectory.h"

namespace scenetool {
namespace {

using Serializer = std::function<HRESULT(IFileWriter*, DWORD*)>;

// The chunks of a scene file in the order the scene's own writer uses, each
// payload written by its component.
class ChunkList {
 public:
  template <class Interface>
  void Add(const char* tag, const std::vector<ComPtr<Interface>>& components,
           const char* countTag) {
    const WORD count = WORD(components.size());
    m_chunks.push_back({countTag, [count](IFileWriter* writer, DWORD* size) {
                          *size = 2;
                          const BYTE bytes[2] = {BYTE(count), BYTE(count >> 8)};
                          return writer == nullptr || writer->Write(bytes, 2) == 2 ? S_OK : E_FAIL;
                        }});
    for (const ComPtr<Interface>& component : components) Add(tag, component.Get());
  }
  template <class Interface>
  void Add(const char* tag, Interface* component) {
    m_chunks.push_back({tag, [component](IFileWriter* writer, DWORD* size) {
                          return component->Serialize(writer, size);
                        }});
  }

  void Write(const std::string& path) const {
    DWORD total = 0;
    for (const Chunk& chunk : m_chunks) total += 8 + Size(chunk);
    ComPtr<IFileWriter> writer;
    HRESULT hr = CreateFileWriter(writer.ReleaseAndGetAddressOf(), path.c_str());
    if (FAILED(hr)) throw Failure("cannot write " + path + ": " + ResultText(hr));
    WriteHeader(writer.Get(), "VMF4", total);
    for (const Chunk& chunk : m_chunks) {
      DWORD size = Size(chunk);
      WriteHeader(writer.Get(), chunk.tag, size);
      hr = chunk.serialize(writer.Get(), &size);
      if (FAILED(hr)) throw Failure(std::string("writing a ") + chunk.tag + " chunk failed");
    }
    if (!writer->Flush()) throw Failure("cannot write " + path);
  }

 private:
  struct Chunk {
    const char* tag;
    Serializer serialize;
  };

  static DWORD Size(const Chunk& chunk) {
    DWORD size = 0;
    if (FAILED(chunk.serialize(nullptr, &size))) {
      throw Failure(std::string("sizing a ") + chunk.tag + " chunk failed");
    }
    return size;
  }

  static void WriteHeader(IFileWriter* writer, const char* tag, DWORD value) {
    const BYTE size[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    if (writer->Write(tag, 4) != 4 || writer->Write(size, 4) != 4) {
      throw Failure("writing the scene file failed");
    }
  }

  std::vector<Chunk> m_chunks;
};

// The parts the scene file holds directly; collision comes later, from the
// loaded scene's own layers.
void WriteParts(const ToolDevice& device, const std::filesystem::path& scratch,
                const std::string& path) {
  const std::vector<ComPtr<IVeyaLayer>> layers = MakeSampleLayers(device.Device());
  const std::vector<ComPtr<IVeyaMotion>> motions = MakeSampleMotions();
  const std::vector<ComPtr<IVeyaSurface>> surfaces = MakeSampleSurfaces(device.Device(), scratch);
  const std::vector<ComPtr<IVeyaCamera>> cameras = {MakeSampleCamera()};
  std::vector<ComPtr<IVeyaLight>> lights(1);
  if (FAILED(CreateLight(lights[0].ReleaseAndGetAddressOf()))) throw Failure("out of memory");
  const ComPtr<IVeyaLipsync> lipsync = MakeSampleLipsync();
  const ComPtr<IVeyaBlink> blink = MakeSampleBlink();
  ChunkList chunks;
  chunks.Add("LYER", layers, "LYRN");
  chunks.Add("MOTI", motions, "MOTN");
  chunks.Add("SURF", surfaces, "SRFN");
  chunks.Add("CAM ", cameras, "CAMN");
  chunks.Add("LIGT", lights, "LITN");
  chunks.Add("LIPS", lipsync.Get());
  chunks.Add("BLNK", blink.Get());
  chunks.Write(path);
}

// One collision layer per skinned layer, built by the scene itself so that
// its vertices follow the same motions, with a group per surface.
void AddCollision(IVeya2* scene) {
  const struct {
    WORD layer;
    const char* name;
  } kSkinned[] = {{kBody, "body-hits"}, {kHeadLayer, "head-hits"}};
  for (const auto& skinned : kSkinned) {
    const HRESULT hr = scene->AddCollisionLayerFromLayer(skinned.layer);
    if (FAILED(hr)) throw Failure("building a collision layer failed: " + ResultText(hr));
    ComPtr<IVeyaCollisionLayer> layer(
        scene->GetCollisionLayer(WORD(scene->GetCollisionLayerCount() - 1)));
    layer->SetName(skinned.name);
    layer->SetEnable(1);
  }
  // One-sided groups: a ray is stopped by the outside of the figure only,
  // never by the back of a face it started behind.
  for (WORD g = 0; g < scene->GetCollisionGroupCount(); ++g) {
    ComPtr<IVeyaCollisionGroup> group(scene->GetCollisionGroup(g));
    group->SetSide(1);
  }
}

}  // namespace

void MakeSampleScene(const ToolDevice& device, const std::string& path) {
  ScratchDirectory scratch;
  const std::string parts = scratch.File("parts.vmf");
  WriteParts(device, scratch.Path(), parts);
  ComPtr<IVeya2> scene;
  HRESULT hr = CreateVeya2(scene.ReleaseAndGetAddressOf(), parts.c_str(), device.Device(),
                           device.Shader(), nullptr);
  if (FAILED(hr)) throw Failure("the sample scene does not load back: " + ResultText(hr));
  AddCollision(scene.Get());
  const std::string temporary = path + ".tmp";
  hr = scene->Save(temporary.c_str());
  if (FAILED(hr)) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw Failure("cannot write " + path + ": " + ResultText(hr));
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    throw Failure("cannot write " + path + ": " + error.message());
  }
}

}  // namespace scenetool
