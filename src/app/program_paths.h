// Every path the program uses, computed once at start-up. Files that ship with the program live under the
// folder of the running executable (P); the user's own data lives in U = local application data + "\Halvorn".
// Paths are Windows paths (backslashes) of at most 260 characters.
#pragma once

#include <string>

namespace kv {

inline constexpr std::size_t kMaxPathChars = 260;

struct ProgramPaths {
    std::wstring programFolder;    // P, ending in a backslash
    std::wstring exeName;          // X: the executable's file name with extension
    std::wstring helpFolder;       // P + "Help\"
    std::wstring mainSkin;         // P + "Skins\Main.ini"
    std::wstring profileSkin;      // P + "Skins\Profile.ini"
    std::wstring updateSkin;       // P + "Skins\UpdateDlg.ini"
    std::wstring compositeSkin;    // P + "Skins\Composite.ini"
    std::wstring skinFolder;       // P + "Skins\"
    std::wstring templatePrefix;   // P + "Skins\UserDengColor_"
    std::wstring packageFolder;    // P + "Package"
    std::wstring daemon;           // P + "Tirvane.exe"
};

struct UserPaths {
    std::wstring folder;           // U
    std::wstring settingsFile;     // U + "\wskb.ini"
    std::wstring profilePrefix;    // U + "\UserDengColor_"
};

// exePath: the full path of the running executable.
[[nodiscard]] ProgramPaths ComputeProgramPaths(const std::wstring& exePath);
// localAppData: the user's local application data folder (without a trailing backslash, or with one).
[[nodiscard]] UserPaths ComputeUserPaths(const std::wstring& localAppData);

// P + "Lang" + language id as four upper-case hex digits + ".ini".
[[nodiscard]] std::wstring LanguageFilePath(const ProgramPaths& p, unsigned languageId);
// P + "Skins\" + picture name.
[[nodiscard]] std::wstring SkinPicturePath(const ProgramPaths& p, const std::wstring& pictureName);
// The per-profile settings file: prefix + n + ".userd" (pattern "%s%d%s").
[[nodiscard]] std::wstring ProfileSettingsPath(const std::wstring& prefix, int n);
// U + "\" + "$Profile%d" with 0: the working profile data file (no extension).
[[nodiscard]] std::wstring WorkingProfileDataFileName(const UserPaths& u);

// The process-wide paths, set once by the application object before the main window exists.
void SetProgramPaths(const ProgramPaths& p);
[[nodiscard]] const ProgramPaths& GetProgramPaths();
void SetUserPaths(const UserPaths& u);
[[nodiscard]] const UserPaths& GetUserPaths();
// The working profile data file; runs the first-run seeding of the user folder before forming the path.
[[nodiscard]] std::wstring WorkingProfileDataPath();

}  // namespace kv
