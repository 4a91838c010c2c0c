#include "profiles/profile_transfer.h"

#include "device/commands.h"
#include "profiles/profile_exchange.h"
#include "profiles/profile_read_keyboard.h"

namespace kv {

ImportOutcome ImportProfileFile(const std::filesystem::path& path, const std::filesystem::path& workingFile,
                                ProfileData& data, ProfileDataSnapshot& snapshot, KeyboardDataLink& link,
                                std::size_t capacity, const KeyTableBlock& defaults) {
    ImportOutcome out;
    ProfileContent content;
    out.validation = ReadProfileForImport(path, content);
    if (out.validation.code != kValidateOk) {
        out.firstMessage = out.validation.showFormatError ? kMessageProfileFormatError : kMessageImportFailed;
        out.secondMessage = out.validation.showFormatError ? kMessageImportFailed : nullptr;
        return out;
    }
    {
        std::lock_guard<std::mutex> hold(data.lock);
        data.content = std::move(content);
    }
    out.imported = true;
    (void)SaveProfileFile(workingFile, data);
    out.write = CreateSnapshotAndWrite(data, snapshot, link, capacity, defaults, std::nullopt);
    out.firstMessage = out.write.messageKey;
    return out;
}

int RefreshFromKeyboard(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                        const std::filesystem::path& workingFile, ProfileData& data) {
    const int r = ReadKeyboardIntoFile(link, defaults, namePrefix, workingFile);
    if (r == kResultSuccess && LoadProfileFile(workingFile, data) == LoadResult::Loaded) return r;
    std::lock_guard<std::mutex> hold(data.lock);
    data.content = ProfileContent{};
    return r;
}

}  // namespace kv
