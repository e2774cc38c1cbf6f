#include "platform/Errors.h"

#include <cerrno>

namespace keldrin {

int32_t ErrorFromErrno(int err, IoDirection direction) {
    switch (err) {
        case 0: return kErrorSuccess;
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM: return kErrorAccessDenied;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EROFS: return kErrorWriteProtect;
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM: return kErrorNotReady;
        case EIO: return direction == IoDirection::kRead ? kErrorReadFault : kErrorWriteFault;
        case EEXIST: return kErrorAlreadyExists;
        case EBADF: return kErrorInvalidHandle;
        case EINVAL: return kErrorInvalidParameter;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case ENAMETOOLONG: return kErrorFilenameTooLong;
        case EFBIG: return kErrorFileTooLarge;
        case EILSEQ: return kErrorNoUnicodeTranslation;
        default: return kErrorGenFailure;
    }
}

int32_t LastError(IoDirection direction) { return ErrorFromErrno(errno, direction); }

std::string ErrorMessage(int32_t code) {
    switch (code) {
        case kErrorSuccess: return "The operation completed successfully.";
        case kErrorFileNotFound: return "The system cannot find the file specified.";
        case kErrorPathNotFound: return "The system cannot find the path specified.";
        case kErrorAccessDenied: return "Access is denied.";
        case kErrorInvalidHandle: return "The handle is invalid.";
        case kErrorNotEnoughMemory: return "Not enough memory resources are available to process this command.";
        case kErrorWriteProtect: return "The media is write protected.";
        case kErrorNotReady: return "The device is not ready.";
        case kErrorWriteFault: return "The system cannot write to the specified device.";
        case kErrorReadFault: return "The system cannot read from the specified device.";
        case kErrorGenFailure: return "A device attached to the system is not functioning.";
        case kErrorSharingViolation: return "The process cannot access the file because it is being used by another process.";
        case kErrorFileExists: return "The file exists.";
        case kErrorInvalidParameter: return "The parameter is incorrect.";
        case kErrorDiskFull: return "There is not enough space on the disk.";
        case kErrorInsufficientBuffer: return "The data area passed to a system call is too small.";
        case kErrorAlreadyExists: return "Cannot create a file when that file already exists.";
        case kErrorFilenameTooLong: return "The filename or extension is too long.";
        case kErrorFileTooLarge: return "The file size exceeds the limit allowed and cannot be saved.";
        case kErrorMoreData: return "More data is available.";
        case kErrorNoUnicodeTranslation: return "No mapping for the Unicode character exists in the target multi-byte code page.";
        case kCancelCode: return "The operation was cancelled by the user.";
        default: return "Unknown error " + std::to_string(code) + ".";
    }
}

}  // namespace keldrin
