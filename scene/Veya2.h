// The character scene behind IVeya2.
#pragma once

#include <comobject.h>

#include "IVeya2.h"
#include "scene/SceneTable.h"

class SceneLoader;
class SceneWriter;
class SceneDrawer;

class CVeya2 : public tavorin::ComObject<IVeya2> {
 public:
  ~CVeya2() override;
  HRESULT Init(const char* fileName, IDirect3DDevice9* device, IVeyaShader* shader,
               IReadAccesser* stream);

  HRESULT GetBoundingBox(D3DXVECTOR3* min, D3DXVECTOR3* max) override;
  HRESULT SetPlayTime(INT time, INT start, INT end, DWORD loops) override;
  HRESULT SetBlendTime(INT time, INT from, INT to, INT length, DWORD loops) override;
  HRESULT SetBlendMode(DWORD mode) override;

  // Drawing lives in SceneDrawing.cpp.
  HRESULT DrawAll(DWORD materialArgument, DWORD edge) override;
  HRESULT DrawLayer(WORD layer, DWORD materialArgument, DWORD edge) override;
  HRESULT DrawLayerMorph2(WORD base, WORD target, const FLOAT* weight, DWORD materialArgument,
                          DWORD edge) override;
  HRESULT DrawLayerMorph4(WORD base, WORD layer1, const FLOAT* weight1, WORD layer2, WORD layer3,
                          const FLOAT* weight2, const FLOAT* weight3, DWORD materialArgument,
                          DWORD edge) override;
  HRESULT DrawJoints(const FLOAT* color) override;
  HRESULT DrawDepthAll(DWORD mode) override;
  HRESULT DrawLayerDepth(WORD layer, DWORD mode) override;
  HRESULT DrawLayerDepthMorph2(WORD base, WORD target, const FLOAT* weight, DWORD mode) override;
  HRESULT DrawLayerDepthMorph4(WORD base, WORD layer1, const FLOAT* weight1, WORD layer2,
                               WORD layer3, const FLOAT* weight2, const FLOAT* weight3,
                               DWORD mode) override;
  HRESULT DrawCollisionLayersAll() override;
  HRESULT DrawCollisionLayer(WORD layer) override;

  WORD GetLayerCount() override { return m_layers.Count(); }
  IVeyaLayer* GetLayer(WORD layer) override { return Hand(m_layers, layer); }
  HRESULT SwapLayers(WORD a, WORD b) override;
  HRESULT RemoveLayer(WORD layer) override;
  WORD GetMotionCount() override { return m_motions.Count(); }
  IVeyaMotion* GetMotion(WORD motion) override { return Hand(m_motions, motion); }
  WORD GetSurfaceCount() override { return m_surfaces.Count(); }
  WORD GetSurfacePolygonCount(WORD surface) override;
  IVeyaSurface* GetSurface(WORD surface) override { return Hand(m_surfaces, surface); }
  HRESULT RemoveSurface(WORD surface) override;
  WORD GetCameraCount() override { return m_cameras.Count(); }
  IVeyaCamera* GetCamera(WORD camera) override { return Hand(m_cameras, camera); }
  FLOAT GetCameraFov(WORD camera) override;
  HRESULT GetCameraView(WORD camera, D3DXVECTOR3* eye, D3DXVECTOR3* target, D3DXVECTOR3* up,
                        FLOAT distance) override;
  HRESULT AddCollisionLayerFromLayer(WORD layer) override;
  WORD GetCollisionLayerCount() override { return m_collisionLayers.Count(); }
  IVeyaCollisionLayer* GetCollisionLayer(WORD layer) override {
    return Hand(m_collisionLayers, layer);
  }
  HRESULT SwapCollisionLayers(WORD a, WORD b) override;
  HRESULT RemoveCollisionLayer(WORD layer) override;
  HRESULT UpdateCollisionLayersAll() override;
  HRESULT UpdateCollisionLayer(WORD layer) override;
  HRESULT BlendCollisionLayers(WORD a, WORD b, const D3DXVECTOR3* factor) override;
  WORD GetCollisionGroupCount() override { return m_collisionGroups.Count(); }
  IVeyaCollisionGroup* GetCollisionGroup(WORD group) override {
    return Hand(m_collisionGroups, group);
  }
  WORD GetCollisionGroupUseCount(WORD group) override;
  HRESULT RemoveCollisionGroup(WORD group) override;
  WORD HitTestCollisionLayer(WORD layer, D3DXVECTOR3* hit, WORD* mesh, WORD* polygon,
                             const D3DXVECTOR3* from, const D3DXVECTOR3* to, int rangeMode,
                             int pickMode) override;
  WORD HitTestCollisionLayerSphere(WORD layer, D3DXVECTOR3* nearest, float* distance, WORD* mesh,
                                   WORD* polygon, const D3DXVECTOR3* centre, float radius,
                                   BOOL firstHit) override;
  HRESULT CompareLayerParts(WORD a, WORD b) override;
  HRESULT CompareCollisionLayers(WORD a, WORD b) override;
  IVeyaBlink* GetBlink() override { return HandOne(m_blink); }
  IVeyaLipsync* GetLipsync() override { return HandOne(m_lipsync); }
  HRESULT Save(const char* fileName) override;

 private:
  friend class SceneLoader;
  friend class SceneWriter;
  friend class SceneDrawer;

  template <class Component>
  static Component* Hand(const tavorin::scene::SceneTable<Component>& table, WORD index) {
    return table.Contains(index) ? HandOne(table[index]) : nullptr;
  }
  template <class Component>
  static Component* HandOne(Component* component) {
    if (component != nullptr) component->AddRef();
    return component;
  }

  // Posing shared by both time operations once the motions are evaluated.
  void PoseAfterMotions(INT frame);
  // Removes every surface no mesh of any layer uses, renumbering meshes.
  HRESULT RemoveUnusedSurfaces();
  // Breaks the parent and link references among the motions, which may form
  // cycles the motions cannot free by themselves.
  void UnlinkMotions();

  IDirect3DDevice9* m_device = nullptr;
  IVeyaShader* m_shader = nullptr;
  D3DXVECTOR3 m_boxMin{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 m_boxMax{0.0f, 0.0f, 0.0f};
  tavorin::scene::SceneTable<IVeyaLayer> m_layers;
  tavorin::scene::SceneTable<IVeyaSurface> m_surfaces;
  tavorin::scene::SceneTable<IVeyaMotion> m_motions;
  tavorin::scene::SceneTable<IVeyaCamera> m_cameras;
  tavorin::scene::SceneTable<IVeyaLight> m_lights;
  tavorin::scene::SceneTable<IVeyaCollisionGroup> m_collisionGroups;
  tavorin::scene::SceneTable<IVeyaCollisionLayer> m_collisionLayers;
  IVeyaBlink* m_blink = nullptr;
  IVeyaLipsync* m_lipsync = nullptr;
};
