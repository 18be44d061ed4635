// Splits the rows of an image pass into contiguous bands, one per core, and
// runs them at once on the worker pool shared with the engine. Each band
// writes only its own rows, so the result is the same whatever the number
// of bands.
#pragma once

#include <cstdint>
#include <functional>

namespace tandemix {

// Runs body(firstRow, endRow) over [0, rows). `workPerRow` (roughly bytes or
// pixels touched per row) keeps small passes on the calling thread, where
// handing out parts would cost more than it saves. body must not throw.
void ForEachRowBand(int rows, std::int64_t workPerRow, const std::function<void(int, int)>& body);

}  // namespace tandemix
