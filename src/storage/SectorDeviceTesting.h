// Test seam of the sector device: lets a test see the size of every read call ReadSectors and
// ReadFileFully make, so the 64 KiB piece rule is checked on the real code path. Not for use
// outside tests; not thread-safe (set it before reading, clear it after).
#pragma once

#include <cstddef>

namespace keldrin {

using ReadCallObserver = void (*)(void* context, size_t requestedBytes);
// Pass nullptr to stop observing.
void SetReadCallObserverForTesting(ReadCallObserver observer, void* context);

}  // namespace keldrin
