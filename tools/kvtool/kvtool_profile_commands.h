// kvtool's profile data commands: validate, dump and build work on files alone; backup and restore move a
// profile data file between the disk and the keyboard.
#pragma once

#include <string>
#include <vector>

#include "kvtool_commands.h"

namespace kv::tool {

int RunValidate(const std::vector<std::string>& args, const ToolIo& io);
int RunDump(const std::vector<std::string>& args, const ToolIo& io);
int RunBuild(const std::vector<std::string>& args, const ToolIo& io);
int RunBackup(const std::vector<std::string>& args, const ToolIo& io);
int RunRestore(const std::vector<std::string>& args, const ToolIo& io);

}  // namespace kv::tool
