// Control channel over a named pipe "\\.\pipe\<name>".
// Threads: Start runs on the caller's thread and creates the first pipe instance (so the name is taken
// and clients can connect at once); the server thread waits for clients and runs the handler one
// connection at a time, always holding the next instance before it closes the current one; Stop sets
// the stop flag and connects once itself to wake the waiting thread, then joins it.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "control_channel.h"
#include "environment.h"

namespace qvx {
namespace {

constexpr DWORD kMaxLine = 4096;

std::wstring PipePath(const std::string& name) {
    std::wstring path = L"\\\\.\\pipe\\";
    for (unsigned char c : name) path += static_cast<wchar_t>(c);
    return path;
}

HANDLE CreateInstance(const std::wstring& path, bool first) {
    DWORD openMode = PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(path.c_str(), openMode, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, 8192, 8192, 0, nullptr);
}

bool WriteAll(HANDLE h, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(text.size() - done > 65536 ? 65536 : text.size() - done);
        if (!WriteFile(h, text.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool ReadLine(HANDLE h, std::string& line) {
    line.clear();
    char buffer[512];
    while (line.size() < kMaxLine) {
        DWORD got = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr) || got == 0) return !line.empty();
        line.append(buffer, got);
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
    std::wstring path;
    HANDLE pending = INVALID_HANDLE_VALUE;
    std::atomic<bool> stopping{false};
    std::thread thread;
    ControlHandler handler;

    void Serve() {
        HANDLE current = pending;
        pending = INVALID_HANDLE_VALUE;
        while (current != INVALID_HANDLE_VALUE) {
            const BOOL connected = ConnectNamedPipe(current, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
            if (stopping.load()) {
                CloseHandle(current);
                return;
            }
            HANDLE next = CreateInstance(path, false);
            if (connected) {
                std::string line;
                if (ReadLine(current, line)) {
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    if (WriteAll(current, handler(line))) FlushFileBuffers(current);
                }
                DisconnectNamedPipe(current);
            }
            CloseHandle(current);
            current = next;
        }
    }
};

ControlServer::ControlServer() = default;
ControlServer::~ControlServer() { Stop(); }

bool ControlServer::Start(const std::string& name, ControlHandler handler, std::string& error) {
    Stop();
    if (name.empty() || name.size() > 200) {
        error = "control channel name \"" + name + "\" is empty or too long";
        return false;
    }
    auto impl = std::make_unique<Impl>();
    impl->path = PipePath(name);
    impl->handler = std::move(handler);
    impl->pending = CreateInstance(impl->path, true);
    if (impl->pending == INVALID_HANDLE_VALUE) {
        error = "control channel \"" + name + "\" is in use (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] { raw->Serve(); });
    impl_ = std::move(impl);
    return true;
}

void ControlServer::Stop() {
    if (!impl_) return;
    impl_->stopping = true;
    // Wake the thread waiting for a client by being that client.
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE h = CreateFileW(impl_->path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            break;
        }
        if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeW(impl_->path.c_str(), 100);
        else Sleep(10);
    }
    if (impl_->thread.joinable()) impl_->thread.join();
    impl_.reset();
}

bool ControlExchange(const std::string& name, const std::string& line, std::string& reply, std::string& error) {
    reply.clear();
    const std::wstring path = PipePath(name);
    HANDLE h = INVALID_HANDLE_VALUE;
    // The server keeps one instance waiting; a busy moment passes quickly.
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        const DWORD e = GetLastError();
        if (e == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(path.c_str(), 200);
        } else if (e == ERROR_FILE_NOT_FOUND && attempt < 3) {
            Sleep(20);  // between two instances
        } else {
            break;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        error = "no virtual keyboard listens on channel \"" + name + "\" (is the program running?)";
        return false;
    }
    if (!WriteAll(h, line + "\n")) {
        error = "the virtual keyboard closed the channel";
        CloseHandle(h);
        return false;
    }
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
        reply.append(buffer, got);
    }
    CloseHandle(h);
    return true;
}

}  // namespace qvx
