// Decides whether a library found in a VST folder is a plug-in and records it
// in InstalledPlugins; a WaveShell library stands for the Waves plug-ins that
// the registry lists instead, and a plug-in built for another processor kind
// is noted in ForeignLibraries.
#pragma once

// A FileVisitor of the inventory scan; context is the window that owns the
// Waves enumeration's message boxes.
void ProbeVstPlugin(const char* path, void* context);
