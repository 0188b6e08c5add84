// The results for programs: one JSON object with the songs and their
// plug-ins, the missing plug-ins with what may explain them, the unused and
// the installed ones, and the error lines. Always valid UTF-8 (Utf8Text.h);
// bytes that are not UTF-8 are written as \u escapes of their Windows-1252
// characters.
#pragma once

#include <string>

std::string BuildJsonReport();
