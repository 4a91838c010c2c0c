// kvtool: command-line access to the keyboard through the HID service library.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fprintf(stderr, "usage: kvtool info | keytable P\n");
        return 2;
    }
    return 2;
}
