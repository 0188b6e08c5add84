#include "platform/Utf8Text.h"

namespace {

// 0x80 to 0x9F; 0xA0 to 0xFF are the Latin-1 characters of the same value.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

size_t Utf8SequenceLength(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const auto at = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    size_t length = 0;
    // The second byte's range excludes overlong forms, surrogates and
    // anything above U+10FFFF (RFC 3629, table 3-7 of the Unicode standard).
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (!IsContinuation(at(i))) return 0;
    return length;
}

uint32_t Windows1252Character(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : byte;
}

void AppendUtf8Character(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendAsUtf8(std::string& out, std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const size_t length = Utf8SequenceLength(text.substr(i))) {
            out.append(text, i, length);
            i += length;
        } else {
            AppendUtf8Character(out, Windows1252Character(c));
            ++i;
        }
    }
}
