// The surface object: a scene's material behind IVeyaSurface.
#pragma once

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaSurface.h"
#include "animation/SurfaceState.h"

class CVeyaSurface : public tavorin::ComObject<IVeyaSurface> {
 public:
  HRESULT Init(IFileReader* reader, IDirect3DDevice9* device, WORD index, DWORD length,
               DWORD* consumed);

  HRESULT Evaluate(LONG frame) override;
  WORD GetIndex() override { return m_state.index; }
  const char* GetName() override { return m_state.name.c_str(); }
  DWORD GetSurfaceType() override { return m_state.surfaceType; }
  DWORD GetBlendMode() override { return m_state.blendMode; }
  DWORD GetColorAnimated() override { return m_state.colorAnimated; }
  FLOAT GetColorRed() override { return m_state.red.base; }
  CurveTrack* GetColorRedTrack() override { return &m_state.red.track; }
  FLOAT GetColorGreen() override { return m_state.green.base; }
  CurveTrack* GetColorGreenTrack() override { return &m_state.green.track; }
  FLOAT GetColorBlue() override { return m_state.blue.base; }
  CurveTrack* GetColorBlueTrack() override { return &m_state.blue.track; }
  DWORD GetDiffuseAnimated() override { return m_state.diffuseAnimated; }
  FLOAT GetDiffuse() override { return m_state.diffuse.base; }
  CurveTrack* GetDiffuseTrack() override { return &m_state.diffuse.track; }
  DWORD GetExtraAnimated() override { return m_state.extraAnimated; }
  FLOAT GetExtraFactor() override { return m_state.extra.base; }
  CurveTrack* GetExtraTrack() override { return &m_state.extra.track; }
  DWORD GetEmissiveAnimated() override { return m_state.emissiveAnimated; }
  FLOAT GetEmissive() override { return m_state.emissive.base; }
  CurveTrack* GetEmissiveTrack() override { return &m_state.emissive.track; }
  DWORD GetSpecularAnimated() override { return m_state.specularAnimated; }
  FLOAT GetSpecular() override { return m_state.specular.base; }
  CurveTrack* GetSpecularTrack() override { return &m_state.specular.track; }
  DWORD GetPowerAnimated() override { return m_state.powerAnimated; }
  FLOAT GetPower() override { return m_state.power.base; }
  CurveTrack* GetPowerTrack() override { return &m_state.power.track; }
  BYTE GetDoubleSided() override { return m_state.doubleSided; }
  BYTE GetZEnable() override { return m_state.zEnable; }
  BYTE GetZWrite() override { return m_state.zWrite; }
  FLOAT GetEdgeSize() override { return m_state.edgeSize; }
  HRESULT GetEdgeColor(FLOAT color[4]) override;
  WORD GetTextureCount() override { return WORD(m_state.textures.size()); }
  const SurfaceTexture* GetTexture(WORD entry) override;
  WORD GetTextureIndex() override { return m_state.textureIndex; }
  WORD GetTextureAnimated() override { return m_state.textureIndexTrack.enabled; }
  IndexTrack* GetTextureIndexTrack() override { return &m_state.textureIndexTrack; }
  const SurfaceTexture* GetToonTexture() override;
  SurfaceRenderParameters* GetRenderParameters(SurfaceRenderParameters* out) override;
  SurfaceEdgeParameters* GetEdgeParameters(SurfaceEdgeParameters* out) override;

  HRESULT SetName(const char* name) override;
  HRESULT SetSurfaceType(DWORD type) override { return Store(m_state.surfaceType, type); }
  HRESULT SetBlendMode(DWORD mode) override { return Store(m_state.blendMode, mode); }
  HRESULT SetColorAnimated(DWORD animated) override {
    return Store(m_state.colorAnimated, animated);
  }
  HRESULT SetColorRed(FLOAT value) override { return StoreBase(m_state.red, value); }
  HRESULT SetColorGreen(FLOAT value) override { return StoreBase(m_state.green, value); }
  HRESULT SetColorBlue(FLOAT value) override { return StoreBase(m_state.blue, value); }
  HRESULT SetDiffuseAnimated(DWORD animated) override {
    return Store(m_state.diffuseAnimated, animated);
  }
  HRESULT SetDiffuse(FLOAT value) override { return StoreBase(m_state.diffuse, value); }
  HRESULT SetExtraAnimated(DWORD animated) override {
    return Store(m_state.extraAnimated, animated);
  }
  HRESULT SetExtraFactor(FLOAT value) override { return StoreBase(m_state.extra, value); }
  HRESULT SetEmissiveAnimated(DWORD animated) override {
    return Store(m_state.emissiveAnimated, animated);
  }
  HRESULT SetEmissive(FLOAT value) override { return StoreBase(m_state.emissive, value); }
  HRESULT SetSpecularAnimated(DWORD animated) override {
    return Store(m_state.specularAnimated, animated);
  }
  HRESULT SetSpecular(FLOAT value) override { return StoreBase(m_state.specular, value); }
  HRESULT SetPowerAnimated(DWORD animated) override {
    return Store(m_state.powerAnimated, animated);
  }
  HRESULT SetPower(FLOAT value) override { return StoreBase(m_state.power, value); }
  HRESULT SetDoubleSided(BYTE value) override { return Store(m_state.doubleSided, value); }
  HRESULT SetZEnable(BYTE value) override { return Store(m_state.zEnable, value); }
  HRESULT SetZWrite(BYTE value) override { return Store(m_state.zWrite, value); }
  HRESULT SetEdgeColor(FLOAT red, FLOAT green, FLOAT blue, FLOAT alpha) override;
  HRESULT SetEdgeSize(FLOAT size) override { return Store(m_state.edgeSize, size); }
  HRESULT AddTextureFromFile(const char* path) override;
  HRESULT SetTextureIndex(WORD index) override;
  HRESULT SetTextureAnimated(WORD animated) override;
  HRESULT SetToonTextureFromFile(const char* path) override;
  HRESULT RemoveTexture(WORD entry) override;
  HRESULT RemoveToonTexture() override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;

 private:
  template <class Field, class Value>
  static HRESULT Store(Field& field, Value value) {
    field = value;
    return S_OK;
  }
  static HRESULT StoreBase(SurfaceFactor& factor, FLOAT value) {
    factor.SetBase(value);
    return S_OK;
  }
  HRESULT LoadTexture(const char* path, std::unique_ptr<SurfaceTextureEntry>* out);

  tavorin::ComPtr<IDirect3DDevice9> m_device;
  SurfaceState m_state;
};
