#pragma once

// Runs one body over a range of indices on a worker pool and the calling thread together.
// The caller takes part in the work, so it never waits on a pool whose threads are all busy
// (a pool task may itself call parallelFor on its own pool), and helpers that start after the
// range is used up return without touching the body.

#include "util/WorkerPool.h"

#include <cstddef>
#include <functional>

namespace tavelin {

// Calls `body(i)` once for every i in [0, count), in rising order of start, on the calling
// thread and up to `pool->threadCount()` helpers; returns when every call has returned. A null
// pool runs everything on the calling thread.
void parallelFor(WorkerPool* pool, size_t count, std::function<void(size_t)> body);

} // namespace tavelin
