// The per-profile settings files "UserDengColor_<p>.userd" in the user folder: ten named per-key colour sets
// of the custom lighting effect, the selected set, and each set's base colour, paint colour and tool.
// Values are read and written one at a time; a missing value reads as its default.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "profiles/settings_store.h"

namespace kv {

inline constexpr int kColorSetCount = 10;
inline constexpr int kSettingsKeyCount = 126;  // LED numbers 0..125

// 24-bit colour: red | green << 8 | blue << 16.
[[nodiscard]] constexpr uint32_t MakeColor(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

struct KeyColor {
    uint32_t color = MakeColor(255, 0, 0);
    int followsBase = 1;  // 1 the key follows the set's base colour, 0 it keeps its own
    bool operator==(const KeyColor&) const = default;
};

struct SetOptions {
    int tool = 0;
    uint32_t baseColor = 0;
    uint32_t paintColor = 0;
    bool operator==(const SetOptions&) const = default;
};

[[nodiscard]] std::filesystem::path ProfileSettingsPath(const std::filesystem::path& userFolder, int profile);
// The factory settings file beside the program: Skins/UserDengColor_3.userd.
[[nodiscard]] std::filesystem::path SettingsTemplatePath(const std::filesystem::path& programFolder);

// The first-run seeding of the user folder, the program's only one: when the folder does not exist, create
// it and give profiles 0, 1 and 2 each a copy of the template. An existing folder is left as it is, and so is
// everything when the existence check itself fails (the folder may well be there). A file is never
// replaced: a copy is only made where no file exists. Failures are not reported otherwise; later reads then
// give defaults.
enum class UserFolderState {
    Existed,  // nothing copied
    Seeded,   // the folder was made and each profile file that was missing got the template (empty without one)
    Unknown,  // the check failed or the folder could not be made: nothing touched
};
UserFolderState EnsureUserFolder(const std::filesystem::path& userFolder, const std::filesystem::path& templatePath);
// Copies the template over the file. When the template cannot be read the file is left alone: false.
bool CopyTemplate(const std::filesystem::path& templatePath, const std::filesystem::path& target);

class ProfileSettings {
public:
    ProfileSettings(SettingsStore& store, std::filesystem::path userFolder)
        : store_(store), folder_(std::move(userFolder)) {}

    [[nodiscard]] int ReadSelectedSet(int profile);
    void WriteSelectedSet(int profile, int set);
    [[nodiscard]] std::u16string ReadSetName(int profile, int set);
    void WriteSetName(int profile, int set, std::u16string_view name);
    [[nodiscard]] KeyColor ReadKeyColor(int profile, int set, int key);
    void WriteKeyColor(int profile, int set, int key, const KeyColor& value);
    [[nodiscard]] SetOptions ReadSetOptions(int profile, int set);
    void WriteSetOptions(int profile, int set, const SetOptions& options);
    // Copies the template over the profile's file; without a readable template the file is left alone (false).
    bool ResetProfileFile(int profile, const std::filesystem::path& templatePath);

    [[nodiscard]] std::filesystem::path PathOf(int profile) const { return ProfileSettingsPath(folder_, profile); }

private:
    SettingsStore& store_;
    std::filesystem::path folder_;
};

// "%d,%d,%d" of a colour and its reading back; missing or bad parts read as 0, components kept to 0..255.
[[nodiscard]] std::u16string FormatColor(uint32_t color);
[[nodiscard]] uint32_t ParseColor(std::u16string_view text);

}  // namespace kv
