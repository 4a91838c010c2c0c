// The keyboard's current on-board profile, cached process-wide (-1 = empty). Read and written from the main
// window's thread and from worker threads; the cache is an atomic, the exchanges serialise themselves.
#include <atomic>

#include "device/commands.h"

namespace kv {
namespace {
constexpr int kEmpty = -1;
std::atomic<int> g_deviceProfile{kEmpty};
}  // namespace

int GetDeviceProfile() {
    const int cached = g_deviceProfile.load();
    if (cached != kEmpty) return cached;
    uint8_t info[kInfoSize] = {};
    if (ReadInfo(info) != kResultSuccess) return kEmpty;
    g_deviceProfile.store(info[kInfoProfileOffset]);
    return info[kInfoProfileOffset];
}

int WriteDeviceProfile(int profile) {
    if (profile < 0 || profile > 2) return kResultBadProfile;
    uint8_t info[kInfoSize] = {};
    const int read = ReadInfo(info);
    if (read != kResultSuccess) return read;
    info[kInfoProfileOffset] = static_cast<uint8_t>(profile);
    const int written = WriteInfo(info);
    g_deviceProfile.store(written == kResultSuccess ? profile : kEmpty);
    return written;
}

void SetDeviceProfile(int profile) { (void)WriteDeviceProfile(profile); }

void ClearDeviceProfileCache() { g_deviceProfile.store(kEmpty); }

}  // namespace kv
