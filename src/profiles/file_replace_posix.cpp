// Replacing a file in one step natively: write a sibling, fsync it, rename it over the target, fsync the folder.
// Creating a new file: O_EXCL, so an existing file is never touched.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "profiles/profile_file.h"

namespace kv {

namespace {
bool WriteAll(int fd, const uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}
}  // namespace

bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    const std::string target = path.string();
    const std::string temp = target + ".new~";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(path.c_str());  // ours, made just now: no half file stays behind
        return false;
    }
    return true;
}

}  // namespace kv
