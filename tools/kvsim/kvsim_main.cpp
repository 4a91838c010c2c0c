// kvsim: drives the virtual keyboard of a running program (or test) through its control channel.
//   kvsim detach            kvsim bank            kvsim fault status FE 2
//   kvsim dump keytable 0   kvsim log             kvsim -   (commands from standard input, one per line)
// The channel is KELVANE_VK_CHANNEL (default "kelvane-vk"); --channel NAME chooses another.
//   kvsim [--channel NAME] --uhid   (Linux) the virtual keyboard itself, as a HID device through /dev/uhid,
//                                   driven through that channel like any other; runs until SIGINT/SIGTERM
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "app/library_search.h"
#include "control_client.h"
#ifndef _WIN32
#include "uhid_keyboard.h"
#endif

namespace {

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: kvsim [--channel NAME] COMMAND [ARGS...]\n"
                 "       kvsim [--channel NAME] -        (one command per line from standard input)\n"
                 "       kvsim help                      (the keyboard's list of commands)\n"
                 "       kvsim [--channel NAME] --uhid   (Linux: the keyboard as a HID device through /dev/uhid)\n");
}

// 0 when the keyboard carried the command out, 1 when it refused, 2 when nobody listens.
int Run(const qvx::ControlClient& client, const std::string& line) {
    const qvx::ControlReply reply = client.Command(line);
    for (const std::string& l : reply.lines) std::printf("%s\n", l.c_str());
    if (!reply.delivered) {
        std::fprintf(stderr, "kvsim: %s\n", reply.error.c_str());
        return 2;
    }
    if (!reply.ok) {
        std::fprintf(stderr, "kvsim: %s\n", reply.error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    kv::RestrictLibrarySearch();
    int first = 1;
    std::string channel;
    if (argc > 2 && std::strcmp(argv[1], "--channel") == 0) {
        channel = argv[2];
        first = 3;
    }
    if (first >= argc) {
        PrintUsage();
        return 2;
    }
    if (std::strcmp(argv[first], "--uhid") == 0) {
#ifndef _WIN32
        // The keyboard model takes its channel and state file from the environment, as in the library.
        if (!channel.empty()) setenv("KELVANE_VK_CHANNEL", channel.c_str(), 1);
        return kvsim::RunUhidKeyboard();
#else
        std::fprintf(stderr, "kvsim: --uhid needs Linux's /dev/uhid\n");
        return 2;
#endif
    }
    const qvx::ControlClient client = channel.empty() ? qvx::ControlClient() : qvx::ControlClient(channel);
    if (std::strcmp(argv[first], "-") == 0) {
        int worst = 0;
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line.empty() || line[0] == '#') continue;
            const int rc = Run(client, line);
            if (rc > worst) worst = rc;
            if (rc == 2) break;
        }
        return worst;
    }
    std::string line;
    for (int i = first; i < argc; ++i) {
        if (i > first) line += ' ';
        line += argv[i];
    }
    return Run(client, line);
}
