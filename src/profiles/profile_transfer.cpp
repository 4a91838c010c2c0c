#include "profiles/profile_transfer.h"

#include "device/commands.h"
#include "macros/checked_data_link.h"
#include "profiles/profile_exchange.h"
#include "profiles/profile_file_format.h"
#include "profiles/profile_read_keyboard.h"

namespace kv {

ImportOutcome ImportProfileFile(const std::filesystem::path& path, const std::filesystem::path& workingFile,
                                ProfileData& data, ProfileDataSnapshot& snapshot, KeyboardDataLink& link,
                                std::optional<std::size_t> capacity, const KeyTableBlock& defaults) {
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
    if (!capacity) return out;
    CheckedDataLink checked(link);
    out.write = CreateSnapshotAndWrite(data, snapshot, checked, *capacity, defaults, std::nullopt);
    out.applied = out.write.written && checked.AllSucceeded();
    out.firstMessage = out.write.messageKey;
    return out;
}

int RefreshFromKeyboard(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                        const std::filesystem::path& workingFile, ProfileData& data) {
    ProfileContent read;
    const KeyboardRead r = ReadKeyboardParts(link, defaults, namePrefix, read);
    if (r.result == kResultSuccess) {
        const bool loaded = WriteFileReplacing(workingFile, SerializeProfile(read)) &&
                            LoadProfileFile(workingFile, data) == LoadResult::Loaded;
        std::lock_guard<std::mutex> hold(data.lock);
        if (!loaded) data.content = std::move(read);
        data.fromKeyboard = true;
        data.readBase = ProfileContent{};
        return r.result;
    }
    std::lock_guard<std::mutex> hold(data.lock);
    data.content = r.keyTablesRead ? std::move(read) : ProfileContent{};
    data.fromKeyboard = false;
    data.readBase = data.content;
    return r.result;
}

}  // namespace kv
