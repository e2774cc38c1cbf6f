#include "engine/ScanStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <deque>
#include <new>
#include <system_error>
#include <unordered_set>

#include "engine/ScanLogCatalogue.h"
#include "platform/Errors.h"
#include "platform/Text.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

constexpr uint32_t kRecordSize = sizeof(ScanEntry);         // 346
constexpr uint32_t kBufferCapacity = 200 * kRecordSize;     // 69 200
constexpr uint64_t kOtherSizeLimit = 128ull * 1024 * 1024;  // ".other" is off from here on
constexpr size_t kFilterCapacity = 4096;

uint64_t RecordOffset(uint32_t id) {
    return uint64_t(id - 1) * kRecordSize;
}

std::string_view NameOf(const ScanEntry& entry) {
    return {entry.name, strnlen(entry.name, sizeof(entry.name))};
}

bool HiddenImage(const ScanEntry& entry) {
    return entry.contentOk == 0 && IsImageEntry(entry);
}

// Writes all of data at offset, repeating partial writes. 0 or the write error.
int32_t WriteAllAt(int fd, const void* data, size_t size, uint64_t offset) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t n = pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError(IoDirection::kWrite);
        }
        if (n == 0) return kErrorWriteFault;
        bytes += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return kErrorSuccess;
}

// Reads up to size bytes at offset, repeating short reads until the end of the file. The bytes
// read, or -1 with errno set.
ssize_t ReadUpTo(int fd, void* data, size_t size, uint64_t offset) {
    auto* bytes = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// Hands the whole records of the file to visitBlock in blocks of at most 200 (the unit of
// progress), reading several blocks at a time: large reads cost far less per byte. Stops when
// visitBlock answers false, at the end, or at a failed read.
template <typename VisitBlock>
void ReadMainFileBlocks(int fd, uint64_t size, VisitBlock&& visitBlock) {
    constexpr size_t kBlocksPerRead = 20;
    constexpr size_t kBlockRecords = kBufferCapacity / kRecordSize;
    std::vector<ScanEntry> chunk(kBlocksPerRead * kBlockRecords);
    uint64_t offset = 0;
    while (offset < size) {
        ssize_t n = ReadUpTo(fd, chunk.data(), chunk.size() * kRecordSize, offset);
        size_t whole = n > 0 ? static_cast<size_t>(n) / kRecordSize : 0;
        if (whole == 0) return;
        for (size_t first = 0; first < whole; first += kBlockRecords) {
            size_t count = std::min(kBlockRecords, whole - first);
            offset += count * kRecordSize;
            if (!visitBlock(chunk.data() + first, count, offset)) return;
        }
    }
}

int OpenReadWrite(const std::filesystem::path& path) {
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Reads a whole side file from offset 0. False when it cannot be sized or read.
bool ReadWholeFile(int fd, std::string* text) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    if (st.st_size <= 0) return true;
    if (static_cast<uint64_t>(st.st_size) > UINT32_MAX) return false;
    text->resize(static_cast<size_t>(st.st_size));
    if (lseek(fd, 0, SEEK_SET) < 0) return false;
    uint32_t got = 0;
    int32_t result = ReadFileFully(fd, static_cast<uint32_t>(st.st_size), text->data(), &got);
    text->resize(got);
    lseek(fd, 0, SEEK_SET);
    return result == kErrorSuccess;
}

// Files before folders; names in ascending order without regard to ASCII letter case. Stable,
// so equal names keep the order they were read in.
void SortEntries(std::vector<ScanEntry>& entries) {
    if (entries.size() < 2) return;
    struct Key {
        uint32_t index;
        bool folder;
        std::string_view name;
    };
    std::vector<Key> keys;
    keys.reserve(entries.size());
    for (uint32_t i = 0; i < entries.size(); ++i) {
        keys.push_back({i, entries[i].isFolder != 0, NameOf(entries[i])});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.folder != b.folder) return !a.folder;
        return CompareIgnoreAsciiCase(a.name, b.name) < 0;
    });
    std::vector<ScanEntry> sorted;
    sorted.reserve(entries.size());
    for (const Key& key : keys) sorted.push_back(entries[key.index]);
    entries.swap(sorted);
}

bool ValidStoreName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

ScanStore::~ScanStore() {
    CloseStore();
}

