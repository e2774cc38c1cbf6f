#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace keldrin {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; malformed, overlong or surrogate sequences give U+FFFD
// and consume one byte, so the next character resynchronises.
char32_t DecodeUtf8(std::string_view text, size_t& i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    size_t length;
    char32_t cp;
    char32_t minimum;
    if ((c & 0xE0) == 0xC0) {
        length = 2, cp = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, cp = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, cp = c & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + length > text.size()) {
        ++i;
        return kReplacement;
    }
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if (!IsContinuation(next)) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return cp;
}

char AsciiLowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Code page 437, bytes 0x80..0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  //
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  //
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  //
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  //
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  //
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  //
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  //
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  //
};

}  // namespace

std::string_view CutAtCharBoundary(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t cut = maxBytes;
    // text[cut] starts the first character left out; step back while it is the middle of one.
    while (cut > 0 && IsContinuation(static_cast<unsigned char>(text[cut]))) --cut;
    return text.substr(0, cut);
}

void CopyToField(char* field, size_t capacity, std::string_view text) {
    if (capacity == 0) return;
    std::string_view kept = CutAtCharBoundary(text, capacity - 1);
    // A name never carries a terminator inside; stop at one so the field reads back the same.
    kept = kept.substr(0, std::min(kept.size(), kept.find('\0')));
    std::memcpy(field, kept.data(), kept.size());
    std::memset(field + kept.size(), 0, capacity - kept.size());
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLowerChar(c);
    return out;
}

int CompareIgnoreAsciiCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(AsciiLowerChar(a[i]));
        unsigned char y = static_cast<unsigned char>(AsciiLowerChar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoreAsciiCase(a, b) == 0;
}

std::string_view ExtensionOf(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string_view ext = name.substr(dot + 1);
    // A dot in a folder name is not an extension of the file.
    if (ext.find_first_of("/\\") != std::string_view::npos) return {};
    return ext;
}

bool ExtensionInList(std::string_view extension, std::string_view list) {
    if (extension.empty()) return false;
    return list.find(AsciiLower(extension)) != std::string_view::npos;
}

std::string Utf16LeToUtf8(const uint8_t* units, size_t unitCount) {
    std::string out;
    out.reserve(unitCount);
    auto unitAt = [units](size_t i) { return char16_t(units[2 * i] | (units[2 * i + 1] << 8)); };
    for (size_t i = 0; i < unitCount; ++i) {
        char16_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < unitCount) {
            char16_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(u - 0xD800) << 10) | char32_t(low - 0xDC00)));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : char32_t(u));
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = char(text[i] & 0xFF);
        bytes[2 * i + 1] = char(text[i] >> 8);
    }
    return Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), text.size());
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = DecodeUtf8(text, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return out;
}

std::string Cp437ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        AppendUtf8(out, b < 0x80 ? char32_t(b) : char32_t(kCp437High[b - 0x80]));
    }
    return out;
}

}  // namespace keldrin
