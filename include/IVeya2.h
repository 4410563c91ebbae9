// One animated character scene: the owner of every component loaded from a
// "VMF4" file, posed by frame, drawn through a shading service, hit-tested,
// edited and saved back in the same format.
#pragma once

#include <d3dx9math.h>
#include <windows.h>

#include "IReadAccesser.h"
#include "IVeyaBlink.h"
#include "IVeyaCamera.h"
#include "IVeyaCollisionGroup.h"
#include "IVeyaCollisionLayer.h"
#include "IVeyaLayer.h"
#include "IVeyaLight.h"
#include "IVeyaLipsync.h"
#include "IVeyaMotion.h"
#include "IVeyaShader.h"
#include "IVeyaSurface.h"
#include "ResultCodes.h"

struct IDirect3DDevice9;

DECLARE_INTERFACE_ID(IVeya2, 0xDE83F260, 0xEFCA, 0x4086, 0x83, 0xD0, 0xCF, 0xDF, 0xAF, 0x96, 0xDD,
                     0x7A);

// Components refer to each other by 16-bit table indices (0xFFFF: none).
// Index arguments are checked against the table's count: operations that
// return a result answer E_INVALIDARG, object getters null, numeric getters
// 0, 0.0 or 0xFFFF. Getters of components add a reference the caller
// releases. A scene takes no locks: use it from the thread that owns the
// Direct3D device.
struct IVeya2 : public IUnknown {
  virtual ~IVeya2() = default;

  // Copies the box of all layers as computed at load; later edits do not
  // change it. E_POINTER for a null output.
  virtual HRESULT GetBoundingBox(D3DXVECTOR3* min, D3DXVECTOR3* max) = 0;
  // Poses every component at the frame `time` maps to in the range from
  // `start` to `end` (a reverse range when start > end), repeating the range
  // `loops` times (0: endlessly). S_OK; S_WRAPPED when playing endlessly
  // and past the end at least once; S_FINISHED (at `end`) once the loops are
  // used up. Allocates nothing.
  virtual HRESULT SetPlayTime(INT time, INT start, INT end, DWORD loops) = 0;
  // Poses the motions blended from frame `from` toward frame `to` by
  // (time mod length) / length, the other components at `from`. A length
  // below 1 counts as 1. Results as SetPlayTime (S_WRAPPED with loops 0,
  // even on the first pass).
  virtual HRESULT SetBlendTime(INT time, INT from, INT to, INT length, DWORD loops) = 0;
  // Sets the device's source and destination blend factors for one of the
  // modes 0-6 (alpha, additive, multiply, inverse, screen, ...); any other
  // mode changes nothing. S_OK.
  virtual HRESULT SetBlendMode(DWORD mode) = 0;

  // Draws every visible layer in table order (DrawLayer); the first failure
  // ends drawing and is returned. `materialArgument` reaches the shading
  // service's SetMaterial unchanged; a non-zero `edge` adds outline passes.
  virtual HRESULT DrawAll(DWORD materialArgument, DWORD edge) = 0;
  // Draws one layer, as a morph when the lip-sync, the blink or the layer's
  // own morph target says so (a morph target layer itself draws nothing).
  // Render states it changes are restored before it returns.
  virtual HRESULT DrawLayer(WORD layer, DWORD materialArgument, DWORD edge) = 0;
  // Draws `base` morphed toward `target` by `weight` (three floats, one per
  // axis). E_FAIL, with no device state changed, when the layers' meshes do
  // not match in count and vertex counts.
  virtual HRESULT DrawLayerMorph2(WORD base, WORD target, const FLOAT* weight,
                                  DWORD materialArgument, DWORD edge) = 0;
  // Draws `base` morphed toward three layers with their weights (three
  // floats each). E_FAIL as DrawLayerMorph2 when the four layers differ.
  virtual HRESULT DrawLayerMorph4(WORD base, WORD layer1, const FLOAT* weight1, WORD layer2,
                                  WORD layer3, const FLOAT* weight2, const FLOAT* weight3,
                                  DWORD materialArgument, DWORD edge) = 0;
  // Draws a marker for every bound bone of every shown layer in `color`
  // (red, green, blue, alpha). S_OK.
  virtual HRESULT DrawJoints(const FLOAT* color) = 0;
  // Draws every visible layer whose depth pre-pass flag is set into depth
  // only; mode 1 adds the outlines. The first failure ends drawing.
  virtual HRESULT DrawDepthAll(DWORD mode) = 0;
  // Depth-only variants of DrawLayer, DrawLayerMorph2 and DrawLayerMorph4.
  virtual HRESULT DrawLayerDepth(WORD layer, DWORD mode) = 0;
  virtual HRESULT DrawLayerDepthMorph2(WORD base, WORD target, const FLOAT* weight, DWORD mode) = 0;
  virtual HRESULT DrawLayerDepthMorph4(WORD base, WORD layer1, const FLOAT* weight1, WORD layer2,
                                       WORD layer3, const FLOAT* weight2, const FLOAT* weight3,
                                       DWORD mode) = 0;