int32_t ScanStore::OpenStore(const std::string& name) {
    CloseStore();
    if (!ValidStoreName(name)) return kErrorInvalidParameter;

    int32_t error = kErrorSuccess;
    ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue(&error);
    if (!catalogue) return error;
    std::filesystem::path folder = catalogue->CurrentLogFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    if (ec && ec.value() != EEXIST) return ErrorFromErrno(ec.value(), IoDirection::kWrite);

    mainPath_ = folder / name;
    relationPath_ = folder / (name + "_Relation");
    folderPath_ = folder / (name + "_DirInfo");
    recordCount_ = 0;
    bytesAppended_ = 0;
    pending_ = 0;
    appendError_ = 0;
    sideFilesDirty_ = true;

    mainFd_ = OpenReadWrite(mainPath_);
    if (mainFd_ < 0) return LastError(IoDirection::kWrite);
    relationFd_ = OpenReadWrite(relationPath_);
    struct stat st {};
    if (relationFd_ < 0 || fstat(mainFd_, &st) != 0) {
        int32_t failure = LastError(IoDirection::kWrite);
        CloseFd(relationFd_);
        CloseFd(mainFd_);
        return failure;
    }
    // Appends go to the end; a torn record left by a crash is overwritten so that every record
    // stays at (id - 1) * 346.
    uint64_t size = static_cast<uint64_t>(st.st_size);
    writePos_ = size - size % kRecordSize;

    struct stat relationStat {};
    if (fstat(relationFd_, &relationStat) != 0) {
        int32_t failure = LastError();
        CloseFd(relationFd_);
        CloseFd(mainFd_);
        return failure;
    }
    if (relationStat.st_size > 0) {
        std::string text;
        if (ReadWholeFile(relationFd_, &text)) ParseRelation(text);
    }

    try {
        buffer_.assign(kBufferCapacity, 0);
    } catch (const std::bad_alloc&) {
        buffer_.clear();
        error = kErrorNotEnoughMemory;
    }

    knownTypes_ = std::string(kImageTypes) + "|" + kAudioTypes + "|" + kDocumentTypes + "|" +
                  kVideoTypes + "|" + kArchiveTypes;

    folderFd_ = OpenReadWrite(folderPath_);
    if (folderFd_ < 0) return error;
    std::string folders;
    if (ReadWholeFile(folderFd_, &folders)) {
        size_t count = folders.size() / sizeof(DirInfoRecord);
        folders_.resize(count);
        if (count) std::memcpy(folders_.data(), folders.data(), count * sizeof(DirInfoRecord));
    }
    return error;
}

ScanEntry* ScanStore::AppendEntry() {
    if (buffer_.size() != kBufferCapacity) {
        try {
            buffer_.assign(kBufferCapacity, 0);
        } catch (const std::bad_alloc&) {
            buffer_.clear();
        }
    }
    if (buffer_.empty()) {
        // No memory for the buffer: the record goes nowhere, but its slot is kept so that the
        // records after it stay at their ids' offsets.
        writePos_ += kRecordSize;
        ++recordCount_;
        bytesAppended_ += kRecordSize;
        scratch_ = ScanEntry{};
        return &scratch_;
    }
    if (pending_ + kRecordSize > kBufferCapacity) WritePending();
    auto* record = reinterpret_cast<ScanEntry*>(buffer_.data() + pending_);
    std::memset(record, 0, kRecordSize);
    pending_ += kRecordSize;
    ++recordCount_;
    bytesAppended_ += kRecordSize;
    return record;
}

void ScanStore::WritePending() {
    if (pending_ == 0) return;
    if (mainFd_ >= 0) {
        int32_t result = WriteAllAt(mainFd_, buffer_.data(), pending_, writePos_);
        if (result != kErrorSuccess && appendError_ == kErrorSuccess) appendError_ = result;
    }
    // Advance even when the write failed: later records keep their ids' offsets.
    writePos_ += pending_;
    pending_ = 0;
}

void ScanStore::AddRelation(uint64_t parentKey, uint32_t childId, uint32_t folderKey,
                            const char* folderName) {
    children_[parentKey].push_back(childId);
    parentIndexValid_ = false;
    sideFilesDirty_ = true;
    if (folderName) {
        DirInfoRecord record{};
        record.key = folderKey;
        record.id = childId;
        CopyToField(record.name, sizeof(record.name), folderName);
        folders_.push_back(record);
        folderIndexValid_ = false;
    }
}

