// The text report: everything the four result tabs show, as 8-bit text with
// CR LF lines. Building the bytes is a pure function of the results model;
// choosing the target and the messages go through the run seam.
#pragma once

#include <string>

#include "core/CommandLine.h"

// The report's exact bytes from SongList, the three sets and ErrorList.
std::string BuildReport();
// What may explain each missing plug-in, as a section of its own that
// follows the report (never part of it).
std::string BuildHintsAppendix();
// What an export writes: the report in the given format, and behind a text
// report the hints when asked for.
std::string BuildExportBytes(ExportFormat format, bool hints);

// Interactive (no command-line run pending): the save dialog chooses the
// file. Command line: the export path, asking before replacing a file unless
// overwriting was requested; the request's format and hints say what is
// written. 1 when a report was written whole, else 0.
int ExportReport(void* owner);
