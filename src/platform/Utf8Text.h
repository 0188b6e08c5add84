// The model's texts are 8-bit: paths in the ANSI code page of the system that
// wrote them, element texts as the UTF-8 bytes of the song. Machine-readable
// output must be valid UTF-8 whatever they hold, and lose none of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The length (2 to 4) of a valid UTF-8 sequence of more than one byte at the
// start of bytes; 0 when none starts there (overlong forms, surrogates and
// code points above U+10FFFF are not valid).
size_t Utf8SequenceLength(std::string_view bytes);
// The character a byte 0x80 to 0xFF stands for in Windows-1252, the ANSI
// code page of Western Windows; its five unassigned bytes stand for the C1
// controls of the same value, as Windows maps them.
uint32_t Windows1252Character(unsigned char byte);
void AppendUtf8Character(std::string& out, uint32_t character);
// Valid UTF-8 as it stands; every other byte as the UTF-8 of its
// Windows-1252 character. Texts end at their first zero byte, as in the
// text report.
void AppendAsUtf8(std::string& out, std::string_view text);
