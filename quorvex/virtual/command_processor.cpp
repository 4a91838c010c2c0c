#include "virtual/command_processor.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qvx {
namespace {

enum : uint8_t {
    kBegin = 1,
    kEnd = 2,
    kReadInfo = 3,
    kWriteInfo = 4,
    kReadLighting = 5,
    kWriteLighting = 6,
    kReadKeyTable = 7,
    kWriteKeyTable = 8,
    kReadMacros = 9,
    kWriteMacros = 10,
    kReadDefaultKeyTable = 15,
    kWriteKeyColors = 17,
};

// Reads may run past the end of an area (the lighting refresh asks 56 bytes of profile 2's 42-byte
// record): the part inside is answered and the rest is zero. The offset itself must lie inside.
bool ReadArea(const uint8_t* area, std::size_t size, std::size_t offset, std::size_t length, Report& answer) {
    if (offset >= size) return false;
    const std::size_t n = std::min(length, size - offset);
    std::memcpy(answer.data() + 8, area + offset, n);
    return true;
}

// Writes must fit entirely; a refused write changes nothing.
bool WriteArea(uint8_t* area, std::size_t size, std::size_t offset, std::size_t length, const Report& request) {
    if (offset > size || length > size - offset) return false;
    std::memcpy(area + offset, request.data() + 8, length);
    return true;
}

// Of the information block only the uninterpreted head and the current profile are writable; the firmware
// version, the macro capacity and the effect list are the keyboard's own and keep their values.
bool WriteInfo(KeyboardMemory& m, std::size_t offset, std::size_t length, const Report& request) {
    if (offset > kInfoSize || length > kInfoSize - offset) return false;
    const uint8_t* data = request.data() + 8;
    const bool coversProfile = offset <= kInfoProfile && kInfoProfile < offset + length;
    if (coversProfile && data[kInfoProfile - offset] >= kProfiles) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = offset + i;
        if (at < kInfoFirmware || at == kInfoProfile) m.info[at] = data[i];
    }
    return true;
}

}  // namespace

uint16_t ReportChecksum(const Report& report) {
    unsigned sum = 0;
    for (std::size_t i = 3; i < kReportSize; ++i) sum += report[i];
    return static_cast<uint16_t>(sum);
}

Report StatusAnswer(const Report& request, uint8_t status) {
    Report answer{};
    answer[0] = kReportId;
    answer[3] = request[3];
    answer[4] = request[4];
    answer[5] = request[5];
    answer[6] = request[6];
    answer[7] = status;
    const uint16_t sum = ReportChecksum(answer);
    answer[1] = static_cast<uint8_t>(sum);
    answer[2] = static_cast<uint8_t>(sum >> 8);
    return answer;
}

CommandOutcome ProcessCommand(KeyboardMemory& m, const Report& request) {
    CommandOutcome out;
    const uint8_t command = request[3];
    if (request[0] == kReportId && command == kEnterBoot) {  // carries no checksum
        out.enterBoot = true;
        return out;
    }
    out.answered = true;
    const uint16_t checksum = static_cast<uint16_t>(request[1] | (request[2] << 8));
    const std::size_t length = request[4];
    const std::size_t offset = static_cast<std::size_t>(request[5] | (request[6] << 8));
    if (request[0] != kReportId || checksum != ReportChecksum(request) || length > kPayloadSize) {
        out.answer = StatusAnswer(request, kStatusFailed);
        return out;
    }

    Report answer = StatusAnswer(request, kStatusOk);
    bool ok = true;
    switch (command) {
        case kBegin:
            break;
        case kEnd:
            out.endOfTransaction = true;
            break;
        case kReadInfo:
            ok = ReadArea(m.info.data(), m.info.size(), offset, length, answer);
            break;
        case kWriteInfo:
            ok = out.changed = WriteInfo(m, offset, length, request);
            break;
        case kReadLighting:
            ok = ReadArea(m.lighting.data(), m.lighting.size(), offset, length, answer);
            break;
        case kWriteLighting:
            ok = out.changed = WriteArea(m.lighting.data(), m.lighting.size(), offset, length, request);
            break;
        case kReadKeyTable:
            ok = ReadArea(m.keyTables.data(), m.keyTables.size(), offset, length, answer);
            break;
        case kWriteKeyTable:
            ok = out.changed = WriteArea(m.keyTables.data(), m.keyTables.size(), offset, length, request);
            break;
        case kReadMacros:
            ok = ReadArea(m.macros.data(), m.macros.size(), offset, length, answer);
            break;
        case kWriteMacros:
            ok = out.changed = WriteArea(m.macros.data(), m.macros.size(), offset, length, request);
            break;
        case kReadDefaultKeyTable:
            ok = ReadArea(m.defaultKeyTable.data(), m.defaultKeyTable.size(), offset, length, answer);
            break;
        case kWriteKeyColors:
            ok = out.changed = WriteArea(m.keyColors.data(), m.keyColors.size(), offset, length, request);
            break;
        default:  // 11-14 and 16 exist on the keyboard but are not modelled; everything else is unknown
            ok = false;
            break;
    }
    if (!ok) {
        out.changed = false;
        out.endOfTransaction = false;
        out.answer = StatusAnswer(request, kStatusFailed);
        return out;
    }
    const uint16_t sum = ReportChecksum(answer);
    answer[1] = static_cast<uint8_t>(sum);
    answer[2] = static_cast<uint8_t>(sum >> 8);
    out.answer = answer;
    return out;
}

}  // namespace qvx
