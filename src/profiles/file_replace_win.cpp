// Replacing a file in one step on Windows: write a sibling, flush it, move it over the target with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH. Creating a new file: CREATE_NEW, so an existing file
// is never touched.
#include <windows.h>

#include <algorithm>
#include <string>

#include "profiles/profile_file.h"

namespace kv {

namespace {

bool WriteAllAndClose(HANDLE h, std::span<const uint8_t> bytes) {
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &written, nullptr) != 0 && written == chunk;
        done += written;
    }
    ok = ok && FlushFileBuffers(h) != 0;
    CloseHandle(h);
    return ok;
}

}  // namespace

bool WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (!WriteAllAndClose(h, bytes)) {
        DeleteFileW(path.c_str());  // ours, made just now: no half file stays behind
        return false;
    }
    return true;
}

bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    const std::wstring target = path.wstring();
    const std::wstring temp = target + L".new~";
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteAllAndClose(h, bytes);
    if (!ok || !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace kv
