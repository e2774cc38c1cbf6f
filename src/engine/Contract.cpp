#include "engine/IFileRecoveryParse.h"

namespace keldrin {

uint32_t CountPathSeparators(const std::string& path) {
    uint32_t count = 0;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        if (path[i] == '/' || path[i] == '\\') ++count;
    }
    return count;
}

}  // namespace keldrin
