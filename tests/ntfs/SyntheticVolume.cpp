#include "SyntheticVolume.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "platform/ByteOrder.h"

namespace keldrin::test {

namespace {

uint32_t BytesForUnsigned(uint64_t v) {
    uint32_t n = 1;
    while (n < 8 && (v >> (8 * n)) != 0) ++n;
    return n;
}

uint32_t BytesForSigned(int64_t v) {
    for (uint32_t n = 1; n < 8; ++n) {
        const int64_t lo = -(int64_t(1) << (8 * n - 1));
        const int64_t hi = (int64_t(1) << (8 * n - 1)) - 1;
        if (v >= lo && v <= hi) return n;
    }
    return 8;
}

void Align8(std::vector<uint8_t>& v) {
    while (v.size() % 8) v.push_back(0);
}

}  // namespace

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        out[i] = uint8_t((i * 131 + seed * 7919 + (i >> 8) * 17 + (i >> 16)) & 0xFF);
    }
    return out;
}

std::vector<uint8_t> EncodeRuns(const RunSpec& runs) {
    std::vector<uint8_t> out;
    int64_t previous = 0;
    for (const auto& [length, start] : runs) {
        const uint32_t n = BytesForUnsigned(length);
        uint32_t m = 0;
        int64_t delta = 0;
        if (start) {
            delta = int64_t(*start) - previous;
            previous = int64_t(*start);
            m = BytesForSigned(delta);
        }
        out.push_back(uint8_t(n | (m << 4)));
        for (uint32_t i = 0; i < n; ++i) out.push_back(uint8_t(length >> (8 * i)));
        for (uint32_t i = 0; i < m; ++i) out.push_back(uint8_t(uint64_t(delta) >> (8 * i)));
    }
    out.push_back(0);
    return out;
}

std::vector<uint8_t> ResidentAttribute(uint32_t type, const std::vector<uint8_t>& value,
                                       uint8_t nameLength) {
    const uint32_t valueOffset = 24 + ((nameLength * 2 + 7) / 8) * 8;
    std::vector<uint8_t> a(valueOffset, 0);
    PutLe32(&a[0], type);
    a[8] = 0;
    a[9] = nameLength;
    PutLe16(&a[10], 24);
    PutLe32(&a[16], uint32_t(value.size()));
    PutLe16(&a[20], uint16_t(valueOffset));
    for (uint32_t i = 0; i < nameLength; ++i) a[24 + 2 * i] = 'S';
    a.insert(a.end(), value.begin(), value.end());
    Align8(a);
    PutLe32(&a[4], uint32_t(a.size()));
    return a;
}

std::vector<uint8_t> NonResidentAttribute(uint32_t type, const std::vector<uint8_t>& pairs,
                                          uint64_t realSize, uint64_t startVcn,
                                          uint8_t nameLength) {
    const uint32_t pairsOffset = 64 + ((nameLength * 2 + 7) / 8) * 8;
    std::vector<uint8_t> a(pairsOffset, 0);
    PutLe32(&a[0], type);
    a[8] = 1;
    a[9] = nameLength;
    PutLe16(&a[10], 64);
    PutLe64(&a[16], startVcn);
    PutLe16(&a[32], uint16_t(pairsOffset));
    PutLe64(&a[40], realSize);
    PutLe64(&a[48], realSize);
    PutLe64(&a[56], realSize);
    for (uint32_t i = 0; i < nameLength; ++i) a[64 + 2 * i] = 'S';
    a.insert(a.end(), pairs.begin(), pairs.end());
    Align8(a);
    PutLe32(&a[4], uint32_t(a.size()));
    return a;
}

std::vector<uint8_t> FileNameAttribute(uint32_t parent, const std::string& asciiName,
                                       uint8_t nameSpace, uint64_t realSize) {
    std::vector<uint8_t> v(66 + 2 * asciiName.size(), 0);
    PutLe64(&v[0], parent);
    PutLe64(&v[8], 0x01D0000000000001ull);   // created
    PutLe64(&v[16], 0x01D0000000000002ull);  // modified
    PutLe64(&v[32], 0x01D0000000000003ull);  // accessed
    PutLe64(&v[48], realSize);
    v[64] = uint8_t(asciiName.size());
    v[65] = nameSpace;
    for (size_t i = 0; i < asciiName.size(); ++i) v[66 + 2 * i] = uint8_t(asciiName[i]);
    return ResidentAttribute(0x30, v);
}

std::vector<uint8_t> AttributeListEntry(uint32_t type, uint64_t record, uint64_t startVcn) {
    std::vector<uint8_t> e(32, 0);
    PutLe32(&e[0], type);
    PutLe16(&e[4], 32);
    e[6] = 0;
    e[7] = 26;
    PutLe64(&e[8], startVcn);
    PutLe32(&e[16], uint32_t(record));
    PutLe16(&e[20], uint16_t(record >> 32));
    PutLe16(&e[22], 1);  // sequence
    return e;
}

