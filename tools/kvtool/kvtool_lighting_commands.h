// kvtool lighting: the lighting record of a profile shown and edited from the command line, through the
// same lighting operations as the program's lighting panel.
#pragma once

#include <string>
#include <vector>

#include "kvtool_commands.h"

namespace kv::tool {

int RunLighting(const std::vector<std::string>& args, const ToolIo& io);

}  // namespace kv::tool
