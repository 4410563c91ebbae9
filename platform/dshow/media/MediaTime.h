// Time in the movie engine: 100 ns units, the unit of REFERENCE_TIME.
#pragma once

#include <cstdint>
#include <limits>

namespace tavorin::dshow::media {

using MediaTime = int64_t;

constexpr MediaTime kUnitsPerSecond = 10000000;
// A time the container did not give and the engine could not infer.
constexpr MediaTime kNoTime = std::numeric_limits<int64_t>::min();

}  // namespace tavorin::dshow::media
