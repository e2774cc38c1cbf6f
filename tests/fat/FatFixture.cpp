#include "FatFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "Fixtures.h"
#include "TempDir.h"
#include "engine/ScanLogCatalogue.h"

namespace keldrin::test {
namespace {

// Scan logs and preview files of every test go to a temporary data folder, never the user's.
struct ScanLogHome {
    TempDir dir;
    ScanLogHome() { setenv("XDG_DATA_HOME", dir.path().c_str(), 1); }
};
ScanLogHome gScanLogHome;

std::string Mtools(const std::string& command) {
    return "mtools_skip_check=1 " + command;
}

}  // namespace

const std::vector<FatKindCase>& FatKinds() {
    static const std::vector<FatKindCase> kinds = {
        {"Fat12Floppy", 12, 1440, ""},
        {"Fat16Sector4096", 16, 20 * 1024, "-S 4096 -s 1"},
        {"Fat32", 32, 40 * 1024, "-s 1"},
    };
    return kinds;
}

FatImage::FatImage(const std::filesystem::path& path, int fatBits, uint32_t sizeKiB,
                   const std::string& mkfsOptions)
    : path_(path), scratch_(path.string() + ".put") {
    std::filesystem::remove(path_);
    RunOrFail("truncate -s " + std::to_string(sizeKiB) + "K " + ShellQuote(path_.string()));
    RunOrFail("mkfs.fat -F " + std::to_string(fatBits) + " " + mkfsOptions + " --invariant " +
              ShellQuote(path_.string()) + " >/dev/null");
}

bool FatImage::Put(const std::vector<uint8_t>& content, const std::string& imagePath) {
    WriteWholeFile(scratch_, content);
    return RunOrFail(Mtools("mcopy -i " + ShellQuote(path_.string()) + " " +
                            ShellQuote(scratch_.string()) + " " + ShellQuote("::" + imagePath)));
}

bool FatImage::MakeDir(const std::string& imagePath) {
    return RunOrFail(
        Mtools("mmd -i " + ShellQuote(path_.string()) + " " + ShellQuote("::" + imagePath)));
}

bool FatImage::Delete(const std::string& imagePath) {
    return RunOrFail(
        Mtools("mdel -i " + ShellQuote(path_.string()) + " " + ShellQuote("::" + imagePath)));
}

bool FatImage::DeleteTree(const std::string& imagePath) {
    return RunOrFail(
        Mtools("mdeltree -i " + ShellQuote(path_.string()) + " " + ShellQuote("::" + imagePath)));
}

std::vector<uint8_t> FatImage::Read(uint64_t offset, size_t n) const {
    std::ifstream in(path_, std::ios::binary);
    in.seekg(std::streamoff(offset));
    std::vector<uint8_t> out(n);
    in.read(reinterpret_cast<char*>(out.data()), std::streamsize(n));
    out.resize(size_t(in.gcount()));
    return out;
}

void FatImage::Write(uint64_t offset, const std::vector<uint8_t>& bytes) const {
    std::fstream io(path_, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(std::streamoff(offset));
    io.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

int64_t FatImage::FindDirEntry(const std::string& name11, bool deleted) const {
    std::vector<uint8_t> image = ReadWholeFile(path_);
    std::string wanted = name11;
    if (deleted) wanted[0] = char(0xE5);
    for (size_t off = 0; off + 32 <= image.size(); off += 32) {
        if (std::equal(wanted.begin(), wanted.end(), image.begin() + off) &&
            image[off + 11] != 0x0F)
            return int64_t(off);
    }
    return -1;
}

std::vector<uint8_t> JpegLike(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes = PseudoRandomBytes(size, seed);
    const uint8_t header[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    return bytes;
}

void BeginNewScanLog() {
    ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue();
    ASSERT_NE(catalogue, nullptr) << ScanLogCatalogue::FailureMessage();
    catalogue->BeginNewLogFolder();
}

std::unique_ptr<CFastFatRecovery> ScanImage(const std::filesystem::path& image) {
    BeginNewScanLog();
    auto engine = std::make_unique<CFastFatRecovery>();
    int32_t open = engine->OpenImage(image, 1);
    EXPECT_EQ(open, 0) << "open " << image;
    if (open != 0) return nullptr;
    int32_t scan = engine->Scan(nullptr);
    EXPECT_EQ(scan, 0) << "scan " << image;
    if (scan != 0) return nullptr;
    return engine;
}

std::map<std::string, ScanEntry> CollectTree(CFastFatRecovery& engine) {
    std::map<std::string, ScanEntry> out;
    std::function<void(const ScanEntry*, uint32_t, const std::string&)> walk =
        [&](const ScanEntry* folder, uint32_t depth, const std::string& prefix) {
            std::vector<ScanEntry> children;
            EXPECT_EQ(engine.ListChildren(folder, depth, children), 0);
            for (const ScanEntry& child : children) {
                std::string path = prefix + child.name;
                bool fresh = out.emplace(path, child).second;
                if (child.isFolder && fresh && depth < 64) walk(&child, depth + 1, path + "/");
            }
        };
    walk(nullptr, 0, "");
    return out;
}

std::vector<uint8_t> RecoverBytes(CFastFatRecovery& engine, const ScanEntry& entry,
                                  const std::filesystem::path& path) {
    engine.SetProgressCallback(nullptr, nullptr, nullptr, 100);
    int32_t result = engine.RecoverEntry(&entry, path, 0);
    EXPECT_EQ(result, 0) << entry.name;
    if (result != 0) return {};
    return ReadWholeFile(path);
}

}  // namespace keldrin::test
