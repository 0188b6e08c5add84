// The results as a table (RFC 4180, CR LF rows, UTF-8 as in the JSON form but
// without escapes): a header row, one "use" row per plug-in of a song, and
// one "error" row per error line.
#pragma once

#include <string>

std::string BuildCsvReport();
