// The profile manager's list: one row per profile data file, a name (the file's title) and its folder. The
// first three rows stand for the keyboard's three on-board profiles; the marked row is the profile the
// keyboard is to use, so only those three rows can be marked, and they cannot be deleted. The list is kept
// in the framework's per-user settings, section "PROFILES": "PROFILE00" the number of rows, "PROFILE01"
// onwards each row's path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

inline constexpr int kOnBoardProfiles = 3;
inline constexpr int kMaxListedProfiles = 99;  // "PROFILE%02d" names rows 01..99
inline constexpr char16_t kProfileListSection[] = u"PROFILES";

struct ProfileRow {
    std::u16string name;       // the file's title: its name without folder and extension
    std::u16string folder;     // without a trailing separator
    std::u16string extension;  // with its dot (".kvp", ".json"); empty for a name without one ("$Profile0")
    bool operator==(const ProfileRow&) const = default;
};

// Where the list is kept: one value per key of section "PROFILES".
class ProfileListStore {
public:
    virtual ~ProfileListStore() = default;
    [[nodiscard]] virtual std::u16string Read(std::u16string_view key) = 0;  // empty when missing
    virtual void Write(std::u16string_view key, std::u16string_view value) = 0;
};

// "PROFILE" and the number formed with "%s%02d": 0 -> "PROFILE00", 12 -> "PROFILE12".
[[nodiscard]] std::u16string ProfileListKey(int number);
// The row of a file path (either separator): its folder, title and extension.
[[nodiscard]] ProfileRow RowOfPath(std::u16string_view path);
// The path a row stands for, as the list stores it: folder, a backslash, the name and its own extension.
[[nodiscard]] std::u16string StoredPathOf(const ProfileRow& row);

class ProfileList {
public:
    // Three rows of the working profile data file; the keyboard's current profile (0-2) marked, none when
    // it is not known.
    ProfileList(std::u16string_view workingFile, int deviceProfile);

    // The stored list replaces the rows when it holds at least the three on-board rows; otherwise the rows
    // stay as they are. The mark is kept.
    void LoadStored(ProfileListStore& store);
    // Writes every row (PROFILE01 onwards) and then their number (PROFILE00).
    void Store(ProfileListStore& store) const;

    [[nodiscard]] const std::vector<ProfileRow>& Rows() const { return rows_; }
    [[nodiscard]] int Marked() const { return marked_; }
    [[nodiscard]] bool ApplyEnabled() const { return applyEnabled_; }

    // A click on a row: marks it when it is one of the on-board rows; enables Apply.
    void Click(int row);
    // Appends a row for the file; false (nothing changes) when the file is listed already or the list is full.
    bool Add(std::u16string_view path);
    [[nodiscard]] bool CanDelete(int row) const;
    bool Delete(int row);
    // The keyboard switched to this profile without unapplied changes: its row is marked, Apply disabled.
    void ShowDeviceProfile(int profile);
    void ApplyDone() { applyEnabled_ = false; }

    // The profile number the marked row gives the keyboard: only ever 0, 1 or 2.
    [[nodiscard]] std::optional<int> ProfileToSend() const;

private:
    std::vector<ProfileRow> rows_;
    int marked_ = -1;
    bool applyEnabled_ = false;
};

}  // namespace kv
