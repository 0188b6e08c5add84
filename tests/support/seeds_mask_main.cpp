// Writes fuzz seeds for the mask matcher into the folder argv[1]: a name, a
// NUL, a mask list.
#include <string>
#include <vector>

#include "support/Seeds.h"

int main(int argc, char** argv) {
    const std::string pairs[] = {
        std::string("Song.XRNS\0*.xrns;*.xml;*.rns;*.xrni", 35),
        std::string("a;b.xrns\0a;b.xrns", 17),
        std::string("aaaaaaaaaaaaaaaab\0*a*a*a*a*a*a*c", 32),
        std::string("x.dll\0  ?.dll; *.DLL", 20),
    };
    std::vector<Seed> seeds;
    for (const std::string& pair : pairs) seeds.push_back({"seed" + std::to_string(seeds.size()), pair});
    return WriteSeedsMain(argc, argv, seeds);
}
