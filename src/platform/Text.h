// Text rules shared by every module: the one name comparison, mask lists,
// case-insensitive search, trimming, path joining and splitting, formatting.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The one comparison of plug-in and file names: ordering, adding and lookup
// in every set, and the order of a folder listing on platforms that have none.
// Windows: lstrcmpiA. Elsewhere: bytes as unsigned after folding ASCII A-Z.
int CompareNames(const char* a, const char* b);
int CompareNames(std::string_view a, std::string_view b);

// Exact, case-sensitive comparison (lstrcmpA's role: root names, ".", "..").
int CompareExact(const char* a, const char* b);

// True when name matches any mask of the ";"-separated list. Blanks in front
// of a mask are skipped; "*" matches any run (also none), "?" exactly one
// character; letter case is ignored for ASCII letters.
bool MatchMaskList(const char* name, const char* maskList);

// Case-insensitive substring search (ASCII folding); nullptr when absent.
const char* FindTextNoCase(const char* haystack, const char* needle);

// Removes every character of `chars` from both ends of text.
void TrimChars(std::string& text, const char* chars);
// The same on a zero-terminated buffer, in place.
void TrimCharsInPlace(char* text, const char* chars);

// The last component of a path (after the last separator), or the whole path.
const char* PathFileName(const char* path);
// The path without its last component and the separator before it.
std::string PathFolder(const char* path);
// Folder and name joined with one separator; a name that is itself absolute
// is taken as it is, an empty folder gives the name alone.
std::string PathJoin(std::string_view folder, std::string_view name);
bool PathIsAbsolute(std::string_view path);

// printf-style formatting into a string of any length ("%s", "%d", "%u").
std::string TextFormat(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string TextFormatV(const char* format, va_list args)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 0)))
#endif
    ;

// Copies at most size-1 bytes and always terminates (lstrcpynA's contract).
void CopyTextBounded(char* target, size_t size, const char* source);
