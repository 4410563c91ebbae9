// The archive's 32-byte XOR code: a byte at absolute file offset P is stored
// as byte XOR code[P mod 32].
#pragma once

#include <cstddef>

#include <windows.h>

namespace tavorin::pack {

inline constexpr DWORD kXorCodeSize = 32;

// XORs `count` bytes that sit at absolute file offset `offset` with the code.
// Masking and unmasking are the same operation. Works a machine word at a
// time, so that masked archives read nearly as fast as plain ones.
void ApplyXorCode(BYTE* data, size_t count, const BYTE code[kXorCodeSize], ULONGLONG offset);

}  // namespace tavorin::pack
