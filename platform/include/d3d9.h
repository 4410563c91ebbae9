// Direct3D 9 on the CPU: the interfaces, in the SDK's method order, of the
// subset the library implements. A software device renders into memory and
// presents into the window's SDL surface. Unless said otherwise every call
// answers D3DERR_INVALIDCALL for a null out-pointer or an out-of-range
// argument, and objects of one device are used from one thread at a time.
#pragma once

#include <windows.h>

#include "d3d9caps.h"
#include "d3d9types.h"

#define D3D_SDK_VERSION 32

#define _FACD3D 0x876
#define MAKE_D3DHRESULT(code) MAKE_HRESULT(1, _FACD3D, code)
#define MAKE_D3DSTATUS(code) MAKE_HRESULT(0, _FACD3D, code)

#define D3D_OK S_OK
#define D3DERR_WRONGTEXTUREFORMAT MAKE_D3DHRESULT(2072)
#define D3DERR_UNSUPPORTEDCOLOROPERATION MAKE_D3DHRESULT(2073)
#define D3DERR_UNSUPPORTEDCOLORARG MAKE_D3DHRESULT(2074)
#define D3DERR_UNSUPPORTEDALPHAOPERATION MAKE_D3DHRESULT(2075)
#define D3DERR_UNSUPPORTEDALPHAARG MAKE_D3DHRESULT(2076)
#define D3DERR_TOOMANYOPERATIONS MAKE_D3DHRESULT(2077)
#define D3DERR_CONFLICTINGTEXTUREFILTER MAKE_D3DHRESULT(2078)
#define D3DERR_UNSUPPORTEDFACTORVALUE MAKE_D3DHRESULT(2079)
#define D3DERR_CONFLICTINGRENDERSTATE MAKE_D3DHRESULT(2081)
#define D3DERR_UNSUPPORTEDTEXTUREFILTER MAKE_D3DHRESULT(2082)
#define D3DERR_DRIVERINTERNALERROR MAKE_D3DHRESULT(2087)
#define D3DERR_NOTFOUND MAKE_D3DHRESULT(2150)
#define D3DERR_MOREDATA MAKE_D3DHRESULT(2151)
#define D3DERR_DEVICELOST MAKE_D3DHRESULT(2152)
#define D3DERR_DEVICENOTRESET MAKE_D3DHRESULT(2153)
#define D3DERR_NOTAVAILABLE MAKE_D3DHRESULT(2154)
#define D3DERR_OUTOFVIDEOMEMORY MAKE_D3DHRESULT(380)
#define D3DERR_INVALIDDEVICE MAKE_D3DHRESULT(2155)
#define D3DERR_INVALIDCALL MAKE_D3DHRESULT(2156)
#define D3DERR_WASSTILLDRAWING MAKE_D3DHRESULT(540)

DECLARE_INTERFACE_ID(IDirect3D9, 0x81bdcbca, 0x64d4, 0x426d, 0xae, 0x8d, 0xad, 0x01, 0x47, 0xf4,
                     0x27, 0x5c);
DECLARE_INTERFACE_ID(IDirect3DDevice9, 0xd0223b96, 0xbf7a, 0x43fd, 0x92, 0xbd, 0xa4, 0x3b, 0x0d,
                     0x82, 0xb9, 0xeb);
DECLARE_INTERFACE_ID(IDirect3DResource9, 0x05eec05d, 0x8f7d, 0x4362, 0xb9, 0x99, 0xd1, 0xba, 0xf3,
                     0x57, 0xc7, 0x04);
DECLARE_INTERFACE_ID(IDirect3DBaseTexture9, 0x580ca87e, 0x1d3c, 0x4d54, 0x99, 0x1d, 0xb7, 0xd3,
                     0xe3, 0xc2, 0x98, 0xce);
DECLARE_INTERFACE_ID(IDirect3DTexture9, 0x85c31227, 0x3de5, 0x4f00, 0x9b, 0x3a, 0xf1, 0x1a, 0xc3,
                     0x8c, 0x18, 0xb5);
