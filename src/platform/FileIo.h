// Small POSIX file helpers shared by every layer that writes a destination file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keldrin {

// Writes the whole buffer to a descriptor, repeating partial writes and EINTR. Returns 0, the
// write's error code, or kErrorWriteFault when the system accepts no bytes at all. written, when
// given, receives the bytes that reached the file, also on failure.
int32_t WriteAll(int fd, const uint8_t* data, size_t length, size_t* written = nullptr);

}  // namespace keldrin
