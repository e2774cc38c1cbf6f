#include "platform/FileIo.h"

#include <cerrno>
#include <unistd.h>

#include "platform/Errors.h"

namespace keldrin {

int32_t WriteAll(int fd, const uint8_t* data, size_t length, size_t* written) {
    size_t done = 0;
    int32_t result = kErrorSuccess;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, length - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            result = LastError(IoDirection::kWrite);
            break;
        }
        if (n == 0) {
            result = kErrorWriteFault;
            break;
        }
        done += size_t(n);
    }
    if (written) *written = done;
    return result;
}

}  // namespace keldrin
