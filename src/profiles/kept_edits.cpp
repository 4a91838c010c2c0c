#include "profiles/kept_edits.h"

#include <system_error>

#include "device/commands.h"
#include "profiles/profile_file.h"
#include "profiles/profile_read_keyboard.h"

namespace kv {

std::filesystem::path KeptEditsMarkPath(const std::filesystem::path& workingFile) {
    std::filesystem::path mark = workingFile;
    mark += ".unapplied";
    return mark;
}

bool KeepEdits(const std::filesystem::path& workingFile, ProfileData& data) {
    if (!SaveProfileFile(workingFile, data)) return false;
    static constexpr uint8_t kMark[] = {'1', '\r', '\n'};
    return WriteFileReplacing(KeptEditsMarkPath(workingFile), kMark);
}

bool HasKeptEdits(const std::filesystem::path& workingFile) {
    std::error_code ec;
    return std::filesystem::is_regular_file(KeptEditsMarkPath(workingFile), ec);
}

void ForgetKeptEdits(const std::filesystem::path& workingFile) {
    std::error_code ec;
    std::filesystem::remove(KeptEditsMarkPath(workingFile), ec);
}

bool TakeUpKeptEdits(const std::filesystem::path& workingFile, KeyboardDataLink& link, const KeyTableBlock& defaults,
                     std::u16string_view namePrefix, ProfileData& data) {
    if (!HasKeptEdits(workingFile)) return false;
    ProfileData kept;
    if (LoadProfileFile(workingFile, kept) != LoadResult::Loaded) {
        ForgetKeptEdits(workingFile);
        return false;
    }
    {
        std::lock_guard<std::mutex> hold(data.lock);
        std::lock_guard<std::mutex> holdKept(kept.lock);
        data.content = std::move(kept.content);
        data.fromKeyboard = true;
        data.readBase = ProfileContent{};
    }
    if (ReadKeyboardIntoFile(link, defaults, namePrefix, workingFile) == kResultSuccess) ForgetKeptEdits(workingFile);
    return true;
}

}  // namespace kv