int32_t ScanStore::FlushStore() {
    if (pending_ > 0) {
        if (mainFd_ < 0) {
            writePos_ += pending_;
            pending_ = 0;
            return kErrorInvalidParameter;
        }
        int32_t result = WriteAllAt(mainFd_, buffer_.data(), pending_, writePos_);
        writePos_ += pending_;
        pending_ = 0;
        if (result != kErrorSuccess) return result;
    }
    int32_t result = appendError_;
    appendError_ = kErrorSuccess;
    if (!sideFilesDirty_) return result;

    // "_Relation": rewritten whole; its failure is not reported (the tree is rebuilt from memory
    // on the next flush). Cut to its length so no stale tail of an earlier text remains.
    bool relationWritten = false;
    if (relationFd_ >= 0) {
        std::string text = RelationText();
        if (WriteAllAt(relationFd_, text.data(), text.size(), 0) == kErrorSuccess) {
            relationWritten = ftruncate(relationFd_, static_cast<off_t>(text.size())) == 0;
        }
    }
    // "_DirInfo": every record in list order.
    int32_t folderResult = kErrorSuccess;
    if (folderFd_ < 0) {
        folderResult = kErrorInvalidParameter;
    } else {
        size_t bytes = folders_.size() * sizeof(DirInfoRecord);
        folderResult = WriteAllAt(folderFd_, folders_.data(), bytes, 0);
        if (folderResult == kErrorSuccess && ftruncate(folderFd_, static_cast<off_t>(bytes)) != 0) {
            folderResult = LastError(IoDirection::kWrite);
        }
    }
    sideFilesDirty_ = !(relationWritten && folderResult == kErrorSuccess);
    return folderResult != kErrorSuccess ? folderResult : result;
}

std::string ScanStore::RelationText() const {
    std::string text;
    char number[24];
    for (const auto& [key, ids] : children_) {
        text += " | ";
        auto end = std::to_chars(number, number + sizeof(number), key).ptr;
        text.append(number, end);
        text += " - [";
        for (size_t i = 0; i < ids.size(); ++i) {
            if (i) text += ',';
            end = std::to_chars(number, number + sizeof(number), static_cast<int32_t>(ids[i])).ptr;
            text.append(number, end);
        }
        text += ']';
    }
    return text;
}

void ScanStore::ParseRelation(std::string_view text) {
    size_t at = 0;
    while ((at = text.find(" | ", at)) != std::string_view::npos) {
        at += 3;
        uint64_t key = 0;
        const char* begin = text.data() + at;
        const char* end = text.data() + text.size();
        auto parsed = std::from_chars(begin, end, key);
        if (parsed.ec != std::errc()) continue;
        size_t open = text.find("- [", at);
        if (open == std::string_view::npos) break;
        at = open + 3;
        std::vector<uint32_t> ids;
        while (at < text.size() && text[at] != ']') {
            int64_t id = 0;
            auto number = std::from_chars(text.data() + at, end, id);
            if (number.ec != std::errc() || number.ptr == text.data() + at) break;
            ids.push_back(static_cast<uint32_t>(id));
            at = static_cast<size_t>(number.ptr - text.data());
            if (at < text.size() && text[at] == ',') ++at;
        }
        children_[key] = std::move(ids);
    }
    parentIndexValid_ = false;
}

const std::vector<uint32_t>* ScanStore::SelectList(uint64_t key) const {
    if (children_.empty()) return nullptr;
    if (key == 0) return &children_.begin()->second;
    auto found = children_.find(key);
    return found == children_.end() ? nullptr : &found->second;
}

ScanStore::ReadOutcome ScanStore::ReadRecord(uint32_t id, ScanEntry* out, int32_t* error) {
    if (id == 0) return ReadOutcome::kMissing;
    uint64_t offset = RecordOffset(id);
    if (offset >= writePos_) {
        uint64_t inBuffer = offset - writePos_;
        if (inBuffer + kRecordSize > pending_) return ReadOutcome::kMissing;
        std::memcpy(out, buffer_.data() + inBuffer, kRecordSize);
        return ReadOutcome::kOk;
    }
    if (mainFd_ < 0) {
        *error = kErrorInvalidParameter;
        return ReadOutcome::kFailed;
    }
    ssize_t n = ReadUpTo(mainFd_, out, kRecordSize, offset);
    if (n < 0) {
        *error = LastError();
        return ReadOutcome::kFailed;
    }
    return n == kRecordSize ? ReadOutcome::kOk : ReadOutcome::kMissing;
}