DECLARE_INTERFACE_ID(IDirect3DSurface9, 0x0cfbaf3a, 0x9ff6, 0x429a, 0x99, 0xb3, 0xa2, 0x79, 0x6a,
                     0xf8, 0xb8, 0x9b);
DECLARE_INTERFACE_ID(IDirect3DVertexBuffer9, 0xb64bb1b5, 0xfd70, 0x4df6, 0xbf, 0x91, 0x19, 0xd0,
                     0xa1, 0x24, 0x55, 0xe3);
DECLARE_INTERFACE_ID(IDirect3DIndexBuffer9, 0x7c9dd65e, 0xd3f7, 0x4529, 0xac, 0xee, 0x78, 0x58,
                     0x30, 0xac, 0xde, 0x35);
DECLARE_INTERFACE_ID(IDirect3DVertexShader9, 0xefc5557e, 0x6265, 0x4613, 0x8a, 0x94, 0x43, 0x85,
                     0x78, 0x89, 0xeb, 0x36);
DECLARE_INTERFACE_ID(IDirect3DPixelShader9, 0x6d3bdbdc, 0x5b02, 0x4415, 0xb8, 0x52, 0xce, 0x5e,
                     0x8b, 0xcc, 0xb2, 0x89);

struct IDirect3DDevice9;

// The root object: one adapter (the desktop) with one CPU device type.
struct IDirect3D9 : public IUnknown {
  // Always 1.
  virtual UINT STDMETHODCALLTYPE GetAdapterCount() = 0;
  // The desktop mode from SDL, or 800 × 600 X8R8G8B8 at 60 Hz without a
  // display.
  virtual HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
  // S_OK when a windowed device can render `backBufferFormat` (X8R8G8B8 or
  // A8R8G8B8) over a desktop in `adapterFormat`; D3DERR_NOTAVAILABLE else.
  virtual HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType,
                                                    D3DFORMAT adapterFormat,
                                                    D3DFORMAT backBufferFormat, BOOL windowed) = 0;
  // The device renders single-sampled only: NONE answers S_OK with one
  // quality level, any other count D3DERR_NOTAVAILABLE. `qualityLevels` may
  // be null.
  virtual HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType,
                                                               D3DFORMAT surfaceFormat,
                                                               BOOL windowed,
                                                               D3DMULTISAMPLE_TYPE multiSampleType,
                                                               DWORD* qualityLevels) = 0;
  // What the CPU device implements (see platform_test_d3d9.h for the texture
  // caps tests may restrict).
  virtual HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType,
                                                  D3DCAPS9* caps) = 0;
  // A windowed device on `focusWindow` (or the parameters' device window).
  // Zero back-buffer sizes take the window's client size. The parameters
  // are updated with the values chosen. On failure *device is null.
  virtual HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE deviceType,
                                                 HWND focusWindow, DWORD behaviorFlags,
                                                 D3DPRESENT_PARAMETERS* presentationParameters,
                                                 IDirect3DDevice9** device) = 0;
};
typedef IDirect3D9* LPDIRECT3D9;

// Anything the device owns memory for.
struct IDirect3DResource9 : public IUnknown {
  // The owning device, AddRef'd.
  virtual HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) = 0;
  // Stores a priority for managed resources and returns the previous one.
  virtual DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) = 0;
  virtual DWORD STDMETHODCALLTYPE GetPriority() = 0;
  virtual D3DRESOURCETYPE STDMETHODCALLTYPE GetType() = 0;
};

struct IDirect3DBaseTexture9 : public IDirect3DResource9 {
  virtual DWORD STDMETHODCALLTYPE GetLevelCount() = 0;
};

struct IDirect3DSurface9;

// A 2-D texture of A8R8G8B8 or X8R8G8B8 texels with a chain of levels.
struct IDirect3DTexture9 : public IDirect3DBaseTexture9 {
  virtual HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  // The surface of one level, AddRef'd; it keeps the texture alive.
  virtual HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
  // Gives the address of the rectangle (the whole level when `rect` is null)
  // and the distance between rows in bytes. A level is locked once at a
  // time; a second lock, or a rectangle outside the level, is
  // D3DERR_INVALIDCALL, as is locking a default-pool texture that is not
  // D3DUSAGE_DYNAMIC.
  virtual HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* lockedRect,
                                             const RECT* rect, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) = 0;
};
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;