  virtual WORD GetLayerCount() = 0;
  virtual IVeyaLayer* GetLayer(WORD layer) = 0;
  // Exchanges two layers; references to them by index are not renumbered.
  virtual HRESULT SwapLayers(WORD a, WORD b) = 0;
  // Removes a layer, then every surface no remaining mesh uses, renumbering
  // the meshes' surface indices. E_OUTOFMEMORY leaves the layer removed and
  // the surfaces in place.
  virtual HRESULT RemoveLayer(WORD layer) = 0;
  virtual WORD GetMotionCount() = 0;
  virtual IVeyaMotion* GetMotion(WORD motion) = 0;
  virtual WORD GetSurfaceCount() = 0;
  // Over all layers, the polygons of each layer's first mesh drawn with
  // `surface`, summed in 16 bits.
  virtual WORD GetSurfacePolygonCount(WORD surface) = 0;
  virtual IVeyaSurface* GetSurface(WORD surface) = 0;
  // Removes a surface and every mesh drawn with it, renumbering the other
  // meshes; a layer left without meshes is removed as RemoveLayer does.
  virtual HRESULT RemoveSurface(WORD surface) = 0;
  virtual WORD GetCameraCount() = 0;
  virtual IVeyaCamera* GetCamera(WORD camera) = 0;
  // The camera's vertical field of view in radians.
  virtual FLOAT GetCameraFov(WORD camera) = 0;
  // The camera's eye, the point `distance` ahead along its motion's +Z and
  // its up direction (+Y), from its motion's skin matrix as last posed.
  // E_INVALIDARG, outputs untouched, when the camera or its motion index is
  // out of range; E_POINTER for a null output.
  virtual HRESULT GetCameraView(WORD camera, D3DXVECTOR3* eye, D3DXVECTOR3* target, D3DXVECTOR3* up,
                                FLOAT distance) = 0;
  // Appends a collision layer built from the layer's meshes, skinned to the
  // same motions, adding one collision group per surface not yet converted.
  // E_INVALIDARG, nothing added, when `layer` is out of range.
  virtual HRESULT AddCollisionLayerFromLayer(WORD layer) = 0;
  virtual WORD GetCollisionLayerCount() = 0;
  virtual IVeyaCollisionLayer* GetCollisionLayer(WORD layer) = 0;
  // Exchanges two collision layers.
  virtual HRESULT SwapCollisionLayers(WORD a, WORD b) = 0;
  // Removes a collision layer, then every collision group no remaining
  // collision mesh uses, telling the moved groups their new indices.
  virtual HRESULT RemoveCollisionLayer(WORD layer) = 0;
  // Draws the triangles of every enabled collision layer. S_OK.
  virtual HRESULT DrawCollisionLayersAll() = 0;
  // Draws the posed triangles of one collision layer in its groups' colours.
  virtual HRESULT DrawCollisionLayer(WORD layer) = 0;
  // Poses every enabled collision layer from the motions as last posed. S_OK.
  virtual HRESULT UpdateCollisionLayersAll() = 0;
  // Poses one collision layer, enabled or not.
  virtual HRESULT UpdateCollisionLayer(WORD layer) = 0;
  // Poses collision layer `a` between its own rest positions and those of
  // `b` by `factor` per axis (IVeyaCollisionLayer::UpdateBlend).
  virtual HRESULT BlendCollisionLayers(WORD a, WORD b, const D3DXVECTOR3* factor) = 0;
  virtual WORD GetCollisionGroupCount() = 0;
  virtual IVeyaCollisionGroup* GetCollisionGroup(WORD group) = 0;
  // The polygons of every collision mesh in `group`, summed in 16 bits.
  virtual WORD GetCollisionGroupUseCount(WORD group) = 0;
  // Removes a group, renumbering the later ones, and every collision mesh
  // that belonged to it.
  virtual HRESULT RemoveCollisionGroup(WORD group) = 0;
  // IVeyaCollisionLayer::HitTest on one collision layer; 0xFFFF when
  // `layer` is out of range or nothing is hit.
  virtual WORD HitTestCollisionLayer(WORD layer, D3DXVECTOR3* hit, WORD* mesh, WORD* polygon,
                                     const D3DXVECTOR3* from, const D3DXVECTOR3* to, int rangeMode,
                                     int pickMode) = 0;
  // IVeyaCollisionLayer::HitTestSphere on one collision layer; 0xFFFF when
  // `layer` is out of range or nothing is in reach.
  virtual WORD HitTestCollisionLayerSphere(WORD layer, D3DXVECTOR3* nearest, float* distance,
                                           WORD* mesh, WORD* polygon, const D3DXVECTOR3* centre,
                                           float radius, BOOL firstHit) = 0;
  // S_OK when both layers have as many meshes and mesh by mesh as many
  // vertices (they can be drawn as a morph), else E_FAIL.
  virtual HRESULT CompareLayerParts(WORD a, WORD b) = 0;
  // S_OK when both collision layers have as many vertices and meshes and
  // mesh by mesh as many polygons (they can be blended), else E_FAIL.
  virtual HRESULT CompareCollisionLayers(WORD a, WORD b) = 0;
  virtual IVeyaBlink* GetBlink() = 0;
  virtual IVeyaLipsync* GetLipsync() = 0;
  // Writes the scene as a "VMF4" file. A component's Serialize error or the
  // writer's ends writing (the file is left as far as it got); E_FAIL when
  // the bytes written do not add up to the header's total.
  virtual HRESULT Save(const char* fileName) = 0;
};

// Makes a scene drawn on `device` through `shader` (one reference held to
// each for the scene's life) from the "VMF4" data of `stream` or, when
// `stream` is null, of the file `fileName`. On failure `*out` is null and
// nothing is kept: E_INVALIDARG without a device or shader or without any
// source, the reader's error for a file that cannot be opened, E_FAIL for a
// malformed file (wrong magic, chunks out of order or past the data, an index
// naming no component), a component's own error, E_OUTOFMEMORY.
HRESULT CreateVeya2(IVeya2** out, const char* fileName, IDirect3DDevice9* device,
                    IVeyaShader* shader, IReadAccesser* stream);
