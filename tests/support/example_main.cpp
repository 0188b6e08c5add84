// quorvel-example DIR: writes the bundled example collection into DIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "support/ExampleCollection.h"

int main(int argc, char** argv) {
    if (argc != 2 || !std::strcmp(argv[1], "--help")) {
        std::fputs("Usage: quorvel-example DIR\nWrites the example collection (songs/, vst/, wineprefix/) into DIR.\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    std::string reason;
    if (!WriteExampleCollection(argv[1], &reason)) {
        std::fprintf(stderr, "quorvel-example: %s\n", reason.c_str());
        return 1;
    }
    return 0;
}
