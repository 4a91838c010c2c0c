// kvtool: command-line access to the keyboard through the HID service library.
#include <cstdio>

#include "app/library_search.h"
#include "kvtool_commands.h"

int main(int argc, char** argv) {
    kv::RestrictLibrarySearch();
    const int code = kv::tool::RunTool(argc, argv, kv::tool::ToolIo{stdout, stderr});
    std::fflush(stdout);
    return code;
}
