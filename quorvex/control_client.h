// Drives the virtual keyboard from outside: tests and the kvsim command use this to attach and detach it,
// raise its events, inject faults, change what kind of keyboard it is and look into its memory.
//
// The keyboard listens once a process has called the library's Init, on the channel named by the
// environment variable KELVANE_VK_CHANNEL (default "kelvane-vk"): a Unix-domain socket in the abstract
// namespace natively, the named pipe \\.\pipe\<name> on Windows. Give each test its own channel name
// (and its own KELVANE_VK_STATE file) before Init, so tests can run in parallel.
//
// The protocol is one text line per connection; the reply is zero or more data lines and a last line
// "ok" or "error: <why>". Command() sends any line (see "help"); the helpers below cover them all:
//
//   ControlClient vk("my-test-channel");
//   ASSERT_TRUE(vk.Detach());                       // kind-0 state 0 to the subscribers, device count 0
//   ASSERT_TRUE(vk.FailStatus(0xFE, 2));            // the next two commands answer status 0xFE
//   std::vector<uint8_t> info;
//   ASSERT_TRUE(vk.Dump("info", info));             // 44 bytes of the information block
//
// Every call is blocking and thread-safe (each opens its own connection). Faults that take a count
// accept ControlClient::kAlways, which keeps the fault until ClearFaults().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

struct ControlReply {
    bool delivered = false;          // false: nobody listens on the channel (error says why)
    bool ok = false;                 // the keyboard carried the command out
    std::vector<std::string> lines;  // data lines, without the final "ok" / "error: ..."
    std::string error;               // the keyboard's or the channel's message when !ok
};

class ControlClient {
public:
    static constexpr int kAlways = -1;

    // The channel named by KELVANE_VK_CHANNEL, or "kelvane-vk".
    ControlClient();
    explicit ControlClient(std::string channel);

    const std::string& channel() const { return channel_; }

    // Sends one command line of the protocol.
    [[nodiscard]] ControlReply Command(const std::string& line) const;

    // Presence.
    [[nodiscard]] bool Attach() const;   // also brings the keyboard out of boot mode
    [[nodiscard]] bool Detach() const;

    // Events on the consumer collection.
    [[nodiscard]] bool SwitchBank() const;        // 0x02FF
    [[nodiscard]] bool LightingChanged() const;   // 0x0401
    [[nodiscard]] bool Busy(bool on) const;       // 0x1811 on, 0x1810 off
    [[nodiscard]] bool Consumer(uint16_t code) const;

    // Faults. Counts are numbers of answers (or writes); kAlways until ClearFaults().
    [[nodiscard]] bool DropAnswers(int count) const;
    [[nodiscard]] bool DropAnswers(int count, uint8_t command) const;  // answers to that command code only
    [[nodiscard]] bool WrongEcho(int count) const;
    [[nodiscard]] bool FailStatus(uint8_t status, int count) const;  // status 0xFE or 0xFF
    [[nodiscard]] bool RefuseWrites(int count) const;                // RequestWriteOne returns 0
    [[nodiscard]] bool DelayAnswers(int milliseconds) const;         // 0 ends the delay
    [[nodiscard]] bool SendStray(int count) const;                   // stray input reports, vendor collection
    [[nodiscard]] bool ClearFaults() const;

    // What kind of keyboard it is, and its current profile.
    [[nodiscard]] bool SetFirmware(uint16_t version) const;
    [[nodiscard]] bool SetCapacity(uint8_t units) const;             // macro area = units × 128 bytes
    [[nodiscard]] bool SetEffects(const std::vector<uint8_t>& effects) const;
    [[nodiscard]] bool SetProfile(int profile) const;
    [[nodiscard]] bool SetUsbMicros(int microseconds) const;         // time per report and direction
    [[nodiscard]] bool SetMatrix(const std::string& matrix) const;   // "full" or "builtin"

    // Memory areas: "info", "default", "keytable 0..2", "keytables", "macros [BYTES]", "lighting",
    // "colors [0..2]", "bank".
    [[nodiscard]] bool Dump(const std::string& area, std::vector<uint8_t>& bytes) const;
    // The log: one line per report received ("vendor: 04 ..", "indicator: 05 03", "feature: ..") and per
    // thing the keyboard did (faults, attach, request id mismatches, ...), oldest first.
    [[nodiscard]] bool Log(std::vector<std::string>& lines) const;
    [[nodiscard]] bool ClearLog() const;
    // Just the report lines of the log that start with prefix ("vendor:", "indicator:"), as bytes.
    [[nodiscard]] bool Reports(const std::string& prefix, std::vector<std::vector<uint8_t>>& reports) const;
    // "status" as name → value pairs ("attached" → "yes", "request-id-mismatches" → "0", ...).
    [[nodiscard]] bool StatusValue(const std::string& name, std::string& value) const;

    [[nodiscard]] bool Save() const;          // write the state file now
    [[nodiscard]] bool Reset() const;         // everything to factory
    [[nodiscard]] bool ResetMemory() const;   // memory to factory; firmware, capacity, effects, matrix kept

private:
    [[nodiscard]] bool Ok(const std::string& line) const { return Command(line).ok; }
    std::string channel_;
};

// Splits the reply text of the protocol into a ControlReply.
[[nodiscard]] ControlReply ParseControlReply(const std::string& text);

// Reads hex dump lines "OOOO: XX XX ..." (or log report lines "where: XX XX ...") into bytes.
[[nodiscard]] bool ParseHexLine(const std::string& line, std::vector<uint8_t>& bytes);

}  // namespace qvx
