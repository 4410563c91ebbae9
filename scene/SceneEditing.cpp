// Editing a scene: removing and swapping layers, surfaces, collision layers
// and collision groups, and making collision layers from layers.
#include <memory>
#include <new>

#include "scene/CollisionFromLayer.h"
#include "scene/Veya2.h"

using namespace tavorin::scene;

HRESULT CVeya2::SwapLayers(WORD a, WORD b) {
  if (!m_layers.Contains(a) || !m_layers.Contains(b)) return E_INVALIDARG;
  m_layers.Swap(a, b);
  return S_OK;
}

HRESULT CVeya2::SwapCollisionLayers(WORD a, WORD b) {
  if (!m_collisionLayers.Contains(a) || !m_collisionLayers.Contains(b)) return E_INVALIDARG;
  m_collisionLayers.Swap(a, b);
  return S_OK;
}

HRESULT CVeya2::RemoveLayer(WORD layer) {
  if (!m_layers.Contains(layer)) return E_INVALIDARG;
  m_layers.RemoveAt(layer);
  return RemoveUnusedSurfaces();
}

HRESULT CVeya2::RemoveUnusedSurfaces() {
  const WORD count = m_surfaces.Count();
  std::unique_ptr<bool[]> used(new (std::nothrow) bool[count == 0 ? 1 : count]());
  if (!used) return E_OUTOFMEMORY;
  for (WORD i = 0; i < m_layers.Count(); ++i) {
    IVeyaLayer* layer = m_layers[i];
    for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
      const WORD surface = layer->GetMesh(m)->surfaceIndex;
      if (surface < count) used[surface] = true;
    }
  }
  for (WORD s = count; s-- > 0;) {
    if (used[s]) continue;
    m_surfaces.RemoveAt(s);
    for (WORD i = 0; i < m_layers.Count(); ++i) {
      IVeyaLayer* layer = m_layers[i];
      for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
        LayerMesh* mesh = layer->GetMesh(m);
        // Only meshes above the removed surface move; none names it.
        if (mesh->surfaceIndex > s) --mesh->surfaceIndex;
      }
    }
  }
  return S_OK;
}

// Every layer is renumbered before any emptied layer goes: removing a layer
// sweeps the surfaces nothing uses, and that sweep must see every mesh's
// index already pointing at the shifted table, or it would take a surface
// that a mesh not yet renumbered still uses.
HRESULT CVeya2::RemoveSurface(WORD surface) {
  if (!m_surfaces.Contains(surface)) return E_INVALIDARG;
  m_surfaces.RemoveAt(surface);
  for (WORD i = m_layers.Count(); i-- > 0;) {
    IVeyaLayer* layer = m_layers[i];
    for (WORD m = layer->GetMeshCount(); m-- > 0;) {
      if (layer->GetMesh(m)->surfaceIndex == surface) layer->RemoveMesh(m);
    }
    for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
      LayerMesh* mesh = layer->GetMesh(m);
      if (mesh->surfaceIndex > surface) --mesh->surfaceIndex;
    }
  }
  for (WORD i = m_layers.Count(); i-- > 0;) {
    if (m_layers[i]->GetMeshCount() != 0) continue;
    HRESULT hr = RemoveLayer(i);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CVeya2::RemoveCollisionLayer(WORD layer) {
  if (!m_collisionLayers.Contains(layer)) return E_INVALIDARG;
  m_collisionLayers.RemoveAt(layer);
  const WORD count = m_collisionGroups.Count();
  std::unique_ptr<bool[]> used(new (std::nothrow) bool[count == 0 ? 1 : count]());
  if (!used) return E_OUTOFMEMORY;
  for (WORD i = 0; i < m_collisionLayers.Count(); ++i) {
    IVeyaCollisionLayer* remaining = m_collisionLayers[i];
    for (WORD m = 0; m < remaining->GetMeshCount(); ++m) {
      IVeyaCollisionGroup* group = remaining->GetMesh(m)->group;
      if (group != nullptr && group->GetIndex() < count) used[group->GetIndex()] = true;
    }
  }
  for (WORD g = count; g-- > 0;) {
    if (used[g]) continue;
    m_collisionGroups.RemoveAt(g);
    for (WORD moved = g; moved < m_collisionGroups.Count(); ++moved) {
      m_collisionGroups[moved]->SetIndex(moved);
    }
  }
  return S_OK;
}

// Meshes are matched by the group object itself rather than by index: after
// the renumbering a later group carries the removed index, and its meshes
// must stay.
HRESULT CVeya2::RemoveCollisionGroup(WORD group) {
  if (!m_collisionGroups.Contains(group)) return E_INVALIDARG;
  IVeyaCollisionGroup* removed = m_collisionGroups[group];
  removed->AddRef();
  m_collisionGroups.RemoveAt(group);
  for (WORD moved = group; moved < m_collisionGroups.Count(); ++moved) {
    m_collisionGroups[moved]->SetIndex(moved);
  }
  for (WORD i = 0; i < m_collisionLayers.Count(); ++i) {
    IVeyaCollisionLayer* layer = m_collisionLayers[i];
    for (WORD m = layer->GetMeshCount(); m-- > 0;) {
      if (layer->GetMesh(m)->group == removed) layer->RemoveMesh(m);
    }
  }
  removed->Release();
  return S_OK;
}

HRESULT CVeya2::AddCollisionLayerFromLayer(WORD layer) {
  if (!m_layers.Contains(layer)) return E_INVALIDARG;
  HRESULT hr = m_collisionLayers.Grow();
  if (FAILED(hr)) return hr;
  IVeyaCollisionLayer* built = nullptr;
  hr = BuildCollisionLayer(m_layers[layer], {m_surfaces, m_motions, m_collisionGroups}, &built);
  if (FAILED(hr)) return hr;
  *m_collisionLayers.NextSlot() = built;
  m_collisionLayers.CommitSlot();
  return S_OK;
}
