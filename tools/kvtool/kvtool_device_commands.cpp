#include "kvtool_device_commands.h"

#include <cstdint>

#include "device/commands.h"
#include "device/result_text.h"

namespace kv::tool {
namespace {

int Failed(const ToolIo& io, int result) { return ReportFailure(io, DescribeResult(result), result); }

// Bytes in hex, 16 to a line, each line led by the offset of its first byte.
void PrintHex(std::FILE* out, const uint8_t* bytes, std::size_t count) {
    for (std::size_t line = 0; line < count; line += 16) {
        std::fprintf(out, "%04zx:", line);
        for (std::size_t i = line; i < count && i < line + 16; ++i) std::fprintf(out, " %02x", bytes[i]);
        std::fputc('\n', out);
    }
}

}  // namespace

int RunInfo(const std::vector<std::string>& args, const ToolIo& io) {
    if (!args.empty()) {
        std::fprintf(io.err, "kvtool: info takes no arguments\n");
        return kExitUsage;
    }
    uint8_t info[kInfoSize] = {};
    const int result = ReadInfo(info);
    if (result != kResultSuccess) return Failed(io, result);
    const unsigned firmware = info[kInfoFirmwareOffset] | (info[kInfoFirmwareOffset + 1] << 8);
    std::fprintf(io.out, "firmware        V%04X\n", firmware);
    std::fprintf(io.out, "profile         %u\n", info[kInfoProfileOffset]);
    std::fprintf(io.out, "macro capacity  %u bytes\n", info[kInfoCapacityOffset] * 128u);
    std::fprintf(io.out, "effects        ");
    bool any = false;
    for (std::size_t i = kInfoEffectsOffset; i < kInfoSize; ++i) {
        if (info[i] == 0) continue;
        std::fprintf(io.out, " %u", info[i]);
        any = true;
    }
    std::fprintf(io.out, any ? "\n" : " none\n");
    return kExitOk;
}

int RunKeyTable(const std::vector<std::string>& args, const ToolIo& io) {
    if (args.size() != 1 || args[0].size() != 1 || args[0][0] < '0' || args[0][0] > '2') {
        std::fprintf(io.err, "kvtool: keytable takes a profile number 0, 1 or 2\n");
        return kExitUsage;
    }
    uint8_t block[kKeyTableSize] = {};
    const int result = ReadKeyTable(block, static_cast<unsigned>(args[0][0] - '0'));
    if (result != kResultSuccess) return Failed(io, result);
    PrintHex(io.out, block, kKeyTableSize);
    return kExitOk;
}

}  // namespace kv::tool
