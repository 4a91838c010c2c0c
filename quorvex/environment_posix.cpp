#include <cstdlib>

#include "environment.h"

namespace qvx {

std::string EnvironmentValue(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

}  // namespace qvx