template <typename Visit>
int32_t ScanStore::ReadChildren(const std::vector<uint32_t>& ids, Visit&& visit) {
    constexpr uint32_t kRunRecords = kBufferCapacity / kRecordSize;
    std::vector<ScanEntry> block(kRunRecords);
    size_t i = 0;
    while (i < ids.size()) {
        // A run of consecutive ids wholly in the main file is read at once.
        uint32_t first = ids[i];
        size_t run = 1;
        if (first != 0 && RecordOffset(first) < writePos_) {
            while (i + run < ids.size() && run < kRunRecords && ids[i + run] == first + run &&
                   RecordOffset(first + static_cast<uint32_t>(run)) + kRecordSize <= writePos_) {
                ++run;
            }
        }
        if (run > 1) {
            if (mainFd_ < 0) return kErrorInvalidParameter;
            ssize_t n = ReadUpTo(mainFd_, block.data(), run * kRecordSize, RecordOffset(first));
            if (n < 0) return LastError();
            size_t whole = static_cast<size_t>(n) / kRecordSize;
            for (size_t k = 0; k < whole; ++k) visit(block[k]);
        } else {
            int32_t error = kErrorSuccess;
            ReadOutcome outcome = ReadRecord(first, block.data(), &error);
            if (outcome == ReadOutcome::kFailed) return error;
            if (outcome == ReadOutcome::kOk) visit(block[0]);
        }
        i += run;
    }
    return kErrorSuccess;
}

int32_t ScanStore::ListStoreChildren(uint64_t key, std::vector<ScanEntry>& out) {
    const std::vector<uint32_t>* ids = SelectList(key);
    int32_t result = kErrorSuccess;
    if (ids) {
        out.reserve(out.size() + ids->size());
        result = ReadChildren(*ids, [&](const ScanEntry& entry) {
            if (!HiddenImage(entry)) out.push_back(entry);
        });
    }
    SortEntries(out);
    return result;
}

int32_t ScanStore::CountStoreSubtree(uint64_t key, uint32_t* count) {
    if (!count) return kErrorInvalidParameter;
    *count = 0;
    int32_t result = kErrorSuccess;
    std::deque<uint64_t> queue{key};
    while (!queue.empty()) {
        uint64_t taken = queue.front();
        queue.pop_front();
        const std::vector<uint32_t>* ids = SelectList(taken);
        if (!ids) continue;
        uint64_t childHigh = ((taken >> 32) + 1) << 32;
        int32_t error = ReadChildren(*ids, [&](const ScanEntry& entry) {
            if (entry.isFolder) {
                queue.push_back(childHigh | entry.firstCluster);
            } else {
                ++*count;
            }
        });
        if (error != kErrorSuccess) result = error;
    }
    return result;
}

int32_t ScanStore::FindFolderEntry(uint32_t key, ScanEntry* out) {
    if (!out) return kErrorInvalidParameter;
    int fd = open(mainPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        int32_t error = LastError();
        close(fd);
        return error;
    }
    bool found = false;
    ReadMainFileBlocks(fd, static_cast<uint64_t>(st.st_size),
                       [&](const ScanEntry* records, size_t count, uint64_t) {
                           for (size_t k = 0; k < count && !found; ++k) {
                               if (records[k].isFolder && records[k].firstCluster == key) {
                                   *out = records[k];
                                   found = true;
                               }
                           }
                           return !found;
                       });
    if (found) {
        close(fd);
        return kErrorSuccess;
    }
    close(fd);
    // Records not yet written are part of the store as well.
    for (uint32_t at = 0; at + kRecordSize <= pending_; at += kRecordSize) {
        const auto* record = reinterpret_cast<const ScanEntry*>(buffer_.data() + at);
        if (record->isFolder && record->firstCluster == key) {
            *out = *record;
            return kErrorSuccess;
        }
    }
    return kErrorInvalidParameter;
}

