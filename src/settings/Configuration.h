// Confirming the configuration: the only place where the plug-in inventory
// is built. The window's dialog and the Linux program's --vst both end here.
#pragma once

// Applies the settings block's folders and the subfolder option: scans every
// enabled VST folder (progress and Waves messages owned by dialog), stores the
// inventory when it is not empty, and clears the song results, which were
// judged against the old inventory; the error lines stay. Returns 0 when the
// new inventory could not be stored, else 1.
int ApplyConfiguration(void* dialog, int scanSubfolders);
