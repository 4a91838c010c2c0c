#include "app/current_profile.h"

#include <atomic>

namespace kv {
namespace {
std::atomic<int> g_currentProfile{0};
}

int CurrentProfile() { return g_currentProfile.load(std::memory_order_relaxed); }

void SetCurrentProfile(int profile) {
    if (profile >= 0 && profile <= 2) g_currentProfile.store(profile, std::memory_order_relaxed);
}

}  // namespace kv
