// The surface: the material a scene draws its meshes with (colour, lighting
// factors, textures, depth flags and outline), animated by keyed tracks.
#pragma once

#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "KeyTracks.h"

struct IDirect3DDevice9;
struct IDirect3DTexture9;

DECLARE_INTERFACE_ID(IVeyaSurface, 0xC0D34C1E, 0xF043, 0x4A31, 0xA0, 0x91, 0x74, 0x3B, 0xB0, 0xB1,
                     0xDE, 0x55);

// One texture entry of a surface. Both pointers belong to the surface and stay
// valid until the entry is removed or the surface is destroyed.
struct SurfaceTexture {
  const char* name;            // file name with extension, or the stored name; never null
  IDirect3DTexture9* texture;  // no reference is added for the reader of this record
};

// What a mesh is drawn with, handed to the scene's shading service.
struct SurfaceRenderParameters {
  DWORD surfaceType;
  DWORD blendMode;
  FLOAT red;  // colour × diffuse factor
  FLOAT green;
  FLOAT blue;
  FLOAT extra;
  FLOAT emissive;
  FLOAT specular;
  FLOAT power;
  FLOAT reserved;                  // always 0
  IDirect3DTexture9* texture;      // null when the effective index names no entry
  IDirect3DTexture9* toonTexture;  // null when there is none
  DWORD doubleSided;
  DWORD zEnable;
  DWORD zWrite;
};

// What the outline pass of a mesh is drawn with.
struct SurfaceEdgeParameters {
  FLOAT red;
  FLOAT green;
  FLOAT blue;
  FLOAT alpha;
  FLOAT edgeSize;  // 0 means no outline
  DWORD zEnable;
  DWORD zWrite;
};

// Groups ("colour", "diffuse", …) have a base value and a current value that
// Evaluate computes from the group's track while the group's animated flag is
// exactly 1; the render parameters read the current value whenever the flag
// is non-zero. Setting a base value (and reading a payload) also sets the
// current value, so a group reads sensibly before its first Evaluate. Setters
// store their value and return S_OK. Getters of tracks and texture entries
// return pointers owned by the surface, valid while it lives. Used from the
// thread that owns the device; nothing locks.
struct IVeyaSurface : public IUnknown {
  virtual ~IVeyaSurface() = default;

