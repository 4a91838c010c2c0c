// Control channel over a Unix-domain socket in the abstract namespace (no file to clean up).
// Threads: Start runs on the caller's thread and binds; the server thread accepts and runs the handler
// one connection at a time; Stop wakes it through a pipe and joins it.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "control_channel.h"
#include "environment.h"

namespace qvx {
namespace {

constexpr std::size_t kMaxLine = 4096;

bool MakeAddress(const std::string& name, sockaddr_un& addr, socklen_t& length) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (name.empty() || name.size() + 1 > sizeof addr.sun_path) return false;
    addr.sun_path[0] = '\0';  // abstract namespace
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to the first newline (or the end), waiting at most timeoutMs between pieces.
bool ReadLine(int fd, std::string& line, int timeoutMs) {
    line.clear();
    char buffer[512];
    while (line.size() < kMaxLine) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return !line.empty();
        line.append(buffer, static_cast<std::size_t>(n));
        const auto nl = line.find('\n');
        if (nl != std::string::npos) {
            line.resize(nl);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ControlChannelName() {
    const std::string name = EnvironmentValue("KELVANE_VK_CHANNEL");
    return name.empty() ? std::string("kelvane-vk") : name;
}

struct ControlServer::Impl {
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    ControlHandler handler;

    void Serve() {
        for (;;) {
            pollfd fds[2] = {{listenFd, POLLIN, 0}, {wake[0], POLLIN, 0}};
            const int ready = ::poll(fds, 2, -1);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0 || (fds[1].revents & (POLLIN | POLLHUP)) != 0) return;
            if ((fds[0].revents & POLLIN) == 0) continue;
            const int client = ::accept(listenFd, nullptr, nullptr);
            if (client < 0) continue;
            std::string line;
            if (ReadLine(client, line, 2000)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                (void)WriteAll(client, handler(line));
            }
            ::close(client);
        }
    }
};

ControlServer::ControlServer() = default;
ControlServer::~ControlServer() { Stop(); }

bool ControlServer::Start(const std::string& name, ControlHandler handler, std::string& error) {
    Stop();
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeAddress(name, addr, length)) {
        error = "control channel name \"" + name + "\" is empty or too long";
        return false;
    }
    auto impl = std::make_unique<Impl>();
    impl->handler = std::move(handler);
    impl->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (impl->listenFd < 0) {
        error = std::string("cannot create the control socket: ") + std::strerror(errno);
        return false;
    }
    if (::bind(impl->listenFd, reinterpret_cast<sockaddr*>(&addr), length) != 0 || ::listen(impl->listenFd, 16) != 0) {
        error = "control channel \"" + name + "\" is in use: " + std::strerror(errno);
        ::close(impl->listenFd);
        return false;
    }
    if (::pipe2(impl->wake, O_CLOEXEC) != 0) {
        error = std::string("cannot create the control wake pipe: ") + std::strerror(errno);
        ::close(impl->listenFd);
        return false;
    }
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] { raw->Serve(); });
    impl_ = std::move(impl);
    return true;
}

void ControlServer::Stop() {
    if (!impl_) return;
    const char byte = 1;
    (void)!::write(impl_->wake[1], &byte, 1);
    if (impl_->thread.joinable()) impl_->thread.join();
    ::close(impl_->listenFd);
    ::close(impl_->wake[0]);
    ::close(impl_->wake[1]);
    impl_.reset();
}

bool ControlExchange(const std::string& name, const std::string& line, std::string& reply, std::string& error) {
    reply.clear();
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeAddress(name, addr, length)) {
        error = "control channel name \"" + name + "\" is empty or too long";
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return false;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0) {
        error = "no virtual keyboard listens on channel \"" + name + "\" (is the program running?)";
        ::close(fd);
        return false;
    }
    if (!WriteAll(fd, line + "\n")) {
        error = "the virtual keyboard closed the channel";
        ::close(fd);
        return false;
    }
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 10000);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            error = "the virtual keyboard did not answer";
            ::close(fd);
            return false;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace qvx
