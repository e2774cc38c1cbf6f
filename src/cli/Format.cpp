#include "cli/Format.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace keldrin::cli {

std::string SizeText(uint64_t bytes) {
    static const struct { uint64_t unit; const char* suffix; } kUnits[] = {
        {1ull << 40, " TB"}, {1ull << 30, " GB"}, {1ull << 20, " MB"}, {1ull << 10, " KB"}};
    char text[64];
    for (const auto& u : kUnits) {
        if (bytes >= u.unit) {
            std::snprintf(text, sizeof text, "%.2f%s", double(bytes) / double(u.unit), u.suffix);
            return text;
        }
    }
    std::snprintf(text, sizeof text, "%llu Bytes", static_cast<unsigned long long>(bytes));
    return text;
}

std::string DateText(uint64_t fileTime) {
    constexpr uint64_t kEpochDifference = 11644473600ull;  // 1601-01-01 to 1970-01-01, seconds
    if (fileTime == 0) return {};
    uint64_t seconds = fileTime / 10000000ull;
    if (seconds < kEpochDifference) return {};
    std::time_t t = std::time_t(seconds - kEpochDifference);
    std::tm tm{};
    // The stored time is already local: shown as it stands, without a time-zone shift.
    if (!gmtime_r(&t, &tm)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

std::string DurationText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[64];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%lld Hour %lld Min", (long long)(seconds / 3600),
                      (long long)(seconds % 3600 / 60));
    } else if (seconds >= 60) {
        std::snprintf(text, sizeof text, "%lld Min %lld Sec", (long long)(seconds / 60),
                      (long long)(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld Sec", (long long)seconds);
    }
    return text;
}

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
    auto c = uint8_t(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return 0;
    }
    if (n == 2 && c < 0xC2) return 0;  // overlong
    return n;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        auto c = uint8_t(text[i]);
        if (c >= 0x80) {
            size_t n = Utf8SequenceLength(text, i);
            if (n == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += char(c);
                }
        }
        ++i;
    }
    return out + "\"";
}

std::string EntryName(const ScanEntry& entry) {
    return std::string(entry.name, strnlen(entry.name, sizeof entry.name));
}

std::string EntryJson(const ScanEntry& e, const std::string& path) {
    std::string out = "{";
    out += "\"id\":" + std::to_string(e.id);
    out += ",\"name\":" + JsonString(EntryName(e));
    out += ",\"path\":" + JsonString(path);
    out += ",\"folder\":" + std::string(e.isFolder ? "true" : "false");
    out += ",\"size\":" + std::to_string(e.size);
    out += ",\"deleted\":" + std::string(e.deleted ? "true" : "false");
    out += ",\"contentOk\":" + std::string(e.contentOk ? "true" : "false");
    out += ",\"origin\":" + std::to_string(e.origin);
    out += ",\"firstCluster\":" + std::to_string(e.firstCluster);
    out += ",\"created\":" + JsonString(DateText(e.created));
    out += ",\"modified\":" + JsonString(DateText(e.modified));
    out += ",\"accessed\":" + JsonString(DateText(e.accessed));
    return out + "}";
}

}  // namespace keldrin::cli
