// The program's one way of listing folders: every file whose name matches a
// mask list is handed to a visitor with its full path; subfolders on request.
#pragma once

// Called once per matching file with its full path (valid during the call).
using FileVisitor = void (*)(const char* path, void* context);

// Walks folder (or, when it cannot be entered, the current folder): first the
// folder's own files, then each subfolder depth first when recurse is
// nonzero. The visitor runs with the file's folder as the current folder; the
// current folder is restored at the end.
void WalkFolder(const char* folder, const char* pattern, int recurse, FileVisitor visitor, void* context);
