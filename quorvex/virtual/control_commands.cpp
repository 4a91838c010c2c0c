// The control protocol: one command line in, data lines and a last line "ok" or "error: <why>" out.
// Runs on the control server's thread; every command takes the keyboard's lock (mu_) for its work.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "virtual/virtual_keyboard.h"

namespace qvx {
namespace {

constexpr const char* kHelp =
    "commands:\n"
    "  status                         what the keyboard is and does\n"
    "  attach | detach                plug the keyboard in or pull it out (attach also leaves boot mode)\n"
    "  bank                           G-key bank switch (consumer code 0x02FF)\n"
    "  lighting                       lighting changed on the keyboard (0x0401)\n"
    "  busy on|off                    busy state begins (0x1811) or ends (0x1810)\n"
    "  consumer CODE                  any consumer event code\n"
    "  fault drop N [command C]       lose the next N answers (to command code C only); the commands still run\n"
    "  fault echo N                   answer the next N commands with a wrong command code\n"
    "  fault status FE|FF N           refuse the next N commands with that status\n"
    "  fault refuse N                 the next N single-report writes return 0\n"
    "  fault delay MS                 delay every answer by MS milliseconds (0 ends it)\n"
    "  fault stray [N]                send N stray input reports on the vendor collection\n"
    "  fault clear                    end every fault\n"
    "                                 (N may be \"always\": until fault clear)\n"
    "  set firmware V | capacity UNITS | effects E,E,... | profile P | usb-us MICROSECONDS | matrix full|builtin\n"
    "  dump info|default|keytable P|keytables|macros [BYTES]|lighting|colors [P]|bank\n"
    "  log [clear]                    the reports the keyboard received, and what it did\n"
    "  save                           write the state file now\n"
    "  reset [memory]                 factory state (\"memory\": keep firmware, capacity, effects, matrix)\n";

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string word;
    while (in >> word) out.push_back(word);
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Decimal or 0x-prefixed hexadecimal, within [lo, hi].
bool ParseNumber(const std::string& text, long lo, long hi, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (end == nullptr || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

// A fault count: a number, or "always".
bool ParseCount(const std::vector<std::string>& args, std::size_t at, int& out) {
    if (args.size() <= at) {
        out = 1;
        return true;
    }
    if (Lower(args[at]) == "always") {
        out = FaultPlan::kAlways;
        return true;
    }
    long n = 0;
    if (!ParseNumber(args[at], 0, 1000000, n)) return false;
    out = static_cast<int>(n);
    return true;
}

std::string HexDump(const uint8_t* bytes, std::size_t length) {
    std::string out;
    char text[24];
    for (std::size_t i = 0; i < length; i += 16) {
        std::snprintf(text, sizeof text, "%04X:", static_cast<unsigned>(i));
        out += text;
        for (std::size_t k = i; k < std::min(length, i + 16); ++k) {
            std::snprintf(text, sizeof text, " %02X", bytes[k]);
            out += text;
        }
        out += '\n';
    }
    return out;
}

std::string CountText(int n) { return n == FaultPlan::kAlways ? "always" : std::to_string(n); }

}  // namespace

std::string VirtualKeyboard::Control(const std::string& line) {
    const std::vector<std::string> args = Split(line);
    if (args.empty()) return "error: empty command (try help)\n";
    const std::string command = Lower(args[0]);
    std::string error;
    std::string data;

    if (command == "help") return std::string(kHelp) + "ok\n";

    std::unique_lock<std::mutex> lock(mu_);
    if (command == "status") {
        data = Status();
    } else if (command == "attach") {
        if (bootMode_) Log("leaves boot mode");
        bootMode_ = false;
        SetAttached(true);
    } else if (command == "detach") {
        SetAttached(false);
    } else if (command == "bank" || command == "lighting" || command == "busy" || command == "consumer") {
        long code = 0;
        if (command == "bank") code = 0x02FF;
        else if (command == "lighting") code = 0x0401;
        else if (command == "busy" && args.size() == 2 && Lower(args[1]) == "on") code = 0x1811;
        else if (command == "busy" && args.size() == 2 && Lower(args[1]) == "off") code = 0x1810;
        else if (command == "busy") error = "usage: busy on|off";
        else if (args.size() != 2 || !ParseNumber(args[1], 0, 0xFFFF, code)) error = "usage: consumer CODE (0..0xFFFF)";
        if (error.empty()) {
            if (!attached_) error = "the keyboard is detached";
            else SendConsumer(static_cast<uint16_t>(code));
        }
    } else if (command == "fault") {
        data = ControlFault(args, error);
    } else if (command == "set") {
        data = ControlSet(args, error);
    } else if (command == "dump") {
        data = ControlDump(args, error);
    } else if (command == "log") {
        if (args.size() > 1 && Lower(args[1]) == "clear") {
            log_.clear();
        } else {
            for (const std::string& entry : log_) data += entry + "\n";
        }
    } else if (command == "save") {
        if (!running_) error = "the library is not running";
        else SaveNow(lock);
    } else if (command == "reset") {
        const bool keepMake = args.size() > 1 && Lower(args[1]) == "memory";
        memory_ = FactoryMemory(keepMake ? MakeOf(memory_) : factoryMake_);
        faults_ = FaultPlan{};
        Log(keepMake ? "memory reset to factory" : "reset to factory");
        MarkChanged();
    } else {
        error = "unknown command \"" + args[0] + "\" (try help)";
    }
    if (!error.empty()) return data + "error: " + error + "\n";
    return data + "ok\n";
}

std::string VirtualKeyboard::ControlFault(const std::vector<std::string>& args, std::string& error) {
    const std::string what = args.size() > 1 ? Lower(args[1]) : "";
    int count = 0;
    if (what == "drop" || what == "echo" || what == "refuse") {
        if (!ParseCount(args, 2, count)) {
            error = "usage: fault " + what + " N|always";
            return {};
        }
        long command = -1;
        if (what == "drop" && args.size() > 3 &&
            (args.size() != 5 || Lower(args[3]) != "command" || !ParseNumber(args[4], 0, 255, command))) {
            error = "usage: fault drop N|always [command C]";
            return {};
        }
        if (what == "drop") faults_.dropCommand = static_cast<int>(command);
        (what == "drop" ? faults_.dropAnswers : what == "echo" ? faults_.wrongEcho : faults_.refuseWrites) = count;
    } else if (what == "status") {
        const std::string value = args.size() > 2 ? Lower(args[2]) : "";
        if ((value != "fe" && value != "ff" && value != "0xfe" && value != "0xff") || !ParseCount(args, 3, count)) {
            error = "usage: fault status FE|FF N|always";
            return {};
        }
        faults_.failStatusValue = (value == "fe" || value == "0xfe") ? kStatusBusy : kStatusFailed;
        faults_.failStatus = count;
    } else if (what == "delay") {
        long ms = 0;
        if (args.size() != 3 || !ParseNumber(args[2], 0, 600000, ms)) {
            error = "usage: fault delay MS";
            return {};
        }
        faults_.answerDelayMs = static_cast<int>(ms);
    } else if (what == "stray") {
        if (!ParseCount(args, 2, count) || count == FaultPlan::kAlways || count > 1000) {
            error = "usage: fault stray [N] (at most 1000)";
            return {};
        }
        if (!attached_) {
            error = "the keyboard is detached";
            return {};
        }
        SendStray(count);
        return {};
    } else if (what == "clear") {
        faults_ = FaultPlan{};
    } else {
        error = "usage: fault drop|echo|status|refuse|delay|stray|clear ...";
        return {};
    }
    std::string plan = "fault plan:";
    for (std::size_t i = 1; i < args.size(); ++i) plan += " " + args[i];
    Log(plan);
    return {};
}

std::string VirtualKeyboard::ControlSet(const std::vector<std::string>& args, std::string& error) {
    const std::string what = args.size() > 1 ? Lower(args[1]) : "";
    long n = 0;
    if (what == "firmware" && args.size() == 3 && ParseNumber(args[2], 0, 0xFFFF, n)) {
        SetFirmware(memory_, static_cast<uint16_t>(n));
    } else if (what == "capacity" && args.size() == 3 && ParseNumber(args[2], 0, 255, n)) {
        SetCapacity(memory_, static_cast<uint8_t>(n));
    } else if (what == "profile" && args.size() == 3 && ParseNumber(args[2], 0, 2, n)) {
        memory_.info[kInfoProfile] = static_cast<uint8_t>(n);
    } else if (what == "effects" && args.size() >= 3) {
        std::vector<uint8_t> effects;
        for (std::size_t i = 2; i < args.size(); ++i) {
            std::string list = args[i];
            std::replace(list.begin(), list.end(), ',', ' ');
            for (const std::string& item : Split(list)) {
                if (!ParseNumber(item, 1, 255, n)) {
                    error = "effect numbers are 1..255";
                    return {};
                }
                effects.push_back(static_cast<uint8_t>(n));
            }
        }
        if (effects.size() > kMaxEffects) {
            error = "at most 32 effects";
            return {};
        }
        SetEffects(memory_, effects);
    } else if (what == "effects" && args.size() == 2) {
        SetEffects(memory_, {});
    } else if (what == "usb-us" && args.size() == 3 && ParseNumber(args[2], 0, 1000000, n)) {
        usbMicros_ = static_cast<int>(n);
        Log("USB time per report: " + std::to_string(n) + " us");
        return {};
    } else if (what == "matrix" && args.size() == 3 && (Lower(args[2]) == "full" || Lower(args[2]) == "builtin")) {
        SetMatrix(memory_, Lower(args[2]) == "full" ? Matrix::Full : Matrix::Builtin);
    } else {
        error = "usage: set firmware V | capacity 0..255 | effects E,E,... | profile 0..2 | usb-us US | "
                "matrix full|builtin";
        return {};
    }
    Log("set " + what + (args.size() > 2 ? " " + args[2] : ""));
    MarkChanged();
    return {};
}

std::string VirtualKeyboard::ControlDump(const std::vector<std::string>& args, std::string& error) {
    const std::string what = args.size() > 1 ? Lower(args[1]) : "";
    long n = 0;
    if (what == "info") return HexDump(memory_.info.data(), memory_.info.size());
    if (what == "default") return HexDump(memory_.defaultKeyTable.data(), memory_.defaultKeyTable.size());
    if (what == "keytables") return HexDump(memory_.keyTables.data(), memory_.keyTables.size());
    if (what == "keytable" && args.size() == 3 && ParseNumber(args[2], 0, 2, n))
        return HexDump(memory_.keyTables.data() + n * kKeyTableSize, kKeyTableSize);
    if (what == "lighting") return HexDump(memory_.lighting.data(), memory_.lighting.size());
    if (what == "colors" && args.size() == 2) return HexDump(memory_.keyColors.data(), memory_.keyColors.size());
    if (what == "colors" && args.size() == 3 && ParseNumber(args[2], 0, 2, n))
        return HexDump(memory_.keyColors.data() + n * kColorPageSize, kColorPageSize);
    if (what == "bank") return HexDump(memory_.bankIndicator.data(), memory_.bankIndicator.size());
    if (what == "macros" && args.size() == 2) return HexDump(memory_.macros.data(), memory_.macros.size());
    if (what == "macros" && args.size() == 3 && ParseNumber(args[2], 0, 0xFFFF, n))
        return HexDump(memory_.macros.data(), std::min(memory_.macros.size(), static_cast<std::size_t>(n)));
    error = "usage: dump info|default|keytable P|keytables|macros [BYTES]|lighting|colors [P]|bank";
    return {};
}

std::string VirtualKeyboard::Status() const {
    char text[160];
    std::string out;
    out += std::string("attached ") + (attached_ ? "yes" : "no") + "\n";
    out += std::string("boot-mode ") + (bootMode_ ? "yes" : "no") + "\n";
    std::snprintf(text, sizeof text, "firmware 0x%04X\n", FirmwareOf(memory_));
    out += text;
    out += "profile " + std::to_string(memory_.info[kInfoProfile]) + "\n";
    out += "capacity " + std::to_string(memory_.info[kInfoCapacity]) + " (" + std::to_string(memory_.macros.size()) +
           " bytes)\n";
    std::string effects;
    for (std::size_t i = 0; i < kMaxEffects; ++i) {
        const uint8_t e = memory_.info[kInfoEffects + i];
        if (e == 0) continue;
        if (!effects.empty()) effects += ",";
        effects += std::to_string(e);
    }
    out += "effects " + (effects.empty() ? std::string("none") : effects) + "\n";
    out += std::string("matrix ") + (memory_.matrix == Matrix::Full ? "full" : "builtin") + "\n";
    std::snprintf(text, sizeof text, "bank-indicator %02X %02X\n", memory_.bankIndicator[0], memory_.bankIndicator[1]);
    out += text;
    out += "usb-us " + std::to_string(usbMicros_) + "\n";
    std::snprintf(text, sizeof text, "faults drop=%s echo=%s status=%s(0x%02X) refuse=%s delay-ms=%d\n",
                  CountText(faults_.dropAnswers).c_str(), CountText(faults_.wrongEcho).c_str(),
                  CountText(faults_.failStatus).c_str(), faults_.failStatusValue,
                  CountText(faults_.refuseWrites).c_str(), faults_.answerDelayMs);
    out += text;
    out += "commands " + std::to_string(commands_) + "\n";
    out += "request-id-mismatches " + std::to_string(idMismatches_) + "\n";
    out += "subscriptions " + std::to_string(subscriptions_.size()) + "\n";
    out += "state-file " + statePath_.string() + "\n";
    out += "channel " + channel_ + "\n";
    return out;
}

}  // namespace qvx
