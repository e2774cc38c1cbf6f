// Where extracted bytes go: a recovered file, a preview file or the caller's memory. Internal to
// the NTFS engine's extraction.
#pragma once

#include "platform/FileIo.h"

#include <cstddef>
#include <cstdint>

#include "ntfs/CFastNtfsRecovery.h"

namespace keldrin {

class CFastNtfsRecovery::DataSink {
public:
    virtual ~DataSink() = default;
    // 0 or the write's error code.
    virtual int32_t Write(const uint8_t* data, size_t length) = 0;
    // After each chunk of a non-resident copy; a non-zero answer stops the copy with it.
    virtual int32_t Progress(uint64_t done, uint64_t total) = 0;
};


}  // namespace keldrin
