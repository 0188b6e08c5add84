// quorvel: the Linux program. It stands in for the window: the same core, the
// same runs and the same report, driven by options instead of buttons.
#include <getopt.h>

#include <cstdio>
#include <cstring>

#include "core/FrontEnd.h"
#include "core/Results.h"

namespace {

const char kUsage[] =
    "Usage: quorvel [OPTION]... [PATH]...\n"
    "Lists the VST plug-ins that tracker songs and instruments use, which of them\n"
    "are missing here and which installed plug-ins no song uses.\n"
    "\n"
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n";

void PrintStatus(const char* text) { std::fprintf(stderr, "%s\n", text); }

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    while ((c = getopt_long(argc, argv, "hV", kOptions, nullptr)) != -1) {
        switch (c) {
            case 'h':
                std::fputs(kUsage, stdout);
                return 0;
            case 'V':
                std::printf("quorvel %s\n", QUORVEL_VERSION);
                return 0;
            default:
                std::fputs(kUsage, stderr);
                return 2;
        }
    }
    FrontEnd frontEnd;
    frontEnd.setStatusText = PrintStatus;
    FrontEndInstall(&frontEnd);
    UpdateStatusLine();
    return 0;
}
