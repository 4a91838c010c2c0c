#include "profiles/profile_settings.h"

#include <array>
#include <cstdio>
#include <system_error>
#include <vector>

#include "profiles/profile_file.h"

namespace kv {

namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }
std::u16string Number(long long v) { return Ascii(std::to_string(v)); }
std::u16string SetSection(int set) { return u"Mode" + Number(set); }

// Reads up to `count` comma-separated decimal integers the way "%d,%d,..." scanning does: it stops at the
// first part that is not a number and leaves the remaining values as they were.
template <std::size_t N>
void ScanInts(std::u16string_view text, std::array<long long, N>& out) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < N; ++i) {
        while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
        const std::size_t digits = at;
        long long v = 0;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            if (v < 100000000) v = v * 10 + (text[at] - u'0');
            ++at;
        }
        if (at == digits) return;
        out[i] = negative ? -v : v;
        if (i + 1 < N) {
            if (at >= text.size() || text[at] != u',') return;
            ++at;
        }
    }
}

unsigned Component(long long v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<unsigned>(v); }

bool ValidProfile(int p) { return p >= 0 && p <= 2; }
bool ValidSet(int s) { return s >= 0 && s < kColorSetCount; }

}  // namespace

std::u16string FormatColor(uint32_t c) {
    return Number(c & 0xFF) + u"," + Number((c >> 8) & 0xFF) + u"," + Number((c >> 16) & 0xFF);
}

uint32_t ParseColor(std::u16string_view text) {
    std::array<long long, 3> v{0, 0, 0};
    ScanInts(text, v);
    return MakeColor(Component(v[0]), Component(v[1]), Component(v[2]));
}

std::filesystem::path ProfileSettingsPath(const std::filesystem::path& userFolder, int profile) {
    return userFolder / ("UserDengColor_" + std::to_string(profile) + ".userd");
}

std::filesystem::path SettingsTemplatePath(const std::filesystem::path& programFolder) {
    return programFolder / "Skins" / "UserDengColor_3.userd";
}

bool CopyTemplate(const std::filesystem::path& templatePath, const std::filesystem::path& target) {
    std::vector<uint8_t> bytes;
    // A missing template must not empty the user's colour sets.
    if (!ReadWholeFile(templatePath, bytes)) return false;
    return WriteFileReplacing(target, bytes);
}

UserFolderState EnsureUserFolder(const std::filesystem::path& userFolder, const std::filesystem::path& templatePath) {
    if (userFolder.empty()) return UserFolderState::Unknown;
    std::error_code ec;
    const bool exists = std::filesystem::exists(userFolder, ec);
    if (ec) return UserFolderState::Unknown;  // cannot tell: the user's files may be there
    if (exists) return UserFolderState::Existed;
    std::filesystem::create_directories(userFolder, ec);
    if (ec) return UserFolderState::Unknown;
    std::vector<uint8_t> bytes;
    (void)ReadWholeFile(templatePath, bytes);  // a missing template gives empty copies in the new folder
    for (int p = 0; p < 3; ++p) (void)WriteNewFile(ProfileSettingsPath(userFolder, p), bytes);
    return UserFolderState::Seeded;
}

int ProfileSettings::ReadSelectedSet(int profile) {
    std::array<long long, 1> v{0};
    ScanInts(store_.Read(PathOf(profile), u"PRESENTMODE", u"mode", u"0"), v);
    return ValidSet(static_cast<int>(v[0])) && v[0] == static_cast<int>(v[0]) ? static_cast<int>(v[0]) : 0;
}

void ProfileSettings::WriteSelectedSet(int profile, int set) {
    if (!ValidProfile(profile) || !ValidSet(set)) return;
    (void)store_.Write(PathOf(profile), u"PRESENTMODE", u"mode", Number(set));
}

std::u16string ProfileSettings::ReadSetName(int profile, int set) {
    return store_.Read(PathOf(profile), u"MODENAME", Number(set), u"0");
}

void ProfileSettings::WriteSetName(int profile, int set, std::u16string_view name) {
    if (!ValidProfile(profile) || !ValidSet(set)) return;
    (void)store_.Write(PathOf(profile), u"MODENAME", Number(set), name);
}

KeyColor ProfileSettings::ReadKeyColor(int profile, int set, int key) {
    std::array<long long, 4> v{255, 0, 0, 1};
    ScanInts(store_.Read(PathOf(profile), SetSection(set), Number(key), u"255,0,0,1"), v);
    KeyColor k;
    k.color = MakeColor(Component(v[0]), Component(v[1]), Component(v[2]));
    k.followsBase = v[3] != 0 ? 1 : 0;
    return k;
}

void ProfileSettings::WriteKeyColor(int profile, int set, int key, const KeyColor& value) {
    if (!ValidProfile(profile) || !ValidSet(set) || key < 0 || key >= kSettingsKeyCount) return;
    (void)store_.Write(PathOf(profile), SetSection(set), Number(key),
                       FormatColor(value.color) + u"," + Number(value.followsBase));
}

SetOptions ProfileSettings::ReadSetOptions(int profile, int set) {
    SetOptions o;
    std::array<long long, 1> tool{0};
    ScanInts(store_.Read(PathOf(profile), SetSection(set), u"tool", u"0"), tool);
    o.tool = tool[0] != 0 ? 1 : 0;
    o.baseColor = ParseColor(store_.Read(PathOf(profile), SetSection(set), u"jcolor", u"0,0,0"));
    o.paintColor = ParseColor(store_.Read(PathOf(profile), SetSection(set), u"color", u"0,0,0"));
    return o;
}

void ProfileSettings::WriteSetOptions(int profile, int set, const SetOptions& o) {
    if (!ValidProfile(profile) || !ValidSet(set)) return;
    const std::filesystem::path file = PathOf(profile);
    (void)store_.Write(file, SetSection(set), u"tool", Number(o.tool));
    (void)store_.Write(file, SetSection(set), u"jcolor", FormatColor(o.baseColor));
    (void)store_.Write(file, SetSection(set), u"color", FormatColor(o.paintColor));
}

bool ProfileSettings::ResetProfileFile(int profile, const std::filesystem::path& templatePath) {
    if (!ValidProfile(profile)) return false;
    return CopyTemplate(templatePath, PathOf(profile));
}

}  // namespace kv
