// kvtool's commands: one row per command, run after the HID service library is bound. Each returns the
// process exit code and writes its one-line failure message itself.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kv::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the keyboard or a command failed
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoLibrary = 3;

struct ToolIo {
    std::FILE* out;
    std::FILE* err;
};

struct ToolCommand {
    const char* name;
    const char* arguments;  // as shown in the usage text
    const char* summary;
    int (*run)(const std::vector<std::string>& args, const ToolIo& io);
    bool needsKeyboard = true;  // false: works on files alone, without the HID service library
};

[[nodiscard]] const std::vector<ToolCommand>& ToolCommands();

// "kvtool: <what> (result N)" on err; returns kExitFailed.
int ReportFailure(const ToolIo& io, const char* what, int result);
void PrintUsage(std::FILE* to);

// The whole program: arguments, binding, dispatch.
[[nodiscard]] int RunTool(int argc, char** argv, const ToolIo& io);

}  // namespace kv::tool
