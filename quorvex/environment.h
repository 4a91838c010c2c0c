// Reads one environment variable of this process as UTF-8; empty when unset. On Windows this asks the
// system, so values set with SetEnvironmentVariableW after the start of the process are seen too.
#pragma once

#include <string>

namespace qvx {

[[nodiscard]] std::string EnvironmentValue(const char* name);

}  // namespace qvx