// A texture level, the back buffer or an offscreen plain surface.
struct IDirect3DSurface9 : public IDirect3DResource9 {
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) = 0;
  // As IDirect3DTexture9::LockRect for this one surface.
  virtual HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect,
                                             DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnlockRect() = 0;
};
typedef IDirect3DSurface9* LPDIRECT3DSURFACE9;

struct IDirect3DVertexBuffer9 : public IDirect3DResource9 {
  // The address of `sizeToLock` bytes from `offsetToLock` (0, 0: the whole
  // buffer). Contents persist across locks. Locks may nest; drawing from a
  // locked buffer is allowed as on Windows for dynamic buffers.
  virtual HRESULT STDMETHODCALLTYPE Lock(UINT offsetToLock, UINT sizeToLock, void** data,
                                         DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unlock() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};
typedef IDirect3DVertexBuffer9* LPDIRECT3DVERTEXBUFFER9;

struct IDirect3DIndexBuffer9 : public IDirect3DResource9 {
  // As IDirect3DVertexBuffer9::Lock.
  virtual HRESULT STDMETHODCALLTYPE Lock(UINT offsetToLock, UINT sizeToLock, void** data,
                                         DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unlock() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};
typedef IDirect3DIndexBuffer9* LPDIRECT3DINDEXBUFFER9;

// Programmable stages are C++ callables (d3d9_shader_ext.h creates them).
struct IDirect3DVertexShader9 : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) = 0;
};
struct IDirect3DPixelShader9 : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) = 0;
};

