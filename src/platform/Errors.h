// The project's error vocabulary: the Windows system error numbers the recovery core passes up
// unchanged (0 = success), plus the one cancel code. Every layer uses these names, never bare
// numbers.
#pragma once

#include <cstdint>
#include <string>

namespace keldrin {

inline constexpr int32_t kErrorSuccess = 0;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorPathNotFound = 3;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorInvalidHandle = 6;
inline constexpr int32_t kErrorNotEnoughMemory = 8;
inline constexpr int32_t kErrorWriteProtect = 19;
inline constexpr int32_t kErrorNotReady = 21;
inline constexpr int32_t kErrorWriteFault = 29;
inline constexpr int32_t kErrorReadFault = 30;
inline constexpr int32_t kErrorGenFailure = 31;
inline constexpr int32_t kErrorSharingViolation = 32;
inline constexpr int32_t kErrorFileExists = 80;
inline constexpr int32_t kErrorInvalidParameter = 87;
inline constexpr int32_t kErrorDiskFull = 112;
inline constexpr int32_t kErrorInsufficientBuffer = 122;
inline constexpr int32_t kErrorAlreadyExists = 183;
inline constexpr int32_t kErrorFilenameTooLong = 206;
inline constexpr int32_t kErrorFileTooLarge = 223;
inline constexpr int32_t kErrorMoreData = 234;
inline constexpr int32_t kErrorNoUnicodeTranslation = 1113;

// Callbacks answer this once the user has confirmed Cancel; engines and workers pass it back.
inline constexpr int32_t kCancelCode = -9527;

enum class IoDirection { kRead, kWrite };

// Maps an errno value onto the vocabulary above. EIO is a read fault on reads and a write fault
// on writes.
int32_t ErrorFromErrno(int err, IoDirection direction = IoDirection::kRead);

// The same for the calling thread's current errno.
int32_t LastError(IoDirection direction = IoDirection::kRead);

// US-English message text of a code, the counterpart of the system's message text; shown per
// file in recovery failures.
std::string ErrorMessage(int32_t code);

}  // namespace keldrin