void ScanStore::BuildParentIndex() {
    parentIndex_.clear();
    parentKeys_.clear();
    for (const auto& [key, ids] : children_) {
        auto keyIndex = static_cast<uint32_t>(parentKeys_.size());
        parentKeys_.push_back(key);
        for (uint32_t id : ids) parentIndex_.emplace_back(id, keyIndex);
    }
    // Keys were visited in ascending order, so after a stable sort by id the first pair of an
    // id names the smallest key whose list holds it.
    std::stable_sort(parentIndex_.begin(), parentIndex_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    parentIndex_.erase(std::unique(parentIndex_.begin(), parentIndex_.end(),
                                   [](const auto& a, const auto& b) { return a.first == b.first; }),
                       parentIndex_.end());
    parentIndexValid_ = true;
}

const DirInfoRecord* ScanStore::FolderByKey(uint32_t key) {
    if (!folderIndexValid_) {
        folderIndex_.clear();
        for (uint32_t i = 0; i < folders_.size(); ++i) folderIndex_.try_emplace(folders_[i].key, i);
        folderIndexValid_ = true;
    }
    auto found = folderIndex_.find(key);
    return found == folderIndex_.end() ? nullptr : &folders_[found->second];
}

int32_t ScanStore::ListEntryAncestors(const ScanEntry* entry, std::vector<ScanEntry>& out) {
    if (!entry) return kErrorInvalidParameter;
    if (children_.empty()) return kErrorSuccess;
    if (!parentIndexValid_) BuildParentIndex();
    const uint64_t rootKey = children_.begin()->first;
    // Every id met so far: a folder that names itself, or two folders that name each other, as
    // parent would otherwise never end the walk.
    std::unordered_set<uint32_t> visited{entry->id};
    uint32_t current = entry->id;
    for (;;) {
        auto found = std::lower_bound(
            parentIndex_.begin(), parentIndex_.end(), current,
            [](const std::pair<uint32_t, uint32_t>& pair, uint32_t id) { return pair.first < id; });
        if (found == parentIndex_.end() || found->first != current) return kErrorSuccess;
        uint64_t key = parentKeys_[found->second];
        if (key == rootKey) return kErrorSuccess;
        auto low = static_cast<uint32_t>(key);
        ScanEntry parent{};
        if (const DirInfoRecord* folder = FolderByKey(low)) {
            std::memcpy(parent.name, folder->name, sizeof(parent.name));
            parent.id = folder->id;
        } else {
            int32_t error = FindFolderEntry(low, &parent);
            if (error != kErrorSuccess) return error;
        }
        if (!visited.insert(parent.id).second) return kErrorSuccess;
        out.push_back(parent);
        current = parent.id;
    }
}

int32_t ScanStore::FilterEntries(const std::string& filterText, std::vector<ScanEntry>& out) {
    const std::string filter(CutAtCharBoundary(filterText, kFilterCapacity - 1));
    FlushStore();
    bool other = filter.find(".other") != std::string::npos;

    int fd = open(mainPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return 0;
    }
    // The whole 64-bit size counts: a file of 2 GiB or more must not pass for a small one.
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size >= kOtherSizeLimit) other = false;
    if (size == 0) {
        close(fd);
        return 1;
    }

    // The answer for an extension depends only on the extension: remember it.
    std::unordered_map<std::string, bool> verdicts;
    std::string type;
    auto matches = [&](std::string_view extension) {
        type.assign(1, '.');
        for (char c : extension) type += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        auto known = verdicts.find(type);
        if (known != verdicts.end()) return known->second;
        bool verdict = filter.find(type) != std::string::npos ||
                       (other && knownTypes_.find(type) == std::string::npos);
        verdicts.emplace(type, verdict);
        return verdict;
    };

    ReadMainFileBlocks(fd, size, [&](const ScanEntry* records, size_t count, uint64_t read) {
        for (size_t k = 0; k < count; ++k) {
            const ScanEntry& entry = records[k];
            if (entry.isFolder) continue;
            std::string_view extension = ExtensionOf(NameOf(entry));
            if (extension.empty()) {
                if (other) out.push_back(entry);
                continue;
            }
            if (HiddenImage(entry)) continue;
            if (matches(extension)) out.push_back(entry);
        }
        if (!callback_) return true;
        auto percent = static_cast<int32_t>(std::min(read, size) * 100 / size);
        return callback_(callbackContext_, percent) == 0;
    });
    close(fd);
    SortEntries(out);
    return 1;
}

void ScanStore::CloseStore() {
    if (mainFd_ >= 0 || pending_ > 0) FlushStore();
    buffer_.clear();
    buffer_.shrink_to_fit();
    CloseFd(mainFd_);
    CloseFd(relationFd_);
    CloseFd(folderFd_);
    children_.clear();
    folders_.clear();
    knownTypes_.clear();
    parentIndex_.clear();
    parentKeys_.clear();
    parentIndexValid_ = false;
    folderIndex_.clear();
    folderIndexValid_ = false;
    pending_ = 0;
}

}  // namespace keldrin
