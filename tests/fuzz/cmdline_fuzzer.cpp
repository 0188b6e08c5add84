// The command-line parser and the mask matcher over arbitrary text.
#include <cstdint>
#include <string>

#include "core/CommandLine.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CommandLineRequest request;
    ParseCommandLineInto(text.c_str(), request);
    // The parsed file text is what a run hands to the walk as its mask list.
    if (request.fileText) MatchMaskList(text.c_str(), request.fileText->c_str());
    return 0;
}
