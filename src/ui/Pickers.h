// The system's open dialog (several songs at once) and the shell's folder
// browser.
#pragma once

#include <windows.h>

#include "inventory/FolderWalk.h"

// The open dialog's filter list: description, pattern, ... and an empty end.
inline constexpr char kSongFilter[] =
    "All supported formats \0*.xrns;*.xml;*.rns;*.xrni\0"
    "XRNS Renoise Song (*.xrns)\0*.xrns\0"
    "RNS Renoise Song (*.rns)\0*.rns\0"
    "XRNI Renoise Instrument (*.xrni)\0*.xrni\0"
    "XML Renoise Song or Instrument(*.xml)\0*.xml\0";
inline constexpr char kSongPattern[] = "*.xrns;*.xml;*.rns;*.xrni";
inline constexpr char kOpenSongsTitle[] = "Open Renoise song or instrument";

// Shows the open dialog; 1 when the user chose files. folder (260 bytes) is
// the initial folder and, on success, receives the folder of the choice.
// The choice is then read with ForEachPickedFile or First/Next/EndPickedFiles.
int PickFiles(HWND owner, const char* filter, const char* title, char* folder, int multi);

// Hands each chosen file whose name matches the pattern list to the visitor,
// in the order of the dialog's file-name field, then ends the pick.
void ForEachPickedFile(const char* pattern, FileVisitor visitor, void* context);
// The chosen files one by one as full paths (valid until the next call);
// nullptr after the last. A name whose full path would not fit in 260 bytes
// is skipped.
const char* FirstPickedFile();
const char* NextPickedFile();
void EndPickedFiles();

// Shows the folder browser; nonzero when a folder was chosen, which is then
// in path (260 bytes). With useCurrent and a non-empty path, that folder is
// preselected. Cancelling leaves path as it was.
int PickFolder(HWND owner, char* path, const char* prompt, int useCurrent);
