#include <gtest/gtest.h>

#include <cerrno>

#include "platform/Errors.h"

namespace keldrin {
namespace {

TEST(ErrnoMapping, GivesEachErrnoItsNamedCode) {
    struct Case {
        int err;
        IoDirection dir;
        int32_t code;
    } cases[] = {
        {ENOENT, IoDirection::kRead, 2},
        {ENOTDIR, IoDirection::kRead, 3},
        {EACCES, IoDirection::kRead, 5},
        {EPERM, IoDirection::kRead, 5},
        {ENOMEM, IoDirection::kRead, 8},
        {EROFS, IoDirection::kWrite, 19},
        {ENXIO, IoDirection::kRead, 21},
        {ENOMEDIUM, IoDirection::kRead, 21},
        {EIO, IoDirection::kRead, 30},
        {EIO, IoDirection::kWrite, 29},
        {EEXIST, IoDirection::kWrite, 183},
        {EINVAL, IoDirection::kRead, 87},
        {ENOSPC, IoDirection::kWrite, 112},
        {EDQUOT, IoDirection::kWrite, 112},
        {ENAMETOOLONG, IoDirection::kWrite, 206},
        {EFBIG, IoDirection::kWrite, 223},
        {EILSEQ, IoDirection::kWrite, 1113},
        {ETIMEDOUT, IoDirection::kRead, 31},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorFromErrno(c.err, c.dir), c.code) << "errno " << c.err;
        EXPECT_FALSE(ErrorMessage(c.code).empty());
    }
}

TEST(ErrorMessages, NameTheFailureInPlainEnglish) {
    EXPECT_EQ(ErrorMessage(kErrorDiskFull), "There is not enough space on the disk.");
    EXPECT_NE(ErrorMessage(kErrorFilenameTooLong), ErrorMessage(kErrorGenFailure));
}

}  // namespace
}  // namespace keldrin
