#include "kvtool_profile_commands.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "device/commands.h"
#include "device/result_text.h"
#include "keys/assignment_action_code.h"
#include "macros/profile_write.h"
#include "profiles/profile_file.h"
#include "profiles/profile_json.h"
#include "profiles/profile_read_keyboard.h"

namespace kv::tool {

namespace {

// Names of macros that come from the keyboard without one: "Macro 1", "Macro 2", ...
constexpr char16_t kMacroNamePrefix[] = u"Macro ";

bool OneFile(const std::vector<std::string>& args, const ToolIo& io, const char* command) {
    if (args.size() == 1) return true;
    std::fprintf(io.err, "kvtool: %s takes one FILE\n", command);
    return false;
}

// The keyboard's default key table, or the built-in one when it cannot be read.
KeyTableBlock KeyboardDefaults(const ToolIo& io) {
    KeyTableBlock defaults{};
    const int r = ReadDefaultKeyTable(defaults.data());
    if (r == kResultSuccess) return defaults;
    std::fprintf(io.err, "kvtool: the keyboard's default key table could not be read (%s); using the built-in one\n",
                 DescribeResult(r));
    return BuiltInDefaultKeyTable();
}

}  // namespace

int RunValidate(const std::vector<std::string>& args, const ToolIo& io) {
    if (!OneFile(args, io, "validate")) return kExitUsage;
    const ValidateResult r = ValidateProfileFile(args[0]);
    if (r.code == kValidateOk) return kExitOk;
    std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), r.reason.c_str());
    return kExitFailed;
}

int RunDump(const std::vector<std::string>& args, const ToolIo& io) {
    if (!OneFile(args, io, "dump")) return kExitUsage;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(args[0], bytes)) {
        std::fprintf(io.err, "kvtool: %s: the file cannot be read\n", args[0].c_str());
        return kExitFailed;
    }
    const ValidateResult v = ValidateProfileBytes(bytes);
    if (v.code != kValidateOk) {
        std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), v.reason.c_str());
        return kExitFailed;
    }
    ProfileContent content;
    std::string why;
    if (!ParseProfileBytes(bytes, content, &why)) {
        std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), why.c_str());
        return kExitFailed;
    }
    if (SerializeProfile(content) != bytes)
        std::fprintf(io.err, "kvtool: note: %s is not laid out as this program writes files (header fields, string "
                             "placement or extra bytes); build writes the same data in its own layout\n",
                     args[0].c_str());
    const std::string text = ProfileToJson(content).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fprintf(io.out, "%s\n", text.c_str());
    return kExitOk;
}

int RunBuild(const std::vector<std::string>& args, const ToolIo& io) {
    if (args.size() != 3 || args[1] != "-o") {
        std::fprintf(io.err, "kvtool: build takes JSON -o FILE\n");
        return kExitUsage;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
        std::fprintf(io.err, "kvtool: %s: the file cannot be read\n", args[0].c_str());
        return kExitFailed;
    }
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(in);
    } catch (const nlohmann::json::parse_error& e) {
        std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), e.what());
        return kExitFailed;
    }
    ProfileContent content;
    std::string error;
    if (!ProfileFromJson(json, content, error)) {
        std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), error.c_str());
        return kExitFailed;
    }
    if (!WriteFileReplacing(args[2], SerializeProfile(content))) {
        std::fprintf(io.err, "kvtool: %s: the file cannot be written\n", args[2].c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int RunBackup(const std::vector<std::string>& args, const ToolIo& io) {
    if (!OneFile(args, io, "backup")) return kExitUsage;
    const KeyTableBlock defaults = KeyboardDefaults(io);
    ProfileContent content;
    const int r = ReadKeyboardIntoContent(CommandSetDataLink(), defaults, kMacroNamePrefix, content);
    if (r != kResultSuccess) return ReportFailure(io, "reading the keyboard failed", r);
    if (!WriteFileReplacing(args[0], SerializeProfile(content))) {
        std::fprintf(io.err, "kvtool: %s: the file cannot be written\n", args[0].c_str());
        return kExitFailed;
    }
    std::fprintf(io.out, "%zu macros and the key tables of 3 profiles written to %s\n", content.macros.size(), args[0].c_str());
    return kExitOk;
}

int RunRestore(const std::vector<std::string>& args, const ToolIo& io) {
    if (!OneFile(args, io, "restore")) return kExitUsage;
    const ValidateResult v = ValidateProfileFile(args[0]);
    if (v.code != kValidateOk) {
        std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), v.reason.c_str());
        return kExitFailed;
    }
    ProfileData data;
    std::string why;
    if (LoadProfileFile(args[0], data, &why) != LoadResult::Loaded) {
        std::fprintf(io.err, "kvtool: %s: %s\n", args[0].c_str(), why.c_str());
        return kExitFailed;
    }
    uint8_t info[kInfoSize] = {};
    const int r = ReadInfo(info);
    if (r != kResultSuccess) return ReportFailure(io, "reading the information block failed", r);
    const std::size_t capacity = info[kInfoCapacityOffset] * std::size_t{128};
    const KeyTableBlock defaults = KeyboardDefaults(io);
    ProfileDataSnapshot snapshot;
    const ProfileWriteOutcome out = CreateSnapshotAndWrite(data, snapshot, CommandSetDataLink(), capacity, defaults, std::nullopt);
    if (!out.written) {
        if (out.messageKey != nullptr && std::strcmp(out.messageKey, kMessageMacroTooLong) == 0) {
            std::fprintf(io.err, "kvtool: %s: the macros do not fit the keyboard's %zu-byte macro area even without their names; nothing was written\n",
                         kMessageMacroTooLong, capacity);
        } else {
            std::fprintf(io.err, "kvtool: out of memory; nothing was written\n");
        }
        return kExitFailed;
    }
    if (out.messageKey != nullptr && std::strcmp(out.messageKey, kMessageProfileSpaceTight) == 0)
        std::fprintf(io.err, "kvtool: %s: the macro names did not fit the keyboard's %zu-byte macro area and were left out\n",
                     kMessageProfileSpaceTight, capacity);
    if (out.result != kResultSuccess) return ReportFailure(io, "writing the key tables failed", out.result);
    std::fprintf(io.out, "%zu-byte macro area and the key tables of 3 profiles written\n", out.areaLength);
    return kExitOk;
}

}  // namespace kv::tool
