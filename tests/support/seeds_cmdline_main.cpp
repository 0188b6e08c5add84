// Writes fuzz seeds for the command-line parser into the folder argv[1].
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const char* const seeds[] = {
        "/p:C:\\Songs\\ /s+ /e:C:\\report.txt /o /q",
        "/p:C:\\Songs/e:x.txt",
        "/f:Demo.xrns /e:out.txt",
        "/P:C:\\One /p:C:\\Two /F:*.xrns;*.rns",
        "/p: \\\\  /s- /s+",
        "/e:r.txt /q",
        "/p:/e:/f:/",
    };
    int n = 0;
    for (const char* seed : seeds) {
        FILE* file = std::fopen((std::string(argv[1]) + "/seed" + std::to_string(n++)).c_str(), "wb");
        if (!file) return 1;
        std::fputs(seed, file);
        std::fclose(file);
    }
    return 0;
}
