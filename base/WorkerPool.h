// One pool of worker threads shared by the engine and the preview: passes
// over a picture split into parts, and the views of a stack, run on it
// instead of starting threads per call. The pool starts its threads once,
// on first use, one fewer than the processor's cores (the calling thread
// works too).
#pragma once

#include <functional>

namespace tandemix {

// Runs task(0) .. task(parts - 1), each once, on the pool and the calling
// thread, and returns when all have ended. The calling thread takes parts
// itself until none is left, so a call made from inside a part (a stack's
// view resizing its planes) never waits for a thread that is not working
// for it. When parts throw, the first exception in part order is rethrown
// after every part has ended.
void RunParts(int parts, const std::function<void(int part)>& task);

// The threads that can work at once: the pool's and the caller.
int ParallelThreads();

}  // namespace tandemix