  // Brings the current values up to the frame. Returns the texture-index
  // track's result: S_OK, or 0x00040001 at or past its last key.
  virtual HRESULT Evaluate(LONG frame) = 0;
  // The surface's position in its scene's table.
  virtual WORD GetIndex() = 0;
  // The name; "" when none was given. Owned by the surface.
  virtual const char* GetName() = 0;
  // The shading type handed to the shading service (4: toon shading).
  virtual DWORD GetSurfaceType() = 0;
  // One of the scene's blend modes 0…6.
  virtual DWORD GetBlendMode() = 0;
  virtual DWORD GetColorAnimated() = 0;
  virtual FLOAT GetColorRed() = 0;
  virtual CurveTrack* GetColorRedTrack() = 0;
  virtual FLOAT GetColorGreen() = 0;
  virtual CurveTrack* GetColorGreenTrack() = 0;
  virtual FLOAT GetColorBlue() = 0;
  virtual CurveTrack* GetColorBlueTrack() = 0;
  virtual DWORD GetDiffuseAnimated() = 0;
  virtual FLOAT GetDiffuse() = 0;
  virtual CurveTrack* GetDiffuseTrack() = 0;
  // The extra factor is kept in memory only; scene files do not store it.
  virtual DWORD GetExtraAnimated() = 0;
  virtual FLOAT GetExtraFactor() = 0;
  virtual CurveTrack* GetExtraTrack() = 0;
  virtual DWORD GetEmissiveAnimated() = 0;
  virtual FLOAT GetEmissive() = 0;
  virtual CurveTrack* GetEmissiveTrack() = 0;
  virtual DWORD GetSpecularAnimated() = 0;
  virtual FLOAT GetSpecular() = 0;
  virtual CurveTrack* GetSpecularTrack() = 0;
  virtual DWORD GetPowerAnimated() = 0;
  // The base power, used as it is. The power track holds a normalised value
  // that Evaluate maps onto 4…4096.
  virtual FLOAT GetPower() = 0;
  virtual CurveTrack* GetPowerTrack() = 0;
  virtual BYTE GetDoubleSided() = 0;
  virtual BYTE GetZEnable() = 0;
  virtual BYTE GetZWrite() = 0;
  virtual FLOAT GetEdgeSize() = 0;
  // Copies red, green, blue and alpha into color[0…3]; E_POINTER for null.
  virtual HRESULT GetEdgeColor(FLOAT color[4]) = 0;
  virtual WORD GetTextureCount() = 0;
  // The entry, or null when `entry` is not below the count.
  virtual const SurfaceTexture* GetTexture(WORD entry) = 0;
  // The entry used while the texture-index track is disabled (0xFFFF: none).
  virtual WORD GetTextureIndex() = 0;
  // The texture-index track's enable value.
  virtual WORD GetTextureAnimated() = 0;
  virtual IndexTrack* GetTextureIndexTrack() = 0;
  // The toon texture entry, or null.
  virtual const SurfaceTexture* GetToonTexture() = 0;
  // Fills `*out` from the current state and returns `out` (null stays null).
  virtual SurfaceRenderParameters* GetRenderParameters(SurfaceRenderParameters* out) = 0;
  // Fills `*out` and returns `out` (null stays null).
  virtual SurfaceEdgeParameters* GetEdgeParameters(SurfaceEdgeParameters* out) = 0;
  // Copies `name` (null clears it). E_OUTOFMEMORY keeps the old name.
  virtual HRESULT SetName(const char* name) = 0;
  virtual HRESULT SetSurfaceType(DWORD type) = 0;
  virtual HRESULT SetBlendMode(DWORD mode) = 0;
  virtual HRESULT SetColorAnimated(DWORD animated) = 0;
  virtual HRESULT SetColorRed(FLOAT value) = 0;
  virtual HRESULT SetColorGreen(FLOAT value) = 0;
  virtual HRESULT SetColorBlue(FLOAT value) = 0;
  virtual HRESULT SetDiffuseAnimated(DWORD animated) = 0;
  virtual HRESULT SetDiffuse(FLOAT value) = 0;
  virtual HRESULT SetExtraAnimated(DWORD animated) = 0;
  virtual HRESULT SetExtraFactor(FLOAT value) = 0;
  virtual HRESULT SetEmissiveAnimated(DWORD animated) = 0;
  virtual HRESULT SetEmissive(FLOAT value) = 0;
  virtual HRESULT SetSpecularAnimated(DWORD animated) = 0;
  virtual HRESULT SetSpecular(FLOAT value) = 0;
  virtual HRESULT SetPowerAnimated(DWORD animated) = 0;
  virtual HRESULT SetPower(FLOAT value) = 0;
  virtual HRESULT SetDoubleSided(BYTE value) = 0;
  virtual HRESULT SetZEnable(BYTE value) = 0;
  virtual HRESULT SetZWrite(BYTE value) = 0;
  virtual HRESULT SetEdgeColor(FLOAT red, FLOAT green, FLOAT blue, FLOAT alpha) = 0;
  virtual HRESULT SetEdgeSize(FLOAT size) = 0;
  // Loads an image file (its size rounded up to powers of two, one level) and
  // appends it as a new entry named after the file. D3DX's error when the
  // file cannot be loaded; E_FAIL when the table already holds 65,535
  // entries; nothing is appended on failure.
  virtual HRESULT AddTextureFromFile(const char* path) = 0;
  // Sets the texture index and the texture-index track's default to `index`.
  virtual HRESULT SetTextureIndex(WORD index) = 0;
  // Enables or disables the texture-index track; the texture index becomes
  // the track's default.
  virtual HRESULT SetTextureAnimated(WORD animated) = 0;
  // Loads an image file as the toon texture, replacing any previous one. On
  // failure the surface has no toon texture.
  virtual HRESULT SetToonTextureFromFile(const char* path) = 0;
  // Removes an entry and moves the later ones down; an entry at or beyond the
  // count is ignored. The texture index and its track are left as they are.
  virtual HRESULT RemoveTexture(WORD entry) = 0;
  virtual HRESULT RemoveToonTexture() = 0;
  // Writes the "SURF" payload, or with a null writer only computes its size.
  // `*size` receives the bytes written (or the size); the first failing
  // texture or track ends writing with its error.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a surface holding a reference to `device` and, when `reader` is
// given, reads a "SURF" payload of `length` bytes from it (the reader refills
// by itself). `*consumed` (may be null) receives the bytes read, which never
// exceed `length`. E_INVALIDARG without a device, E_FAIL for a malformed
// payload, E_OUTOFMEMORY (also when the payload's textures, squared up with
// their mip chains, would take more than 128 MiB in all), or the device's
// error; `*out` is null then.
HRESULT CreateSurface(IVeyaSurface** out, IFileReader* reader, IDirect3DDevice9* device, WORD index,
                      DWORD length, DWORD* consumed);
