// Scenes for the scene tests, assembled in code: components made and edited
// through their own interfaces, their payloads taken from Serialize, and the
// "VMF4" framing around them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <comobject.h>
#include <gtest/gtest.h>

#include "IVeya2.h"
#include "support/HeadlessDevice.h"
#include "support/TempDir.h"

namespace tavorin::test {

using ByteVector = std::vector<uint8_t>;

// A shading service that does nothing; the scene needs one to exist.
ComPtr<IVeyaShader> MakeQuietShader();

// A "VMF4" file built chunk by chunk.
class SceneFile {
 public:
  explicit SceneFile(const TempDir& dir) : m_dir(dir) {}
  SceneFile& Chunk(const char* tag, const ByteVector& payload);
  // A count chunk; `size` other than 2 makes a malformed one.
  SceneFile& Count(const char* tag, WORD count, DWORD size = 2);
  // An object chunk holding what `component` serializes.
  template <class Interface>
  SceneFile& Object(const char* tag, Interface* component);
  // The header with the true total, or with `total`, and every chunk.
  ByteVector Build() const;
  ByteVector Build(DWORD total) const;

 private:
  const TempDir& m_dir;
  ByteVector m_body;
};

// What `serialize` writes through a file writer, checked against the size
// it reports without one.
ByteVector SerializedPayload(const TempDir& dir,
                             const std::function<HRESULT(IFileWriter*, DWORD*)>& serialize);

template <class Interface>
SceneFile& SceneFile::Object(const char* tag, Interface* component) {
  return Chunk(tag, SerializedPayload(m_dir, [component](IFileWriter* writer, DWORD* size) {
                 return component->Serialize(writer, size);
               }));
}

// A vertex at `position` skinned by registers and weights.
LayerVertex MakeVertex(float x, float y, float z, std::vector<float> registers = {0, 0, 0, 0},
                       std::vector<float> weights = {1, 0, 0, 0});

struct MeshSpec {
  std::vector<LayerVertex> vertices;
  std::vector<WORD> indices;  // three per triangle
  WORD surface;
};

// A layer made in memory: meshes with device buffers, a main link and more
// links. `box` sets the bounding box (min then max) when given.
ComPtr<IVeyaLayer> MakeLayer(IDirect3DDevice9* device, WORD index, const char* name,
                             const std::vector<MeshSpec>& meshes, MotionLink main = {-1, 0},
                             const std::vector<MotionLink>& links = {},
                             const std::vector<float>& box = {});
// A quad (two triangles, four vertices) or a mesh of `count` vertices in a
// fan, drawn with `surface`.
MeshSpec FanMesh(WORD count, WORD surface, float x = 0.0f);

// A motion whose translation X equals the frame times `slope`, with parent
// index `parent` (0xFFFF: none) stored.
ComPtr<IVeyaMotion> MakeMotion(WORD index, WORD parent = 0xFFFF, float slope = 1.0f,
                               const char* name = nullptr);
ComPtr<IVeyaSurface> MakeSurface(IDirect3DDevice9* device, WORD index, const char* name);
ComPtr<IVeyaCamera> MakeCamera(SHORT motion, const char* name = "camera");

// A scene of every kind of component: 2 layers (3 + 1 meshes), 3 motions
// with parents in both directions, 2 surfaces, a camera on motion 1, a light,
// 2 collision groups, one collision layer skinned to motions 0 and 2, a
// fixed lip-sync on layers 0/1 and a blink.
ByteVector SampleScene(const TempDir& dir, IDirect3DDevice9* device);

// Loads `bytes` as a scene file; null on failure, with the result in `*hr`.
ComPtr<IVeya2> LoadSceneBytes(const TempDir& dir, const ByteVector& bytes, IDirect3DDevice9* device,
                              IVeyaShader* shader, HRESULT* hr = nullptr,
                              const std::string& name = "scene.vmf");
// Saves `scene` and returns the file's bytes.
ByteVector SavedBytes(const TempDir& dir, IVeya2* scene, const std::string& name = "saved.vmf");

}  // namespace tavorin::test
