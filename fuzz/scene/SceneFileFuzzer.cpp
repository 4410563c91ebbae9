// Feeds arbitrary bytes to the scene loader as a whole "VMF4" file on a
// headless device. A refused file leaves no scene; an accepted one is posed,
// queried, hit-tested, converted and edited without reading outside any
// table, and what it saves loads again and saves to the same bytes.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <d3d9.h>

#include "IVeya2.h"
#include "fuzz/animation/TrackFuzzSupport.h"
#include "tests/support/HeadlessDevice.h"

namespace {

using tavorin::ComPtr;
using tavorin::fuzz::Check;

class QuietShader : public tavorin::ComObject<IVeyaShader> {
 public:
  HRESULT Init() { return S_OK; }
  HRESULT Begin(DWORD, DWORD) override { return S_OK; }
  HRESULT BeginEdge(DWORD) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetMaterial(const SurfaceRenderParameters*, DWORD) override { return S_OK; }
  HRESULT SetMatrix(SHORT, const D3DXMATRIX*) override { return S_OK; }
  HRESULT SetMorphWeights(const FLOAT*, const FLOAT*, const FLOAT*) override { return S_OK; }
  HRESULT SetEdge(FLOAT, const SurfaceEdgeParameters*) override { return S_OK; }
};

IDirect3DDevice9* Device() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
  static tavorin::test::HeadlessDevice device(16, 16);
  Check(device.Get() != nullptr);
  return device.Get();
}

IVeyaShader* Shader() {
  static IVeyaShader* shader = [] {
    IVeyaShader* made = nullptr;
    Check(SUCCEEDED(tavorin::CreateComObject<QuietShader>(&made)));
    return made;
  }();
  return shader;
}

std::string ScratchFile(const char* kind) {
  return "/tmp/scene-fuzz-" + std::to_string(getpid()) + "-" + kind + ".vmf";
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Pose(IVeya2* scene) {
  for (INT time : {INT(0x80000000), -7, 0, 3, 1000, 0x7FFFFFFF}) {
    scene->SetPlayTime(time, 0, 30, 0);
    scene->SetPlayTime(time, 30, -5, 2);
    scene->SetBlendTime(time, 0, 10, time % 5, 1);
  }
  scene->UpdateCollisionLayersAll();
}

void Query(IVeya2* scene) {
  D3DXVECTOR3 a, b, c;
  for (WORD i = 0; i <= scene->GetCameraCount(); ++i) scene->GetCameraView(i, &a, &b, &c, 1.0f);
  for (WORD i = 0; i <= scene->GetSurfaceCount(); ++i) scene->GetSurfacePolygonCount(i);
  for (WORD i = 0; i <= scene->GetCollisionGroupCount(); ++i) scene->GetCollisionGroupUseCount(i);
  const D3DXVECTOR3 from(0.1f, 0.2f, 50.0f), to(0.1f, 0.2f, -50.0f);
  for (WORD i = 0; i <= scene->GetCollisionLayerCount(); ++i) {
    WORD mesh = 0, polygon = 0;
    float distance = 0;
    const WORD group = scene->HitTestCollisionLayer(i, &a, &mesh, &polygon, &from, &to, 2, 0);
    Check(group == 0xFFFF || group < scene->GetCollisionGroupCount());
    mesh = polygon = 0;
    scene->HitTestCollisionLayerSphere(i, &a, &distance, &mesh, &polygon, &from, 60.0f, FALSE);
    scene->CompareCollisionLayers(0, i);
  }
  for (WORD i = 0; i <= scene->GetLayerCount(); ++i) scene->CompareLayerParts(0, i);
}

void Edit(IVeya2* scene) {
  for (WORD i = 0; i < scene->GetLayerCount() && i < 4; ++i) scene->AddCollisionLayerFromLayer(i);
  Query(scene);
  if (scene->GetSurfaceCount() > 0) scene->RemoveSurface(0);
  if (scene->GetCollisionGroupCount() > 0) scene->RemoveCollisionGroup(0);
  if (scene->GetCollisionLayerCount() > 0) scene->RemoveCollisionLayer(0);
  if (scene->GetLayerCount() > 1) scene->SwapLayers(0, 1);
  if (scene->GetLayerCount() > 0) scene->RemoveLayer(scene->GetLayerCount() - 1);
  Pose(scene);
  Query(scene);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavorin::fuzz;
  ComPtr<IReadAccesser> stream;
  if (FAILED(tavorin::CreateComObject<MemoryStream>(stream.ReleaseAndGetAddressOf(), data, size))) {
    return 0;
  }
  IVeya2* raw = nullptr;
  const HRESULT hr = CreateVeya2(&raw, nullptr, Device(), Shader(), stream.Get());
  if (FAILED(hr)) {
    Check(raw == nullptr);
    return 0;
  }
  ComPtr<IVeya2> scene(raw);
  Pose(scene.Get());
  Query(scene.Get());

  const std::string first = ScratchFile("first"), second = ScratchFile("second");
  if (scene->Save(first.c_str()) == S_OK) {
    IVeya2* again = nullptr;
    Check(CreateVeya2(&again, first.c_str(), Device(), Shader(), nullptr) == S_OK);
    ComPtr<IVeya2> copy(again);
    Check(copy->Save(second.c_str()) == S_OK);
    Check(Contents(first) == Contents(second));
    Edit(copy.Get());
    copy->Save(second.c_str());
  }
  Edit(scene.Get());
  std::remove(first.c_str());
  std::remove(second.c_str());
  return 0;
}
