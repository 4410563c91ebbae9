// The layer object behind IVeyaLayer.
#pragma once

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaLayer.h"
#include "scene/LayerState.h"

class CVeyaLayer : public tavorin::ComObject<IVeyaLayer> {
 public:
  HRESULT Init(WORD index, IDirect3DDevice9* device, IFileReader* reader, DWORD length,
               DWORD* consumed);

  HRESULT SetMeshCount(WORD count) override { return m_state.meshes.Reset(count); }
  HRESULT SetBoneCount(WORD count) override { return m_state.bones.Reset(count); }
  HRESULT SetMotionLinkCount(WORD count) override { return m_state.links.Reset(count); }
  HRESULT SetFrame(INT frame) override;
  DWORD IsVisible() override;
  SHORT GetIndex() override { return m_state.index; }
  const char* GetName() override { return m_state.name.get(); }
  HRESULT GetBoundingBox(D3DXVECTOR3* min, D3DXVECTOR3* max) override;
  DWORD GetShow() override { return m_state.show; }
  DWORD GetVisibilityEnabled() override { return m_state.visibility.enabled; }
  StepTrack* GetVisibilityTrack() override { return &m_state.visibility; }
  DWORD GetDepthPrepass() override { return m_state.depthPrepass; }
  WORD GetMeshCount() override { return m_state.meshes.Count(); }
  LayerMesh* GetMesh(WORD index) override { return m_state.meshes.At(index); }
  WORD GetPolygonCount() override;
  WORD GetBoneCount() override { return m_state.bones.Count(); }
  LayerBone* FindBone(const char* name) override;
  LayerBone* GetBone(WORD index) override { return m_state.bones.At(index); }
  WORD GetMotionLinkCount() override { return m_state.links.Count(); }
  HRESULT GetMotionLink(WORD index, MotionLink* out) override;
  HRESULT GetMainMotionLink(MotionLink* out) override;
  DWORD GetMorphEnabled() override { return m_state.morphEnabled; }
  WORD GetMorphTarget() override;
  IndexTrack* GetMorphTargetTrack() override { return &m_state.morphTarget; }
  FLOAT GetMorphWeight(FLOAT* weight) override;
  ScalarTrack* GetMorphWeightTrack() override { return &m_state.morphWeight; }
  HRESULT SetName(const char* name) override;
  HRESULT SetBoundingBox(const D3DXVECTOR3* min, const D3DXVECTOR3* max) override;
  HRESULT SetShow(DWORD value) override;
  HRESULT SetVisibilityEnabled(DWORD value) override {
    return Store(m_state.visibility.enabled, value);
  }
  HRESULT SetDepthPrepass(DWORD value) override { return Store(m_state.depthPrepass, value); }
  HRESULT SetMainMotionIndex(SHORT motion) override {
    return Store(m_state.mainLink.motionIndex, motion);
  }
  HRESULT SetMainRegister(SHORT matrixRegister) override {
    return Store(m_state.mainLink.matrixRegister, matrixRegister);
  }
  HRESULT SetBoneName(WORD index, const char* name) override;
  HRESULT SetMotionLink(WORD index, MotionLink link) override;
  HRESULT SetMorphEnabled(DWORD value) override { return Store(m_state.morphEnabled, value); }
  HRESULT RemoveMesh(WORD index) override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;

 private:
  template <class Field, class Value>
  static HRESULT Store(Field& field, Value value) {
    field = value;
    return S_OK;
  }

  tavorin::scene::LayerState m_state;
};
