#include "platform/Text.h"

#include <windows.h>

#include <string>

int CompareNames(const char* a, const char* b) { return lstrcmpiA(a, b); }

int CompareNames(std::string_view a, std::string_view b) {
    // lstrcmpiA wants terminated texts; views into larger buffers are copied.
    return lstrcmpiA(std::string(a).c_str(), std::string(b).c_str());
}
