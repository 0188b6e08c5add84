#include "platform/Text.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

inline unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

inline bool IsSeparator(char c) {
#if defined(_WIN32)
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// One mask against the whole name. The classic greedy scan with a single
// backtrack point keeps this linear in practice and never recursive, so a
// hostile mask of many stars cannot blow the stack.
bool MatchOneMask(const char* name, size_t nameLen, const char* mask, size_t maskLen) {
    size_t n = 0, m = 0;
    size_t starMask = SIZE_MAX, starName = 0;
    while (n < nameLen) {
        if (m < maskLen && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < maskLen &&
                   (mask[m] == '?' || FoldAscii(static_cast<unsigned char>(mask[m])) ==
                                          FoldAscii(static_cast<unsigned char>(name[n])))) {
            ++m;
            ++n;
        } else if (starMask != SIZE_MAX) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < maskLen && mask[m] == '*') ++m;
    return m == maskLen;
}

}  // namespace

int CompareExact(const char* a, const char* b) { return std::strcmp(a, b); }

bool MatchMaskList(const char* name, const char* maskList) {
    if (!name || !maskList) return false;
    const size_t nameLen = std::strlen(name);
    const char* p = maskList;
    for (;;) {
        while (*p == ' ') ++p;
        const char* end = std::strchr(p, ';');
        const size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (MatchOneMask(name, nameLen, p, len)) return true;
        if (!end) return false;
        p = end + 1;
    }
}

const char* FindTextNoCase(const char* haystack, const char* needle) {
    if (!haystack || !needle) return nullptr;
    if (!*needle) return haystack;
    const unsigned char first = FoldAscii(static_cast<unsigned char>(*needle));
    for (const char* h = haystack; *h; ++h) {
        if (FoldAscii(static_cast<unsigned char>(*h)) != first) continue;
        const char* a = h + 1;
        const char* b = needle + 1;
        while (*a && *b &&
               FoldAscii(static_cast<unsigned char>(*a)) == FoldAscii(static_cast<unsigned char>(*b))) {
            ++a;
            ++b;
        }
        if (!*b) return h;
        if (!*a) return nullptr;
    }
    return nullptr;
}

void TrimChars(std::string& text, const char* chars) {
    const size_t first = text.find_first_not_of(chars);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    const size_t last = text.find_last_not_of(chars);
    text = text.substr(first, last - first + 1);
}

void TrimCharsInPlace(char* text, const char* chars) {
    if (!text) return;
    size_t len = std::strlen(text);
    size_t start = 0;
    while (start < len && std::strchr(chars, text[start])) ++start;
    while (len > start && std::strchr(chars, text[len - 1])) --len;
    std::memmove(text, text + start, len - start);
    text[len - start] = '\0';
}

const char* PathFileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
#if defined(_WIN32)
        if ((IsSeparator(*p) || *p == ':') && p[1]) name = p + 1;
#else
        if (IsSeparator(*p) && p[1]) name = p + 1;
#endif
    }
    return name;
}

std::string PathFolder(const char* path) {
    std::string folder(path);
    size_t cut = std::string::npos;
    for (size_t i = 0; i < folder.size(); ++i)
        if (IsSeparator(folder[i])) cut = i;
    if (cut == std::string::npos) return std::string();
    // Keep the root's own separator: the folder of "/x" is "/", of "C:\x" is "C:\".
    if (cut == 0) return folder.substr(0, 1);
#if defined(_WIN32)
    if (cut == 2 && folder[1] == ':') return folder.substr(0, 3);
#endif
    return folder.substr(0, cut);
}

bool PathIsAbsolute(std::string_view path) {
    if (path.empty()) return false;
    if (IsSeparator(path[0])) return true;
#if defined(_WIN32)
    return path.size() >= 2 && path[1] == ':';
#else
    return false;
#endif
}

std::string PathJoin(std::string_view folder, std::string_view name) {
    if (folder.empty() || PathIsAbsolute(name)) return std::string(name);
    std::string joined(folder);
    if (!IsSeparator(joined.back())) joined += kPathSeparator;
    joined += name;
    return joined;
}

std::string TextFormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) return std::string();
    if (static_cast<size_t>(needed) < sizeof small) return std::string(small, static_cast<size_t>(needed));
    std::string text(static_cast<size_t>(needed), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string TextFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = TextFormatV(format, args);
    va_end(args);
    return text;
}

void CopyTextBounded(char* target, size_t size, const char* source) {
    if (!target || size == 0) return;
    size_t i = 0;
    for (; i + 1 < size && source && source[i]; ++i) target[i] = source[i];
    target[i] = '\0';
}
