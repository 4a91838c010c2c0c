#include "virtual/state_store.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace qvx {

bool LoadState(const std::filesystem::path& path, KeyboardMemory& out, std::string& note) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        note = "no state file, factory memory";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        note = "state file unreadable, factory memory";
        return false;
    }
    if (!DecodeState(bytes.data(), bytes.size(), out)) {
        note = "state file damaged or of another version (" + std::to_string(bytes.size()) + " bytes), factory memory";
        return false;
    }
    note = "memory loaded from the state file";
    return true;
}

bool SaveState(const std::filesystem::path& path, const KeyboardMemory& memory, std::string& error) {
    if (path.empty()) {
        error = "no state file path";
        return false;
    }
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path temp = path;
    temp += ".tmp";
    const std::vector<uint8_t> bytes = EncodeState(memory);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out.good()) {
            error = "cannot write " + temp.string();
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        error = "cannot replace " + path.string() + ": " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace qvx
