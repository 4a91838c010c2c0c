#include <cstdlib>

#include "virtual/state_store.h"

namespace qvx {

std::filesystem::path StatePath() {
    if (const char* v = std::getenv("KELVANE_VK_STATE"); v != nullptr && *v != '\0') return v;
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        base = ".";
    }
    return base / "kelvane" / "virtual-keyboard.state";
}

}  // namespace qvx
