#include "app/user_folder_seed.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace kv {
namespace {

// Paths are kept in Windows form; the native build reads the backslashes as folder separators.
std::filesystem::path OnDisk(std::wstring p) {
#ifndef _WIN32
    for (auto& c : p)
        if (c == L'\\') c = L'/';
#endif
    return std::filesystem::path(p);
}

std::vector<char> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

SeedResult SeedUserFolder(const UserPaths& user, const ProgramPaths& program) {
    std::error_code ec;
    const auto folder = OnDisk(user.folder);
    if (user.folder.empty() || std::filesystem::exists(folder, ec)) return SeedResult::AlreadyThere;
    std::filesystem::create_directories(folder, ec);
    const auto bytes = ReadAll(OnDisk(ProfileSettingsPath(program.templatePrefix, 3)));
    for (int n = 0; n < 3; ++n) {
        std::ofstream out(OnDisk(ProfileSettingsPath(user.profilePrefix, n)), std::ios::binary | std::ios::trunc);
        if (out && !bytes.empty()) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return SeedResult::Seeded;
}

}  // namespace kv
