// The mask matcher: the input is split at its first NUL into a name and a
// mask list, so both sides vary.
#include <cstdint>
#include <string>

#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string name = input.substr(0, split);
    const std::string masks = split == std::string::npos ? std::string("*.xrns;*.xml;*.rns;*.xrni") : input.substr(split + 1);
    MatchMaskList(name.c_str(), masks.c_str());
    return 0;
}
