#include "profiles/profile_list.h"

#include <algorithm>

namespace kv {

namespace {

bool SameRow(const ProfileRow& a, const ProfileRow& b) {
    // File names on the desktop compare without regard to ASCII case.
    auto lower = [](std::u16string s) {
        for (char16_t& c : s)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        return s;
    };
    return lower(a.name) == lower(b.name) && lower(a.folder) == lower(b.folder) &&
           lower(a.extension) == lower(b.extension);
}

}  // namespace

std::u16string ProfileListKey(int number) {
    std::u16string key = u"PROFILE";
    const int n = std::clamp(number, 0, 99);
    key.push_back(static_cast<char16_t>(u'0' + n / 10));
    key.push_back(static_cast<char16_t>(u'0' + n % 10));
    return key;
}

ProfileRow RowOfPath(std::u16string_view path) {
    const std::size_t cut = path.find_last_of(u"\\/");
    ProfileRow row;
    std::u16string_view file = path;
    if (cut != std::u16string_view::npos) {
        row.folder = std::u16string(path.substr(0, cut));
        file = path.substr(cut + 1);
    }
    const std::size_t dot = file.find_last_of(u'.');
    const bool hasExtension = dot != std::u16string_view::npos && dot != 0;
    row.name = std::u16string(hasExtension ? file.substr(0, dot) : file);
    if (hasExtension) row.extension = std::u16string(file.substr(dot));
    return row;
}

std::u16string StoredPathOf(const ProfileRow& row) {
    std::u16string path = row.folder;
    if (!path.empty()) path.push_back(u'\\');
    path += row.name;
    path += row.extension;
    return path;
}

ProfileList::ProfileList(std::u16string_view workingFile, int deviceProfile) {
    rows_.assign(kOnBoardProfiles, RowOfPath(workingFile));
    if (deviceProfile >= 0 && deviceProfile < kOnBoardProfiles) marked_ = deviceProfile;
}

void ProfileList::LoadStored(ProfileListStore& store) {
    const std::u16string countText = store.Read(ProfileListKey(0));
    int count = 0;
    for (char16_t c : countText) {
        if (c < u'0' || c > u'9' || count > kMaxListedProfiles) return;  // not a row count: the rows stay
        count = count * 10 + (c - u'0');
    }
    if (count < kOnBoardProfiles || count > kMaxListedProfiles) return;
    std::vector<ProfileRow> rows;
    for (int r = 1; r <= count; ++r) {
        const std::u16string path = store.Read(ProfileListKey(r));
        if (path.empty()) return;
        rows.push_back(RowOfPath(path));
    }
    rows_ = std::move(rows);
}

void ProfileList::Store(ProfileListStore& store) const {
    for (std::size_t r = 0; r < rows_.size(); ++r) store.Write(ProfileListKey(static_cast<int>(r) + 1), StoredPathOf(rows_[r]));
    const std::string count = std::to_string(rows_.size());
    store.Write(ProfileListKey(0), std::u16string(count.begin(), count.end()));
}

void ProfileList::Click(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    if (row < kOnBoardProfiles) marked_ = row;
    applyEnabled_ = true;
}

bool ProfileList::Add(std::u16string_view path) {
    ProfileRow row = RowOfPath(path);
    if (static_cast<int>(rows_.size()) >= kMaxListedProfiles) return false;
    if (std::any_of(rows_.begin(), rows_.end(), [&](const ProfileRow& r) { return SameRow(r, row); })) return false;
    rows_.push_back(std::move(row));
    applyEnabled_ = true;
    return true;
}

bool ProfileList::CanDelete(int row) const { return row >= kOnBoardProfiles && row < static_cast<int>(rows_.size()); }

bool ProfileList::Delete(int row) {
    if (!CanDelete(row)) return false;
    rows_.erase(rows_.begin() + row);
    applyEnabled_ = true;
    return true;
}

void ProfileList::ShowDeviceProfile(int profile) {
    if (profile >= 0 && profile < kOnBoardProfiles) marked_ = profile;
    applyEnabled_ = false;
}

std::optional<int> ProfileList::ProfileToSend() const {
    if (marked_ >= 0 && marked_ < kOnBoardProfiles && marked_ < static_cast<int>(rows_.size())) return marked_;
    return std::nullopt;
}

}  // namespace kv
