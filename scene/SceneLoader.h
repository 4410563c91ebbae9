// Reads a "VMF4" file into a scene under construction.
#pragma once

#include "scene/Veya2.h"

class SceneLoader {
 public:
  SceneLoader(CVeya2& scene, IFileReader* reader) : m_scene(scene), m_reader(reader) {}

  // Reads the header and every chunk. E_FAIL for a malformed file; a
  // component's error as it comes.
  HRESULT ReadChunks();
  // The steps once every chunk is in: the missing single objects, motion
  // parents, the checks of every index between components, collision bones,
  // the bounding box.
  HRESULT Finish();
  // SceneReferences.cpp: E_FAIL at the first index a component holds into
  // another table that names nothing there. Save asks it too, so that no
  // file is written that the loader would refuse.
  HRESULT CheckReferences();

 private:
  HRESULT ReadChunk(DWORD tag, DWORD size);
  template <class Component>
  HRESULT ReadCount(tavorin::scene::SceneTable<Component>& table, DWORD size);
  template <class Component, class Create>
  HRESULT ReadObject(tavorin::scene::SceneTable<Component>& table, DWORD size, Create create);
  template <class Component, class Create>
  HRESULT ReadSingle(Component** slot, DWORD size, Create create);
  HRESULT Skip(DWORD size);
  HRESULT LinkParents();
  void ComputeBoundingBox();

  HRESULT CheckLayer(IVeyaLayer* layer);
  HRESULT CheckMorphPairs();

  CVeya2& m_scene;
  IFileReader* m_reader;
  DWORD m_position = 0;
  DWORD m_total = 0;
  bool m_collisionLayerSeen = false;
};
