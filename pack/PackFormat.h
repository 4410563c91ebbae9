// Tags and fixed sizes of the archive format.
#pragma once

#include "pack/LittleEndian.h"

namespace tavorin::pack {

inline constexpr DWORD kTagPac2 = MakeTag("PAC2");
inline constexpr DWORD kTagFnum = MakeTag("FNUM");
inline constexpr DWORD kTagFile = MakeTag("FILE");
inline constexpr DWORD kTagCcod = MakeTag("CCOD");
inline constexpr DWORD kTagName = MakeTag("NAME");
inline constexpr DWORD kTagData = MakeTag("DATA");

// Magic plus the 64-bit body length.
inline constexpr DWORD kArchiveHeaderSize = 12;
// Tag plus the 32-bit payload length.
inline constexpr DWORD kChunkHeaderSize = 8;
// The least a usable "FILE" chunk holds: its header and a "NAME" with just
// the terminator. Bounds the file count an archive of a given size can hold.
inline constexpr DWORD kMinFileChunkSize = 2 * kChunkHeaderSize + 1;

}  // namespace tavorin::pack
