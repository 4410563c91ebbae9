// The three tables of a layer (meshes, bones, motion links): fixed-size
// arrays whose entries own what they point to.
#pragma once

#include <memory>
#include <new>

#include <d3d9.h>

#include "IVeyaLayer.h"

namespace tavorin::scene {

// An array of `Count()` entries made empty by `Policy::Empty` and given back
// by `Policy::Free`, so no entry's resources outlive the table.
template <class Entry, class Policy>
class LayerTable {
 public:
  LayerTable() = default;
  LayerTable(const LayerTable&) = delete;
  LayerTable& operator=(const LayerTable&) = delete;
  ~LayerTable() { Clear(); }

  // Frees every entry and allocates `count` empty ones. E_OUTOFMEMORY leaves
  // the table empty.
  HRESULT Reset(WORD count) {
    Clear();
    if (count == 0) return S_OK;
    m_entries.reset(new (std::nothrow) Entry[count]);
    if (!m_entries) return E_OUTOFMEMORY;
    for (WORD i = 0; i < count; ++i) m_entries[i] = Policy::Empty();
    m_count = count;
    return S_OK;
  }

  void Clear() {
    for (WORD i = 0; i < m_count; ++i) Policy::Free(m_entries[i]);
    m_entries.reset();
    m_count = 0;
  }

  // Frees one entry and moves the later ones down.
  void Remove(WORD index) {
    if (index >= m_count) return;
    Policy::Free(m_entries[index]);
    for (WORD i = index; i + 1 < m_count; ++i) m_entries[i] = m_entries[i + 1];
    --m_count;
  }

  WORD Count() const { return m_count; }
  Entry* At(WORD index) { return index < m_count ? &m_entries[index] : nullptr; }
  const Entry* At(WORD index) const { return index < m_count ? &m_entries[index] : nullptr; }

 private:
  std::unique_ptr<Entry[]> m_entries;
  WORD m_count = 0;
};

struct MeshPolicy {
  static LayerMesh Empty() { return LayerMesh{0, nullptr, 0, nullptr, 0}; }
  static void Free(LayerMesh& mesh) {
    if (mesh.vertexBuffer != nullptr) mesh.vertexBuffer->Release();
    if (mesh.indexBuffer != nullptr) mesh.indexBuffer->Release();
    mesh = Empty();
  }
};

struct BonePolicy {
  static LayerBone Empty() {
    return LayerBone{nullptr, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0), 0.0f, 0xFFFF};
  }
  static void Free(LayerBone& bone) {
    delete[] bone.name;
    bone = Empty();
  }
};

struct LinkPolicy {
  static MotionLink Empty() { return MotionLink{-1, 0}; }
  static void Free(MotionLink&) {}
};

using MeshTable = LayerTable<LayerMesh, MeshPolicy>;
using BoneTable = LayerTable<LayerBone, BonePolicy>;
using LinkTable = LayerTable<MotionLink, LinkPolicy>;

}  // namespace tavorin::scene
