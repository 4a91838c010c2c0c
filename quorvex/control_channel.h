// The control channel's transport: a Unix-domain socket (abstract name) natively, a named pipe
// "\\.\pipe\<name>" on Windows. One connection carries one command line and its reply; the server closes
// the connection after the reply. Used by the virtual keyboard (server) and by quorvex_control (client).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qvx {

// KELVANE_VK_CHANNEL, or "kelvane-vk" when unset or empty.
[[nodiscard]] std::string ControlChannelName();

// Turns one command line (without its newline) into the complete reply text.
using ControlHandler = std::function<std::string(const std::string& line)>;

class ControlServer {
public:
    ControlServer();
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Listens before it returns, so a client may connect at once; then serves on a thread of its own.
    // False with a message when the name is taken or the channel cannot be made.
    [[nodiscard]] bool Start(const std::string& name, ControlHandler handler, std::string& error);
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Client side: sends the line, reads the reply to the end. False with a message when nobody listens.
[[nodiscard]] bool ControlExchange(const std::string& name, const std::string& line, std::string& reply,
                                   std::string& error);

}  // namespace qvx
