// The text report: everything the four result tabs show, as 8-bit text with
// CR LF lines. Building the bytes is a pure function of the results model;
// choosing the target and the messages go through the run seam.
#pragma once

#include <string>

// The report's exact bytes from SongList, the three sets and ErrorList.
std::string BuildReport();

// Interactive (no command-line run pending): the save dialog chooses the
// file. Command line: the export path, asking before replacing a file unless
// overwriting was requested. 1 when a report was written whole, else 0.
int ExportReport(void* owner);
