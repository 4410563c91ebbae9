// Feeds arbitrary bytes to the "LYER" payload reader on a headless device and
// checks its promises: the consumed count stays within the payload and covers
// it on success, a failure leaves no object, every mesh's buffers back its
// counts and its triangles name only its own vertices, and what is written
// back reads again to the same bytes; editing the copy leaks nothing.

#include <cstdlib>

#include <d3d9.h>

#include "IVeyaLayer.h"
#include "fuzz/animation/TrackFuzzSupport.h"
#include "tests/support/HeadlessDevice.h"

namespace {

using tavorin::ComPtr;
using tavorin::fuzz::Check;

IDirect3DDevice9* Device() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
  static tavorin::test::HeadlessDevice device(16, 16);
  Check(device.Get() != nullptr);
  return device.Get();
}

void CheckMesh(const LayerMesh& mesh) {
  if (mesh.vertexCount == 0) {
    Check(mesh.vertexBuffer == nullptr && mesh.polygonCount == 0);
  } else {
    D3DVERTEXBUFFER_DESC desc{};
    Check(mesh.vertexBuffer != nullptr && SUCCEEDED(mesh.vertexBuffer->GetDesc(&desc)));
    Check(desc.Size == mesh.vertexCount * kLayerVertexSize);
  }
  if (mesh.polygonCount == 0) {
    Check(mesh.indexBuffer == nullptr);
    return;
  }
  D3DINDEXBUFFER_DESC desc{};
  Check(mesh.indexBuffer != nullptr && SUCCEEDED(mesh.indexBuffer->GetDesc(&desc)));
  Check(desc.Size == mesh.polygonCount * 6u && desc.Format == D3DFMT_INDEX16);
  void* data = nullptr;
  Check(SUCCEEDED(mesh.indexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)));
  const WORD* indices = static_cast<const WORD*>(data);
  for (UINT i = 0; i < mesh.polygonCount * 3u; ++i) Check(indices[i] < mesh.vertexCount);
  mesh.indexBuffer->Unlock();
}

void Exercise(IVeyaLayer* layer) {
  for (WORD i = 0; i < layer->GetMeshCount(); ++i) CheckMesh(*layer->GetMesh(i));
  Check(layer->GetMesh(layer->GetMeshCount()) == nullptr);
  for (WORD i = 0; i < layer->GetBoneCount(); ++i) {
    const char* name = layer->GetBone(i)->name;
    if (name != nullptr) Check(layer->FindBone(name) != nullptr);
  }
  layer->GetPolygonCount();
  FLOAT weight[3];
  for (INT frame : {INT(0x80000000), -100, 0, 7, 1000000}) {
    layer->SetFrame(frame);
    layer->IsVisible();
    layer->GetMorphTarget();
    layer->GetMorphWeight(weight);
  }
}

std::vector<BYTE> Rewrite(IVeyaLayer* layer) {
  return tavorin::fuzz::CheckedWrite(
      [&](IFileWriter* writer, DWORD* size) { Check(SUCCEEDED(layer->Serialize(writer, size))); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IDirect3DDevice9* device = Device();
  tavorin::fuzz::FuzzRun run = tavorin::fuzz::OpenRun(data, size);
  if (!run.reader) return 0;

  IVeyaLayer* raw = reinterpret_cast<IVeyaLayer*>(1);
  DWORD consumed = 0;
  const HRESULT hr = CreateLayer(&raw, 3, device, run.reader.Get(), run.length, &consumed);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(raw == nullptr);
    return 0;
  }
  Check(consumed == run.length);
  ComPtr<IVeyaLayer> layer(raw);
  Exercise(layer.Get());

  const std::vector<BYTE> bytes = Rewrite(layer.Get());
  IVeyaLayer* again = nullptr;
  DWORD againConsumed = 0;
  Check(CreateLayer(&again, 3, device, tavorin::fuzz::ReaderOver(bytes).Get(), DWORD(bytes.size()),
                    &againConsumed) == S_OK);
  Check(againConsumed == bytes.size());
  ComPtr<IVeyaLayer> copy(again);
  Check(Rewrite(copy.Get()) == bytes);

  // Editing gives every buffer and name back (the leak checker watches).
  const WORD meshes = copy->GetMeshCount();
  Check(copy->RemoveMesh(meshes) == E_INVALIDARG);
  if (meshes > 0) Check(copy->RemoveMesh(WORD(meshes / 2)) == S_OK);
  Check(copy->GetMeshCount() == WORD(meshes > 0 ? meshes - 1 : 0));
  if (copy->GetBoneCount() > 0) Check(copy->SetBoneName(0, "renamed") == S_OK);
  Check(copy->SetBoneCount(1) == S_OK && copy->SetMeshCount(1) == S_OK);
  return 0;
}
