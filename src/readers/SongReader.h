// The one entry through which every song or instrument file reaches the
// catalogue: it becomes a listed song with its plug-in rows, or error lines.
#pragma once

#include <cstdint>

struct SongEntry;
struct XmlElement;

// A FileVisitor: reads the file at path (context ignored). Never stops a run.
void ReadSongFile(const char* path, void* context);

// Fills the entry from the element tree below root, in post-order.
void WalkSongElements(XmlElement* root, SongEntry& entry);

// Tempo and ticks per line: leading white space, an optional sign, the
// longest run of digits; 0 without digits; above 32 bits all bits set.
int32_t ParseSongNumber(const char* text);
