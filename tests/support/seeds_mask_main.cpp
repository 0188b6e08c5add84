// Writes fuzz seeds for the mask matcher into the folder argv[1]: a name, a
// NUL, a mask list.
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string seeds[] = {
        std::string("Song.XRNS\0*.xrns;*.xml;*.rns;*.xrni", 35),
        std::string("a;b.xrns\0a;b.xrns", 17),
        std::string("aaaaaaaaaaaaaaaab\0*a*a*a*a*a*a*c", 32),
        std::string("x.dll\0  ?.dll; *.DLL", 20),
    };
    int n = 0;
    for (const std::string& seed : seeds) {
        FILE* file = std::fopen((std::string(argv[1]) + "/seed" + std::to_string(n++)).c_str(), "wb");
        if (!file) return 1;
        std::fwrite(seed.data(), 1, seed.size(), file);
        std::fclose(file);
    }
    return 0;
}
