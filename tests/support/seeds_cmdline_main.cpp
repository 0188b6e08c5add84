// Writes fuzz seeds for the command-line parser into the folder argv[1].
#include <string>
#include <vector>

#include "support/Seeds.h"

int main(int argc, char** argv) {
    const char* const lines[] = {
        "/p:C:\\Songs\\ /s+ /e:C:\\report.txt /o /q",
        "/p:C:\\Songs/e:x.txt",
        "/f:Demo.xrns /e:out.txt",
        "/P:C:\\One /p:C:\\Two /F:*.xrns;*.rns",
        "/p: \\\\  /s- /s+",
        "/e:r.txt /q",
        "/p:/e:/f:/",
    };
    std::vector<Seed> seeds;
    for (const char* line : lines) seeds.push_back({"seed" + std::to_string(seeds.size()), line});
    return WriteSeedsMain(argc, argv, seeds);
}
