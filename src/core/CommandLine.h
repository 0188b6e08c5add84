// The command-line request: read a folder or a file once after start-up,
// optionally write the report to a named file and quit.
#pragma once

#include <optional>
#include <string>

// What an export writes: the text report, or the same results for programs.
enum class ExportFormat { kText, kJson, kCsv };

// "text", "json" or "csv" in any letter case; false for anything else.
bool ParseExportFormat(const char* text, ExportFormat* format);

struct CommandLineRequest {
    int pending = 0;
    int overwrite = 0;
    int quitAfterExport = 0;
    int subfolderMode = 2;  // 0 "/s-", 1 "/s+", 2: ScanSubfolders of the settings
    std::optional<std::string> folderText;
    std::optional<std::string> fileText;
    std::optional<std::string> exportPath;
    // "/t:json" or "/t:csv" (text when absent or unknown), and the Linux
    // program's hints appendix behind a text report.
    ExportFormat format = ExportFormat::kText;
    int hints = 0;
};

extern CommandLineRequest CommandLine;

// Fills CommandLine from the text after the program's own name. Switches are
// found in any letter case at any position; the first occurrence counts.
void ParseCommandLine(const char* text);
// The same into any request (the parser's pure form).
void ParseCommandLineInto(const char* text, CommandLineRequest& request);
// Drops the texts and the pending flag once the run has consumed them.
void DiscardCommandLine();
