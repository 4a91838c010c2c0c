// kvtool's commands that read the keyboard: info and keytable.
#pragma once

#include <string>
#include <vector>

#include "kvtool_commands.h"

namespace kv::tool {

int RunInfo(const std::vector<std::string>& args, const ToolIo& io);
int RunKeyTable(const std::vector<std::string>& args, const ToolIo& io);

}  // namespace kv::tool
