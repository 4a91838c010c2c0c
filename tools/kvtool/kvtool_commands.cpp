#include "kvtool_commands.h"

#include <cstring>

#include "device/hid_binding.h"
#include "kv_version.h"
#include "kvtool_device_commands.h"
#include "kvtool_lighting_commands.h"
#include "kvtool_profile_commands.h"

namespace kv::tool {

const std::vector<ToolCommand>& ToolCommands() {
    static const std::vector<ToolCommand> commands = {
        {"info", "", "firmware version, current profile, macro capacity and offered effects", &RunInfo},
        {"keytable", "P", "profile P's 378-byte key table block in hex (P = 0, 1 or 2)", &RunKeyTable},
        {"validate", "FILE", "check a profile data file; a one-line reason when it is not valid", &RunValidate, false},
        {"dump", "FILE", "a profile data file as JSON", &RunDump, false},
        {"build", "JSON -o FILE", "a profile data file from dump's JSON", &RunBuild, false},
        {"backup", "FILE", "read the keyboard's key tables and macros into a profile data file", &RunBackup},
        {"restore", "FILE", "write a profile data file's key tables and macros to the keyboard", &RunRestore},
        {"lighting", "WHAT P ...", "show or set profile P's lighting: show, effect N, brightness B, speed S,\n"
                                   "                            direction D, color R G B, defaults, keys FILE", &RunLighting},
    };
    return commands;
}

int ReportFailure(const ToolIo& io, const char* what, int result) {
    std::fprintf(io.err, "kvtool: %s (result %d)\n", what, result);
    return kExitFailed;
}

void PrintUsage(std::FILE* to) {
    std::fprintf(to, "usage: kvtool <command> [arguments]\n");
    for (const ToolCommand& c : ToolCommands())
        std::fprintf(to, "  %-10s %-14s %s\n", c.name, c.arguments, c.summary);
    std::fprintf(to, "  %-10s %-14s %s\n", "--version", "", "the version of kvtool");
}

int RunTool(int argc, char** argv, const ToolIo& io) {
    if (argc < 2) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fprintf(io.out, "kvtool %s\n", KV_VERSION);
        return kExitOk;
    }
    const ToolCommand* command = nullptr;
    for (const ToolCommand& c : ToolCommands())
        if (std::strcmp(argv[1], c.name) == 0) command = &c;
    if (command == nullptr) {
        std::fprintf(io.err, "kvtool: unknown command \"%s\"\n", argv[1]);
        PrintUsage(io.err);
        return kExitUsage;
    }
    if (!command->needsKeyboard) return command->run(std::vector<std::string>(argv + 2, argv + argc), io);
    // Unlike the program, the tool says why the library could not be bound.
    const BindResult bound = BindHidService([&io](const BindResult& r) {
        std::fprintf(io.err, "kvtool: %s\n", DescribeBindResult(r).c_str());
    });
    if (bound.status != BindStatus::Bound) return kExitNoLibrary;
    return command->run(std::vector<std::string>(argv + 2, argv + argc), io);
}

}  // namespace kv::tool
