// The library's own success codes. Both are successes: callers that only
// ask SUCCEEDED() treat them as S_OK.
#pragma once

#include <windows.h>

// The end of the data was reached or the loop count is used up: sound
// decoding, track evaluation, scene play time.
constexpr HRESULT S_FINISHED = 0x00040001;
// An endless loop has passed its end at least once: scene play time.
constexpr HRESULT S_WRAPPED = 0x00040002;
