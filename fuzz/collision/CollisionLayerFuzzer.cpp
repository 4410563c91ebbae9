// Feeds arbitrary bytes to the "CLAY" payload reader, then poses, queries,
// binds, rewrites and edits what it accepted.
#include <cmath>

#include "IVeyaCollisionLayer.h"
#include "fuzz/animation/TrackFuzzSupport.h"

using tavorin::ComPtr;
using namespace tavorin::fuzz;

namespace {

constexpr WORD kGroupCount = 3;
constexpr WORD kMotionCount = 8;

struct Tables {
  ComPtr<IVeyaCollisionGroup> groups[kGroupCount];
  IVeyaCollisionGroup* groupTable[kGroupCount];
  ComPtr<IVeyaMotion> motions[kMotionCount];
  IVeyaMotion* motionTable[kMotionCount];

  Tables() {
    for (WORD i = 0; i < kGroupCount; ++i) {
      CreateCollisionGroup(groups[i].ReleaseAndGetAddressOf(), i, i, nullptr, 0, nullptr);
      groups[i]->SetSide(BYTE(i & 1));
      groupTable[i] = groups[i].Get();
    }
    for (WORD i = 0; i < kMotionCount; ++i) {
      CreateMotion(motions[i].ReleaseAndGetAddressOf(), i, nullptr, 0, nullptr);
      D3DXMATRIX skin;
      D3DXMatrixTranslation(&skin, float(i), float(i) * 0.5f, 0);
      motions[i]->SetInverseRestMatrix(&skin);
      motions[i]->UpdateWorld();
      motionTable[i] = motions[i].Get();
    }
  }
};

Tables& SharedTables() {
  static Tables tables;
  return tables;
}

std::vector<BYTE> Written(IVeyaCollisionLayer* layer) {
  return CheckedWrite([&](IFileWriter* writer, DWORD* out) { layer->Serialize(writer, out); });
}

void Query(IVeyaCollisionLayer* layer) {
  const D3DXVECTOR3 points[] = {{0, 0, 0}, {1, 2, 3}, {-5, 0.5f, 1}, {0, 0, 1e30f}};
  for (const D3DXVECTOR3& from : points) {
    for (const D3DXVECTOR3& to : points) {
      for (int mode = 0; mode < 3; ++mode) {
        D3DXVECTOR3 hit;
        WORD mesh = 0, polygon = WORD(mode);
        const WORD group = layer->HitTest(&hit, &mesh, &polygon, &from, &to, mode, mode);
        Check(group == 0xFFFF || mesh < layer->GetMeshCount());
        float distance = 0;
        mesh = 0;
        const WORD near = layer->HitTestSphere(&hit, &distance, &mesh, &polygon, &from,
                                               float(mode) * 2.5f, mode == 1);
        Check(near == 0xFFFF || (mesh < layer->GetMeshCount() && !(distance > mode * 2.5f)));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Tables& tables = SharedTables();
  FuzzRun run = OpenRun(data, size);
  if (!run.reader) return 0;
  IVeyaCollisionLayer* raw = nullptr;
  DWORD consumed = 0;
  const HRESULT hr = CreateCollisionLayer(&raw, run.reader.Get(), run.length, &consumed,
                                          tables.groupTable, kGroupCount);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(raw == nullptr);
    return 0;
  }
  Check(consumed == run.length);
  ComPtr<IVeyaCollisionLayer> layer(raw);
  layer->Update();
  Query(layer.Get());

  const std::vector<BYTE> bytes = Written(layer.Get());
  IVeyaCollisionLayer* again = nullptr;
  DWORD againConsumed = 0;
  Check(CreateCollisionLayer(&again, ReaderOver(bytes).Get(), DWORD(bytes.size()), &againConsumed,
                             tables.groupTable, kGroupCount) == S_OK);
  ComPtr<IVeyaCollisionLayer> copy(again);
  Check(againConsumed == bytes.size());
  Check(Written(copy.Get()) == bytes);

  // Binding by the stored indices writes the same indices back.
  const HRESULT bound = copy->BindBones(tables.motionTable, kMotionCount);
  Check(bound == S_OK || bound == E_FAIL);
  if (bound == S_OK) Check(Written(copy.Get()) == bytes);
  const D3DXVECTOR3 factor(0.5f, -1.0f, 2.0f);
  Check(copy->UpdateBlend(layer.Get(), &factor) == S_OK);
  Query(copy.Get());
  copy->RemoveMesh(0);
  Query(copy.Get());
  return 0;
}
