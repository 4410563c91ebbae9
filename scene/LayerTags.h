// Sub-chunk tags of the "LYER" payload and of its mesh, bone and link
// entries.
#pragma once

#include "animation/TrackIo.h"

namespace tavorin::scene {

using animation::MakeTag;

constexpr DWORD kTagName = MakeTag('N', 'A', 'M', 'E');
constexpr DWORD kTagIndex = MakeTag('I', 'D', ' ', ' ');
constexpr DWORD kTagBoundingBox = MakeTag('B', 'B', 'O', 'X');
constexpr DWORD kTagShow = MakeTag('S', 'H', 'O', 'W');
constexpr DWORD kTagVisibility = MakeTag('S', 'E', 'N', 'V');
constexpr DWORD kTagDepthPrepass = MakeTag('Z', 'T', 'R', 'C');
constexpr DWORD kTagMeshCount = MakeTag('M', 'E', 'S', 'N');
constexpr DWORD kTagMesh = MakeTag('M', 'E', 'S', 'H');
constexpr DWORD kTagBoneCount = MakeTag('B', 'O', 'N', 'N');
constexpr DWORD kTagBone = MakeTag('B', 'O', 'N', 'E');
constexpr DWORD kTagMainMotion = MakeTag('L', 'M', 'N', 'O');
constexpr DWORD kTagMainRegister = MakeTag('L', 'V', 'S', 'C');
constexpr DWORD kTagLinkCount = MakeTag('M', 'O', 'T', 'N');
// A link entry at the payload's level, a motion index inside a bone or link.
constexpr DWORD kTagMotionIndex = MakeTag('M', 'T', 'N', 'O');
constexpr DWORD kTagMorphEnabled = MakeTag('M', 'E', 'E', 'F');
constexpr DWORD kTagMorphTarget = MakeTag('M', 'T', 'E', ' ');
constexpr DWORD kTagMorphWeight = MakeTag('M', 'W', 'E', ' ');

constexpr DWORD kTagVertexCount = MakeTag('V', 'T', 'X', 'N');
constexpr DWORD kTagVertices = MakeTag('V', 'T', 'E', 'X');
constexpr DWORD kTagPolygonCount = MakeTag('P', 'O', 'L', 'N');
constexpr DWORD kTagPolygons = MakeTag('P', 'O', 'L', 'Y');
constexpr DWORD kTagSurfaceIndex = MakeTag('S', 'F', 'N', 'O');

constexpr DWORD kTagRestPosition = MakeTag('R', 'S', 'T', 'P');
constexpr DWORD kTagRestDirection = MakeTag('R', 'S', 'T', 'D');
constexpr DWORD kTagRestLength = MakeTag('R', 'S', 'T', 'L');

constexpr DWORD kTagLinkRegister = MakeTag('V', 'S', 'C', 'N');

}  // namespace tavorin::scene
