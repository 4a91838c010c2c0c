#include "profiles/settings_store.h"

namespace kv {

SettingsStore& PlatformSettingsStore() {
    static IniFileStore store;
    return store;
}

}  // namespace kv
