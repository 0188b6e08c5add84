// The legacy binary song format: whole-file loading, the chunk scan over the
// image, and the rule that turns a plug-in reference into a plug-in name
// (shared with the XML reading).
#pragma once

#include <cstddef>

#include "platform/Memory.h"

struct SongEntry;

// On success the buffer holds the whole file in a zero-filled block of exactly
// its size and *size (when size is not null) that length; returns 1. On
// failure the buffer is empty, exactly one line went to ErrorList; returns 0.
int LoadFileIntoMemory(const char* path, HeapBuffer& buffer, size_t* size);

// Fills the entry as far as the image allows; failures become ErrorList
// lines. Never reads outside image[0, size).
void ReadRnsSong(const char* path, const char* image, size_t size, SongEntry& entry);

// Records every length-prefixed "Vst: " text inside image[start, start+length).
// A range (or a reference's length field) outside the image is reported with
// the "chunks could not be found" line and nothing of it is scanned.
void ScanVstReferences(const char* path, const char* image, size_t imageSize, size_t start, size_t length,
                       SongEntry& entry);

// text: "Vst: Name" (the first five bytes are dropped unexamined). Adds the
// name to UsedPlugins, the entry's set and, when not installed, MissingPlugins.
// A text shorter than five bytes records nothing.
void RecordPluginReference(const char* text, SongEntry& entry);

inline constexpr size_t kMaxPluginNameLength = 259;
