// The current profile: a process-wide number 0..2 owned by the main window. It selects the lighting record,
// the per-key colour page and the key table section shown, and is read by worker threads.
#pragma once

namespace kv {

[[nodiscard]] int CurrentProfile();
void SetCurrentProfile(int profile);  // values outside 0..2 are ignored

}  // namespace kv
