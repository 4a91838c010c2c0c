#include "environment.h"
#include "virtual/state_store.h"

namespace qvx {

std::filesystem::path StatePath() {
    if (const std::string v = EnvironmentValue("KELVANE_VK_STATE"); !v.empty()) return v;
    std::filesystem::path base;
    if (const std::string xdg = EnvironmentValue("XDG_DATA_HOME"); !xdg.empty()) {
        base = xdg;
    } else if (const std::string home = EnvironmentValue("HOME"); !home.empty()) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        base = ".";
    }
    return base / "kelvane" / "virtual-keyboard.state";
}

}  // namespace qvx
