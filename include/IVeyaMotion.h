// One joint of a scene's skeleton: a name, a rest pose, an optional parent
// and nine keyed transform channels evaluated into local, world and skin
// matrices.
#pragma once

#include <d3dx9math.h>
#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "KeyTracks.h"

DECLARE_INTERFACE_ID(IVeyaMotion, 0x4A39824C, 0xADDF, 0x4FBA, 0x83, 0x0C, 0x31, 0x53, 0x13, 0xDB,
                     0x5F, 0x2D);

// Matrices follow the D3DX conventions (row vectors, p × M, A × B applies A
// first); rotations are radians, X the pitch, Y the yaw, Z the roll. A
// motion takes no locks: use it from the thread that drives its scene.
// Operations taking or filling a vector or matrix answer E_POINTER for null.
struct IVeyaMotion : public IUnknown {
  virtual ~IVeyaMotion() = default;

  // Position in the scene's motion table.
  virtual WORD GetIndex() = 0;
  // The name, owned by the motion and valid until it changes; null if none.
  virtual const char* GetName() = 0;
  virtual HRESULT SetIndex(WORD index) = 0;
  // Copies `name`; E_OUTOFMEMORY keeps the old one, E_POINTER for null.
  virtual HRESULT SetName(const char* name) = 0;

  // Evaluates the channels at `frame` into the local matrix (pivot, scale,
  // rotation, translation, with the offsets and factor applied). With a
  // linked motion, evaluates that one instead and takes its local matrix
  // moved by the difference of the rest positions. Allocates nothing.
  virtual HRESULT Evaluate(INT frame) = 0;
  // As Evaluate, with each channel moved from its value at `from` towards
  // its value at `to` by step / steps (the value at `to` when steps is 0).
  virtual HRESULT EvaluateBlend(INT step, INT from, INT to, INT steps) = 0;
  // world = local × each ancestor's local matrix, parent first; skin =
  // inverse rest × world. Depends only on every motion having been
  // evaluated, not on the order motions update in. Allocates nothing.
  virtual HRESULT UpdateWorld() = 0;

  virtual HRESULT GetRestPosition(D3DXVECTOR3* out) = 0;
  virtual HRESULT GetRestDirection(D3DXVECTOR3* out) = 0;
  virtual HRESULT GetLocalMatrix(D3DXMATRIX* out) = 0;
  virtual HRESULT GetWorldMatrix(D3DXMATRIX* out) = 0;
  virtual HRESULT GetSkinMatrix(D3DXMATRIX* out) = 0;
  virtual HRESULT GetInverseRestMatrix(D3DXMATRIX* out) = 0;
  // Scaling × rotation × translation of the last channel values, without
  // pivot, offsets or factor.
  virtual HRESULT GetChannelMatrix(D3DXMATRIX* out) = 0;
  // The last evaluated channel values: the linked motion's when one is set.
  virtual HRESULT GetTranslation(D3DXVECTOR3* out) = 0;
  virtual HRESULT GetRotation(D3DXVECTOR3* out) = 0;
  virtual HRESULT GetScale(D3DXVECTOR3* out) = 0;
  // Store an offset (or factor) applied at evaluation; each is passed on to
  // the linked motion too.
  virtual HRESULT SetTranslationOffset(const D3DXVECTOR3* offset) = 0;
  virtual HRESULT SetRotationOffset(const D3DXVECTOR3* offset) = 0;
  virtual HRESULT SetScaleFactor(const D3DXVECTOR3* factor) = 0;
  virtual HRESULT GetTranslationOffset(D3DXVECTOR3* out) = 0;
  virtual HRESULT GetRotationOffset(D3DXVECTOR3* out) = 0;
  virtual HRESULT GetScaleFactor(D3DXVECTOR3* out) = 0;

  // The channels, for direct reading and editing; valid while the motion
  // lives. A channel without keys counts as 0 (translation, rotation) or 1
  // (scale).
  virtual CurveTrack* GetTrackTranslationX() = 0;
  virtual CurveTrack* GetTrackTranslationY() = 0;
  virtual CurveTrack* GetTrackTranslationZ() = 0;
  virtual CurveTrack* GetTrackRotationX() = 0;
  virtual CurveTrack* GetTrackRotationY() = 0;
  virtual CurveTrack* GetTrackRotationZ() = 0;
  virtual CurveTrack* GetTrackScaleX() = 0;
  virtual CurveTrack* GetTrackScaleY() = 0;
  virtual CurveTrack* GetTrackScaleZ() = 0;

  virtual HRESULT SetPivot(const D3DXVECTOR3* pivot) = 0;
  virtual HRESULT SetRestPosition(const D3DXVECTOR3* position) = 0;
  virtual HRESULT SetRestDirection(const D3DXVECTOR3* direction) = 0;
  // Holds a reference to `parent` (null: none) and takes its index as the
  // parent index. E_INVALIDARG when the motion would become its own
  // ancestor; the old parent is kept then.
  virtual HRESULT SetParent(IVeyaMotion* parent) = 0;
  virtual HRESULT SetInverseRestMatrix(const D3DXMATRIX* matrix) = 0;
  // Takes the animation of `motion` (null: own channels again), holding a
  // reference and handing it this motion's offsets and factor.
  // E_INVALIDARG when the links would lead back to this motion.
  virtual HRESULT SetLinkedMotion(IVeyaMotion* motion) = 0;
  // No reference added.
  virtual IVeyaMotion* GetLinkedMotion() = 0;
  // 0xFFFF for none.
  virtual WORD GetParentIndex() = 0;
  // No reference added.
  virtual IVeyaMotion* GetParent() = 0;
  // `in` transformed by the skin matrix.
  virtual HRESULT TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* in) = 0;

  // Every channel loses its keys; behaviours become repeat.
  virtual HRESULT ClearTracks() = 0;
  // Each channel becomes a copy of `source`'s, translation values moved by
  // (own rest position − source rest position). The first failing channel's
  // result is returned; channels before it are already replaced.
  virtual HRESULT CopyTracks(IVeyaMotion* source) = 0;
  // Pastes `source`'s channels (see PasteCurveTrack) with the same offsets
  // as CopyTracks. S_FALSE when all nine succeed, else the first failure.
  virtual HRESULT PasteTracks(IVeyaMotion* source, INT at, INT from, INT to, DWORD mode) = 0;
  // The "MOTI" payload; with a null writer only its size.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
  // The payload with each channel cut to its keys in [from, to] (rebased to
  // start at 0 when `rebase`); with a null writer only its size.
  virtual HRESULT SerializeRange(INT from, INT to, BOOL rebase, IFileWriter* writer,
                                 DWORD* size) = 0;
  // Reads a payload of `length` bytes and pastes its channels' keys in
  // [from, to] at `at` by `mode`; other sub-chunks are skipped. Reports the
  // bytes read in `*consumed`.
  virtual HRESULT PasteFromStream(INT at, INT from, INT to, DWORD mode, IFileReader* reader,
                                  DWORD length, DWORD* consumed) = 0;
};

// Makes a motion with the given table index; with a reader, reads the
// "MOTI" payload of `length` bytes from it and reports the bytes read in
// `*consumed` (on failure too). On failure `*out` is null: E_FAIL for a
// malformed payload, E_OUTOFMEMORY, E_POINTER.
HRESULT CreateMotion(IVeyaMotion** out, WORD index, IFileReader* reader, DWORD length,
                     DWORD* consumed);
