// The custom source filter: offers any byte stream to DirectShow's parsers
// through IAsyncReader, so movies play straight out of the archive.
#pragma once

#include <strmif.h>

#include "IReadAccesser.h"

// Makes a source filter with one output pin "CustomSourceOutPin" that
// offers `stream` (kept with one reference) as MEDIATYPE_Stream, its
// subtype recognised from the stream's first bytes by the registered check
// bytes. The stream's position is the filter's from then on. On success
// `*out` holds one reference; on failure it is null: E_POINTER for a null
// `out` or `stream`, E_OUTOFMEMORY.
HRESULT CreateCustomSource(IBaseFilter** out, IReadAccesser* stream);