// The software device. Drawing happens at the call; there is no queue, so
// nothing is ever "still drawing".
struct IDirect3DDevice9 : public IUnknown {
  // Always S_OK: a memory device is never lost.
  virtual HRESULT STDMETHODCALLTYPE TestCooperativeLevel() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** direct3D) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) = 0;
  // Re-creates the back buffer and depth buffer with the new parameters
  // (zero sizes: the window's client size) and returns every state to its
  // default. Managed and system-memory resources survive; while any
  // default-pool texture, buffer or offscreen surface lives, Reset is
  // D3DERR_INVALIDCALL (release them first, as on Windows). The parameters
  // are updated.
  virtual HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* presentationParameters) = 0;
  // Copies the back buffer into the window (or `destWindowOverride`), scaled
  // to its size; the rectangles and region must be null. Without a live
  // window the frame is still kept for platform_test read-back.
  virtual HRESULT STDMETHODCALLTYPE Present(const RECT* sourceRect, const RECT* destRect,
                                            HWND destWindowOverride, const void* dirtyRegion) = 0;
  // The back buffer (swap chain 0, index 0), AddRef'd.
  virtual HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT backBuffer,
                                                  D3DBACKBUFFER_TYPE type,
                                                  IDirect3DSurface9** surface) = 0;
  // A texture of A8R8G8B8 or X8R8G8B8 texels; levels 0 means the full chain
  // down to 1 × 1. `sharedHandle` must be null. New texels are zero.
  virtual HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                                  D3DFORMAT format, D3DPOOL pool,
                                                  IDirect3DTexture9** texture,
                                                  HANDLE* sharedHandle) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf,
                                                       D3DPOOL pool,
                                                       IDirect3DVertexBuffer9** vertexBuffer,
                                                       HANDLE* sharedHandle) = 0;
  // `format` is D3DFMT_INDEX16 or D3DFMT_INDEX32.
  virtual HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                      D3DPOOL pool,
                                                      IDirect3DIndexBuffer9** indexBuffer,
                                                      HANDLE* sharedHandle) = 0;
  // Copies the back buffer into a SYSTEMMEM surface of the same size and format.
  virtual HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* renderTarget,
                                                        IDirect3DSurface9* destSurface) = 0;
  // A lockable surface in D3DPOOL_SYSTEMMEM or D3DPOOL_SCRATCH.
  virtual HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height,
                                                                D3DFORMAT format, D3DPOOL pool,
                                                                IDirect3DSurface9** surface,
                                                                HANDLE* sharedHandle) = 0;
  // Brackets the draws of a frame; nesting, or ending without beginning, is
  // D3DERR_INVALIDCALL.
  virtual HRESULT STDMETHODCALLTYPE BeginScene() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndScene() = 0;
  // Fills the rectangles (all of the viewport when `count` is 0 and `rects`
  // null) of the back buffer with `color` and/or the depth buffer with `z`
  // (0..1).
  virtual HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT* rects, DWORD flags,
                                          D3DCOLOR color, float z, DWORD stencil) = 0;
  // World, view and projection (and texture matrices, stored only).
  virtual HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state,
                                                 const D3DMATRIX* matrix) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state,
                                                 D3DMATRIX* matrix) = 0;
  // The viewport must lie inside the back buffer.
  virtual HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* viewport) = 0;
  // Every render state is stored and read back; the ones the rasteriser
  // honours are listed in the device's caps.
  virtual HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  // The texture of a stage (0..7), AddRef'd, or null.
  virtual HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
  // Binds (and holds a reference to) a texture of this device, or unbinds
  // with null.
  virtual HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                         DWORD* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                         DWORD value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                                    DWORD* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                                    DWORD value) = 0;
  // Draws from stream 0 (with the FVF) or from streams 0..3 (with a vertex
  // shader). Vertices outside the bound buffers are D3DERR_INVALIDCALL and
  // nothing is drawn.
  virtual HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                                                  UINT primitiveCount) = 0;
  // Indices come from the bound index buffer from `startIndex` on; each is
  // offset by `baseVertexIndex` and must fall inside
  // [minVertexIndex, minVertexIndex + numVertices).
  virtual HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType,
                                                         INT baseVertexIndex, UINT minVertexIndex,
                                                         UINT numVertices, UINT startIndex,
                                                         UINT primitiveCount) = 0;
  // Draws from caller memory with the FVF (or the vertex shader, reading
  // stream 0 only). Afterwards stream 0 is unbound, as on Windows.
  virtual HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType,
                                                    UINT primitiveCount,
                                                    const void* vertexStreamZeroData,
                                                    UINT vertexStreamZeroStride) = 0;
  // As DrawPrimitiveUP with 16- or 32-bit indices from caller memory;
  // afterwards stream 0 and the index buffer are unbound.
  virtual HRESULT STDMETHODCALLTYPE
  DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                         UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                         const void* vertexStreamZeroData, UINT vertexStreamZeroStride) = 0;
  // XYZ or XYZRHW positions with any of NORMAL, DIFFUSE, SPECULAR and up to
  // eight texture coordinate sets of two floats.
  virtual HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) = 0;
  // A shader of this device, or null for the fixed-function stage.
  virtual HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* shader) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** shader) = 0;
  // Constant registers 0..255, four floats each.
  virtual HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT startRegister,
                                                             const float* constantData,
                                                             UINT vector4fCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT startRegister,
                                                             float* constantData,
                                                             UINT vector4fCount) = 0;
  // Streams 0..3; a null buffer unbinds.
  virtual HRESULT STDMETHODCALLTYPE SetStreamSource(UINT streamNumber,
                                                    IDirect3DVertexBuffer9* streamData,
                                                    UINT offsetInBytes, UINT stride) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStreamSource(UINT streamNumber,
                                                    IDirect3DVertexBuffer9** streamData,
                                                    UINT* offsetInBytes, UINT* stride) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* indexData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** indexData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* shader) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** shader) = 0;
  // Constant registers 0..223, four floats each.
  virtual HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT startRegister,
                                                            const float* constantData,
                                                            UINT vector4fCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT startRegister, float* constantData,
                                                            UINT vector4fCount) = 0;
};
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;

// The Direct3D root for `sdkVersion` D3D_SDK_VERSION; null for any other.
IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion);
