// The skeleton joint behind IVeyaMotion.
#pragma once

#include <memory>

#include <comobject.h>

#include "IVeyaMotion.h"

namespace tavorin::animation {
class RunReader;
}

class CVeyaMotion : public tavorin::ComObject<IVeyaMotion> {
 public:
  CVeyaMotion();
  HRESULT Init(WORD index, IFileReader* reader, DWORD length, DWORD* consumed);

  WORD GetIndex() override { return m_index; }
  const char* GetName() override { return m_name.get(); }
  HRESULT SetIndex(WORD index) override;
  HRESULT SetName(const char* name) override;
  HRESULT Evaluate(INT frame) override;
  HRESULT EvaluateBlend(INT step, INT from, INT to, INT steps) override;
  HRESULT UpdateWorld() override;
  HRESULT GetRestPosition(D3DXVECTOR3* out) override { return Get(out, m_restPosition); }
  HRESULT GetRestDirection(D3DXVECTOR3* out) override { return Get(out, m_restDirection); }
  HRESULT GetLocalMatrix(D3DXMATRIX* out) override { return Get(out, m_local); }
  HRESULT GetWorldMatrix(D3DXMATRIX* out) override { return Get(out, m_world); }
  HRESULT GetSkinMatrix(D3DXMATRIX* out) override { return Get(out, m_skin); }
  HRESULT GetInverseRestMatrix(D3DXMATRIX* out) override { return Get(out, m_inverseRest); }
  HRESULT GetChannelMatrix(D3DXMATRIX* out) override;
  HRESULT GetTranslation(D3DXVECTOR3* out) override;
  HRESULT GetRotation(D3DXVECTOR3* out) override;
  HRESULT GetScale(D3DXVECTOR3* out) override;
  HRESULT SetTranslationOffset(const D3DXVECTOR3* offset) override;
  HRESULT SetRotationOffset(const D3DXVECTOR3* offset) override;
  HRESULT SetScaleFactor(const D3DXVECTOR3* factor) override;
  HRESULT GetTranslationOffset(D3DXVECTOR3* out) override { return Get(out, m_translationOffset); }
  HRESULT GetRotationOffset(D3DXVECTOR3* out) override { return Get(out, m_rotationOffset); }
  HRESULT GetScaleFactor(D3DXVECTOR3* out) override { return Get(out, m_scaleFactor); }
  CurveTrack* GetTrackTranslationX() override { return &m_channels[kTranslationX]; }
  CurveTrack* GetTrackTranslationY() override { return &m_channels[kTranslationY]; }
  CurveTrack* GetTrackTranslationZ() override { return &m_channels[kTranslationZ]; }
  CurveTrack* GetTrackRotationX() override { return &m_channels[kRotationX]; }
  CurveTrack* GetTrackRotationY() override { return &m_channels[kRotationY]; }
  CurveTrack* GetTrackRotationZ() override { return &m_channels[kRotationZ]; }
  CurveTrack* GetTrackScaleX() override { return &m_channels[kScaleX]; }
  CurveTrack* GetTrackScaleY() override { return &m_channels[kScaleY]; }
  CurveTrack* GetTrackScaleZ() override { return &m_channels[kScaleZ]; }
  HRESULT SetPivot(const D3DXVECTOR3* pivot) override { return Set(&m_pivot, pivot); }
  HRESULT SetRestPosition(const D3DXVECTOR3* position) override {
    return Set(&m_restPosition, position);
  }
  HRESULT SetRestDirection(const D3DXVECTOR3* direction) override {
    return Set(&m_restDirection, direction);
  }
  HRESULT SetParent(IVeyaMotion* parent) override;
  HRESULT SetInverseRestMatrix(const D3DXMATRIX* matrix) override {
    return Set(&m_inverseRest, matrix);
  }
  HRESULT SetLinkedMotion(IVeyaMotion* motion) override;
  IVeyaMotion* GetLinkedMotion() override { return m_linked.Get(); }
  WORD GetParentIndex() override { return m_parentIndex; }
  IVeyaMotion* GetParent() override { return m_parent.Get(); }
  HRESULT TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* in) override;
  HRESULT ClearTracks() override;
  HRESULT CopyTracks(IVeyaMotion* source) override;
  HRESULT PasteTracks(IVeyaMotion* source, INT at, INT from, INT to, DWORD mode) override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;
  HRESULT SerializeRange(INT from, INT to, BOOL rebase, IFileWriter* writer, DWORD* size) override;
  HRESULT PasteFromStream(INT at, INT from, INT to, DWORD mode, IFileReader* reader, DWORD length,
                          DWORD* consumed) override;

  // Channel slots, in stored order.
  enum Channel {
    kTranslationX,
    kTranslationY,
    kTranslationZ,
    kRotationX,
    kRotationY,
    kRotationZ,
    kScaleX,
    kScaleY,
    kScaleZ,
    kChannelCount
  };

 private:
  template <class T>
  static HRESULT Get(T* out, const T& value) {
    if (out == nullptr) return E_POINTER;
    *out = value;
    return S_OK;
  }
  template <class T>
  static HRESULT Set(T* field, const T* value) {
    if (value == nullptr) return E_POINTER;
    *field = *value;
    return S_OK;
  }

  HRESULT ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed);
  HRESULT ReadName(tavorin::animation::RunReader& in, DWORD size);
  void BuildLocal();
  HRESULT TakeLinkedLocal();
  // Sets the nine channel values (translation, rotation, scale; x, y, z)
  // from `value(channel)` and rebuilds the local matrix.
  template <class Value>
  void SetChannels(Value value) {
    float* values[kChannelCount] = {&m_translation.x, &m_translation.y, &m_translation.z,
                                    &m_rotation.x,    &m_rotation.y,    &m_rotation.z,
                                    &m_scale.x,       &m_scale.y,       &m_scale.z};
    for (int i = 0; i < kChannelCount; ++i) *values[i] = value(i);
    BuildLocal();
  }
  static CurveTrack* Channel(IVeyaMotion* motion, int channel);
  // The value offset the channel `channel` of `source` takes when copied or
  // pasted here.
  float ChannelOffset(IVeyaMotion* source, int channel);

  WORD m_index = 0;
  std::unique_ptr<char[]> m_name;
  D3DXVECTOR3 m_restPosition{0, 0, 0};
  D3DXVECTOR3 m_restDirection{0, 0, 0};
  D3DXMATRIX m_local;
  D3DXMATRIX m_world;
  D3DXMATRIX m_skin;
  D3DXMATRIX m_inverseRest;
  CurveTrack m_channels[kChannelCount];
  D3DXVECTOR3 m_pivot{0, 0, 0};
  D3DXVECTOR3 m_translation{0, 0, 0};
  D3DXVECTOR3 m_rotation{0, 0, 0};
  D3DXVECTOR3 m_scale{1, 1, 1};
  D3DXVECTOR3 m_translationOffset{0, 0, 0};
  D3DXVECTOR3 m_rotationOffset{0, 0, 0};
  D3DXVECTOR3 m_scaleFactor{1, 1, 1};
  WORD m_parentIndex = 0xFFFF;
  tavorin::ComPtr<IVeyaMotion> m_parent;
  tavorin::ComPtr<IVeyaMotion> m_linked;
  D3DXMATRIX m_link;
};
