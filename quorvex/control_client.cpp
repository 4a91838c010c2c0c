#include "control_client.h"

#include <cstdlib>
#include <sstream>

#include "control_channel.h"

namespace qvx {
namespace {

std::string CountArg(int count) { return count == ControlClient::kAlways ? "always" : std::to_string(count); }

}  // namespace

ControlReply ParseControlReply(const std::string& text) {
    ControlReply reply;
    reply.delivered = true;
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (lines.empty()) {
        reply.error = "empty reply";
        return reply;
    }
    const std::string last = lines.back();
    lines.pop_back();
    reply.lines = std::move(lines);
    if (last == "ok") {
        reply.ok = true;
    } else if (last.rfind("error: ", 0) == 0) {
        reply.error = last.substr(7);
    } else {
        reply.error = "unexpected reply: " + last;
    }
    return reply;
}

bool ParseHexLine(const std::string& line, std::vector<uint8_t>& bytes) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) return false;
    std::istringstream in(line.substr(colon + 1));
    std::string word;
    while (in >> word) {
        if (word.size() != 2) return false;
        char* end = nullptr;
        const long v = std::strtol(word.c_str(), &end, 16);
        if (end == nullptr || *end != '\0') return false;
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

ControlClient::ControlClient() : channel_(ControlChannelName()) {}
ControlClient::ControlClient(std::string channel) : channel_(std::move(channel)) {}

ControlReply ControlClient::Command(const std::string& line) const {
    std::string text;
    std::string error;
    if (!ControlExchange(channel_, line, text, error)) {
        ControlReply reply;
        reply.error = error;
        return reply;
    }
    return ParseControlReply(text);
}

bool ControlClient::Attach() const { return Ok("attach"); }
bool ControlClient::Detach() const { return Ok("detach"); }
bool ControlClient::SwitchBank() const { return Ok("bank"); }
bool ControlClient::LightingChanged() const { return Ok("lighting"); }
bool ControlClient::Busy(bool on) const { return Ok(on ? "busy on" : "busy off"); }
bool ControlClient::Consumer(uint16_t code) const { return Ok("consumer " + std::to_string(code)); }
bool ControlClient::DropAnswers(int count) const { return Ok("fault drop " + CountArg(count)); }
bool ControlClient::DropAnswers(int count, uint8_t command) const {
    return Ok("fault drop " + CountArg(count) + " command " + std::to_string(command));
}
bool ControlClient::WrongEcho(int count) const { return Ok("fault echo " + CountArg(count)); }
bool ControlClient::FailStatus(uint8_t status, int count) const {
    return Ok(std::string("fault status ") + (status == 0xFE ? "FE " : "FF ") + CountArg(count));
}
bool ControlClient::RefuseWrites(int count) const { return Ok("fault refuse " + CountArg(count)); }
bool ControlClient::DelayAnswers(int milliseconds) const { return Ok("fault delay " + std::to_string(milliseconds)); }
bool ControlClient::SendStray(int count) const { return Ok("fault stray " + std::to_string(count)); }
bool ControlClient::ClearFaults() const { return Ok("fault clear"); }
bool ControlClient::SetFirmware(uint16_t version) const { return Ok("set firmware " + std::to_string(version)); }
bool ControlClient::SetCapacity(uint8_t units) const { return Ok("set capacity " + std::to_string(units)); }
bool ControlClient::SetEffects(const std::vector<uint8_t>& effects) const {
    std::string line = "set effects";
    for (std::size_t i = 0; i < effects.size(); ++i) line += (i == 0 ? " " : ",") + std::to_string(effects[i]);
    return Ok(line);
}
bool ControlClient::SetProfile(int profile) const { return Ok("set profile " + std::to_string(profile)); }
bool ControlClient::SetUsbMicros(int microseconds) const { return Ok("set usb-us " + std::to_string(microseconds)); }
bool ControlClient::SetMatrix(const std::string& matrix) const { return Ok("set matrix " + matrix); }

bool ControlClient::Dump(const std::string& area, std::vector<uint8_t>& bytes) const {
    bytes.clear();
    const ControlReply reply = Command("dump " + area);
    if (!reply.ok) return false;
    for (const std::string& line : reply.lines)
        if (!ParseHexLine(line, bytes)) return false;
    return true;
}

bool ControlClient::Log(std::vector<std::string>& lines) const {
    ControlReply reply = Command("log");
    lines = std::move(reply.lines);
    return reply.ok;
}

bool ControlClient::ClearLog() const { return Ok("log clear"); }

bool ControlClient::Reports(const std::string& prefix, std::vector<std::vector<uint8_t>>& reports) const {
    reports.clear();
    std::vector<std::string> lines;
    if (!Log(lines)) return false;
    for (const std::string& line : lines) {
        // "#<seq> <where>: XX XX ..."
        const auto space = line.find(' ');
        if (space == std::string::npos || line.compare(space + 1, prefix.size(), prefix) != 0) continue;
        std::vector<uint8_t> bytes;
        if (ParseHexLine(line.substr(space + 1), bytes)) reports.push_back(std::move(bytes));
    }
    return true;
}

bool ControlClient::StatusValue(const std::string& name, std::string& value) const {
    const ControlReply reply = Command("status");
    if (!reply.ok) return false;
    for (const std::string& line : reply.lines) {
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ' ') {
            value = line.substr(name.size() + 1);
            return true;
        }
    }
    return false;
}

bool ControlClient::Save() const { return Ok("save"); }
bool ControlClient::Reset() const { return Ok("reset"); }
bool ControlClient::ResetMemory() const { return Ok("reset memory"); }

}  // namespace qvx
