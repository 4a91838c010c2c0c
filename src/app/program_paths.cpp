#include "app/program_paths.h"

#include <cstdio>

#include "app/user_folder_seed.h"

namespace kv {
namespace {
ProgramPaths g_program;
UserPaths g_user;

std::wstring Clip(std::wstring s) {
    if (s.size() > kMaxPathChars - 1) s.resize(kMaxPathChars - 1);
    return s;
}
}  // namespace

ProgramPaths ComputeProgramPaths(const std::wstring& exePath) {
    ProgramPaths p;
    const auto cut = exePath.find_last_of(L"\\/");
    p.programFolder = cut == std::wstring::npos ? std::wstring() : exePath.substr(0, cut + 1);
    p.exeName = cut == std::wstring::npos ? exePath : exePath.substr(cut + 1);
    const std::wstring& P = p.programFolder;
    p.helpFolder = Clip(P + L"Help\\");
    p.skinFolder = Clip(P + L"Skins\\");
    p.mainSkin = Clip(P + L"Skins\\Main.ini");
    p.profileSkin = Clip(P + L"Skins\\Profile.ini");
    p.updateSkin = Clip(P + L"Skins\\UpdateDlg.ini");
    p.compositeSkin = Clip(P + L"Skins\\Composite.ini");
    p.templatePrefix = Clip(P + L"Skins\\UserDengColor_");
    p.packageFolder = Clip(P + L"Package");
    p.daemon = Clip(P + L"Tirvane.exe");
    return p;
}

UserPaths ComputeUserPaths(const std::wstring& localAppData) {
    std::wstring base = localAppData;
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    UserPaths u;
    u.folder = Clip(base + L"\\Halvorn");
    u.settingsFile = Clip(u.folder + L"\\wskb.ini");
    u.profilePrefix = Clip(u.folder + L"\\UserDengColor_");
    return u;
}

std::wstring LanguageFilePath(const ProgramPaths& p, unsigned languageId) {
    wchar_t id[16];
    std::swprintf(id, 16, L"%04X", languageId & 0xFFFFu);
    return Clip(p.programFolder + L"Lang" + id + L".ini");
}

std::wstring SkinPicturePath(const ProgramPaths& p, const std::wstring& pictureName) {
    return Clip(p.skinFolder + pictureName);
}

std::wstring ProfileSettingsPath(const std::wstring& prefix, int n) {
    return Clip(prefix + std::to_wstring(n) + L".userd");
}

std::wstring WorkingProfileDataFileName(const UserPaths& u) {
    wchar_t name[32];
    std::swprintf(name, 32, L"$Profile%d", 0);
    return Clip(u.folder + L"\\" + name);
}

void SetProgramPaths(const ProgramPaths& p) { g_program = p; }
const ProgramPaths& GetProgramPaths() { return g_program; }
void SetUserPaths(const UserPaths& u) { g_user = u; }
const UserPaths& GetUserPaths() { return g_user; }

std::wstring WorkingProfileDataPath() {
    SeedUserFolder(g_user, g_program);
    return WorkingProfileDataFileName(g_user);
}

}  // namespace kv
