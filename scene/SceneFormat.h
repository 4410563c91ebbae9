// The framing of "VMF4" scene files: the header and the chunk tags.
#pragma once

#include "animation/TrackIo.h"

namespace tavorin::scene {

using animation::MakeTag;

constexpr DWORD kSceneMagic = MakeTag('V', 'M', 'F', '4');
constexpr DWORD kSceneHeaderSize = 8;
constexpr DWORD kCountPayloadSize = 2;
constexpr DWORD kSceneReaderCapacity = 65536;

constexpr DWORD kTagLayerCount = MakeTag('L', 'Y', 'R', 'N');
constexpr DWORD kTagSurfaceCount = MakeTag('S', 'R', 'F', 'N');
constexpr DWORD kTagMotionCount = MakeTag('M', 'O', 'T', 'N');
constexpr DWORD kTagCameraCount = MakeTag('C', 'A', 'M', 'N');
constexpr DWORD kTagLightCount = MakeTag('L', 'I', 'T', 'N');
constexpr DWORD kTagGroupCount = MakeTag('C', 'G', 'N', 'M');
constexpr DWORD kTagCollisionLayerCount = MakeTag('C', 'L', 'N', 'M');
constexpr DWORD kTagLayer = MakeTag('L', 'Y', 'E', 'R');
constexpr DWORD kTagSurface = MakeTag('S', 'U', 'R', 'F');
constexpr DWORD kTagMotion = MakeTag('M', 'O', 'T', 'I');
constexpr DWORD kTagCamera = MakeTag('C', 'A', 'M', ' ');
constexpr DWORD kTagLight = MakeTag('L', 'I', 'G', 'T');
constexpr DWORD kTagGroup = MakeTag('C', 'G', 'R', 'P');
constexpr DWORD kTagCollisionLayer = MakeTag('C', 'L', 'A', 'Y');
constexpr DWORD kTagLipsync = MakeTag('L', 'I', 'P', 'S');
constexpr DWORD kTagBlink = MakeTag('B', 'L', 'N', 'K');

// Matrix registers a layer's links and vertices may name.
constexpr int kRegisterCount = 78;

}  // namespace tavorin::scene
