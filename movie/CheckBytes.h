// Recognising a byte stream's type from the check bytes registered for
// stream subtypes under "Media Type\{MEDIATYPE_Stream}" of the classes root.
#pragma once

#include <IReadAccesser.h>

namespace tavorin::movie {

// The subtype of a stream no registered pattern recognises.
inline constexpr GUID kUnknownStreamSubtype = {
    0xE436EB8E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// The longest mask, value or compared run one quadruple may have.
inline constexpr int kMaxCheckBytes = 128;

// True when `stream` holds every quadruple of `pattern`, a comma-separated
// list of "offset, length, mask, value" (decimal offset from the start and
// length, hexadecimal mask and value, two digits a byte; an empty mask
// compares the bytes as they are, a value shorter than the length compares
// the rest against zero). A null pattern matches. Patterns that are not
// whole quadruples, fields that are not numbers of their kind, odd digit
// counts, runs over 128 bytes, offsets the stream cannot seek to and runs
// past its end do not match. Moves the stream's position.
bool MatchCheckBytes(IReadAccesser* stream, const char* pattern);

// The subtype whose registered patterns (values "0", "1", … of its key)
// first match `stream`, subtypes taken in the registry's order, or
// kUnknownStreamSubtype. Moves the stream's position.
GUID DetectStreamSubtype(IReadAccesser* stream);

}  // namespace tavorin::movie
