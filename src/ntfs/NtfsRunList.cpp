// Mapping pairs: the run lists of non-resident attributes. Each pair is a header byte (low nibble:
// size of the length field, high nibble: size of the offset field), the run length in clusters and
// the signed distance of the run's start from the previous run's start. An empty offset field marks
// a sparse run, which has no clusters on the volume.
#include <limits>

#include "ntfs/NtfsLayout.h"
#include "platform/ByteOrder.h"

namespace keldrin::ntfs {

size_t DecodeMappingPairs(const uint8_t* pairs, uint32_t length, RunList& runs) {
    const int64_t rebase = runs.empty() ? 0 : RunListPosition(runs);
    bool firstPlaced = false;
    size_t appended = 0;
    uint32_t p = 0;
    while (p < length) {
        const uint8_t header = pairs[p];
        if (header == 0) break;
        const uint32_t n = header & 0x0F;
        const uint32_t m = header >> 4;
        if (n == 0 || n > 7 || m > 7) break;
        if (uint64_t(p) + 1 + n + m > length) break;
        uint64_t clusters = 0;
        for (uint32_t i = 0; i < n; ++i) clusters |= uint64_t(pairs[p + 1 + i]) << (8 * i);
        DataRun run;
        run.length = clusters;
        if (m == 0) {
            run.sparse = true;
        } else {
            uint64_t raw = 0;
            for (uint32_t i = 0; i < m; ++i) raw |= uint64_t(pairs[p + 1 + n + i]) << (8 * i);
            if (pairs[p + n + m] & 0x80) raw |= ~uint64_t(0) << (8 * m);  // sign-extend
            int64_t delta = int64_t(raw);
            // The first placed run of an attribute is relative to cluster 0; in a list that
            // already holds runs it becomes relative to where that list stands.
            if (!firstPlaced) {
                delta = int64_t(uint64_t(delta) - uint64_t(rebase));
                firstPlaced = true;
            }
            run.delta = delta;
        }
        runs.push_back(run);
        ++appended;
        p += 1 + n + m;
    }
    return appended;
}

size_t DecodeRunList(const AttributeView& attribute, RunList& runs) {
    if (!attribute.nonResident || attribute.length < kAttrMappingPairs + 2) return 0;
    const uint32_t offset = Le16(attribute.data + kAttrMappingPairs);
    if (offset >= attribute.length) return 0;
    return DecodeMappingPairs(attribute.data + offset, attribute.length - offset, runs);
}

void AppendRunList(RunList& runs, const RunList& tail) {
    const int64_t rebase = runs.empty() ? 0 : RunListPosition(runs);
    bool firstPlaced = false;
    for (DataRun run : tail) {
        if (!run.sparse && !firstPlaced) {
            run.delta = int64_t(uint64_t(run.delta) - uint64_t(rebase));
            firstPlaced = true;
        }
        runs.push_back(run);
    }
}

uint64_t RunListClusters(const RunList& runs) {
    uint64_t total = 0;
    for (const DataRun& r : runs) {
        if (total > std::numeric_limits<uint64_t>::max() - r.length) {
            return std::numeric_limits<uint64_t>::max();
        }
        total += r.length;
    }
    return total;
}

int64_t RunListPosition(const RunList& runs) {
    // Unsigned sums: nonsense deltas wrap instead of overflowing; users check the result.
    uint64_t position = 0;
    for (const DataRun& r : runs) position += uint64_t(r.delta);
    return int64_t(position);
}

}  // namespace keldrin::ntfs