SyntheticVolume::SyntheticVolume(uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                                 uint64_t sectors, uint32_t recordCount)
    : bytesPerSector_(bytesPerSector),
      sectorsPerCluster_(sectorsPerCluster),
      recordSize_(bytesPerSector == 512 ? 1024 : bytesPerSector),
      recordCount_(recordCount),
      image_(sectors * bytesPerSector, 0) {
    const uint64_t clusters = sectors / sectorsPerCluster;
    const uint64_t clusterBytes = ClusterBytes();
    const uint64_t clustersA = (16 * recordSize_ + clusterBytes - 1) / clusterBytes;
    const uint64_t clustersB = ((recordCount - 16) * recordSize_ + clusterBytes - 1) / clusterBytes;
    mftClusterB_ = clusters / 2;
    if (mftClusterB_ + clustersB > clusters) throw std::runtime_error("volume too small");

    uint8_t* boot = image_.data();
    boot[0] = 0xEB;
    boot[1] = 0x52;
    boot[2] = 0x90;
    std::copy_n("NTFS    ", 8, boot + 3);
    PutLe16(boot + 11, uint16_t(bytesPerSector));
    boot[13] = uint8_t(sectorsPerCluster);
    boot[21] = 0xF8;
    PutLe64(boot + 40, sectors - 1);
    PutLe64(boot + 48, mftClusterA_);
    PutLe64(boot + 56, mftClusterB_);
    boot[64] = 0xF6;  // record size 2^10 (not read by the engine)
    boot[510] = 0x55;
    boot[511] = 0xAA;

    const uint64_t mftBytes = uint64_t(recordCount) * recordSize_;
    PutRecord({0, 1, 0,
               {FileNameAttribute(5, "$MFT"),
                NonResidentAttribute(0x80,
                                     EncodeRuns({{clustersA, mftClusterA_},
                                                 {clustersB, mftClusterB_}}),
                                     mftBytes)}});
    PutRecord({5, 3, 0, {FileNameAttribute(5, ".")}});
    const uint64_t bitmapBytes = (clusters + 7) / 8;
    PutRecord({6, 1, 0,
               {FileNameAttribute(5, "$Bitmap"),
                NonResidentAttribute(0x80, EncodeRuns({{1, bitmapCluster_}}), bitmapBytes)}});
}

uint64_t SyntheticVolume::RecordOffset(uint32_t number) const {
    if (number >= recordCount_) throw std::out_of_range("record past the MFT");
    if (number < 16) return mftClusterA_ * ClusterBytes() + uint64_t(number) * recordSize_;
    return mftClusterB_ * ClusterBytes() + uint64_t(number - 16) * recordSize_;
}

std::vector<uint8_t> SyntheticVolume::BuildRecord(const RecordSpec& spec) const {
    std::vector<uint8_t> r(recordSize_, 0);
    const uint32_t strides = recordSize_ / 512;
    std::copy_n("FILE", 4, r.begin());
    PutLe16(&r[4], 48);
    PutLe16(&r[6], uint16_t(strides + 1));
    PutLe16(&r[16], 1);
    PutLe16(&r[18], 1);
    const uint32_t first = ((50 + 2 * strides) + 7) / 8 * 8;
    PutLe16(&r[20], uint16_t(first));
    PutLe16(&r[22], spec.flags);
    PutLe32(&r[28], recordSize_);
    PutLe64(&r[32], spec.baseReference);
    PutLe32(&r[44], spec.number);
    uint32_t p = first;
    for (const auto& a : spec.attributes) {
        if (p + a.size() + 8 > recordSize_) throw std::length_error("record too full");
        std::copy(a.begin(), a.end(), r.begin() + p);
        p += uint32_t(a.size());
    }
    PutLe32(&r[p], 0xFFFFFFFF);
    PutLe32(&r[24], p + 8);
    // Protect every 512-byte stride as NTFS writes it: the tail goes into the array, the
    // sequence number into the tail.
    const uint16_t usn = 0x0007;
    PutLe16(&r[48], usn);
    for (uint32_t i = 0; i < strides; ++i) {
        const uint32_t tail = (i + 1) * 512 - 2;
        r[50 + 2 * i] = r[tail];
        r[51 + 2 * i] = r[tail + 1];
        PutLe16(&r[tail], usn);
    }
    return r;
}

void SyntheticVolume::PutRecord(const RecordSpec& spec) {
    PutRawRecord(spec.number, BuildRecord(spec));
}

void SyntheticVolume::PutRawRecord(uint32_t number, const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), image_.begin() + RecordOffset(number));
}

void SyntheticVolume::PutClusters(uint64_t cluster, const std::vector<uint8_t>& bytes) {
    const uint64_t offset = cluster * ClusterBytes();
    if (offset + bytes.size() > image_.size()) throw std::out_of_range("clusters past the end");
    std::copy(bytes.begin(), bytes.end(), image_.begin() + offset);
}

void SyntheticVolume::Save(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image_.data()), std::streamsize(image_.size()));
}

}  // namespace keldrin::test
