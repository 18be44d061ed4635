// The one way a pass over a picture is split over threads, shared by the
// engine and the preview: its rows (or any run of items) go in parts to the
// worker pool (base/WorkerPool.h). Each part writes only its own rows, so
// the result is the same whatever the number of parts.
#pragma once

#include <functional>

namespace tandemix {

// Runs work(begin, end) over [0, count) split into parts when the work
// (count × costPerItem, roughly bytes touched) is large enough to pay for
// them; the calling thread works too, and small passes stay on it.
void ParallelFor(int count, long long costPerItem, const std::function<void(int, int)>& work);

}  // namespace tandemix
