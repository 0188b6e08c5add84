// Expands a WaveShell library into the Waves plug-ins registered as COM
// classes: one InstalledPlugins record per class whose description names
// Waves and whose library has the Waves entry points.
#pragma once

// Set once an enumeration has gone through the whole class list, or found no
// class list at all; the inventory scan clears it before it starts.
extern int WavesEnumerated;

// owner: the window that owns the error message boxes.
void EnumerateWavesPlugins(void* owner);
