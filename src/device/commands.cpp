// The command set: each operation builds command reports and exchanges them one by one (exchange.h).
// Each exchange takes the keyboard's turn (keyboard_bracket.h), so another thread's begin ... end bracket
// is never broken into; a chunked read outside a bracket is not atomic against other threads.
#include "device/commands.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/current_profile.h"
#include "device/exchange.h"
#include "device/keyboard_bracket.h"
#include "device/report.h"

namespace kv {
namespace {

constexpr std::size_t kKeyTableProfiles = 3;
constexpr std::size_t kOffsetLimit = 0xFFFF;
constexpr auto kEndPause = std::chrono::milliseconds(10);

// Seals the request, exchanges it and maps the answer's status. The answer buffer starts zeroed so that a
// short answer never shows bytes of an earlier one.
int Exchange(Report& request, Report& answer) {
    SealReport(request);
    answer.fill(0);
    const KeyboardTurn turn;
    std::size_t received = 0;
    const int result = ExchangeReport(request.data(), request.size(), answer.data(), answer.size(), &received);
    if (result != kResultSuccess) return result;
    if (answer[kStatusByte] == kStatusFailFF) return kResultStatusFF;
    if (answer[kStatusByte] == kStatusFailFE) return kResultStatusFE;
    return kResultSuccess;
}

// One request with an optional payload; read commands get the answer's payload in `payloadOut`.
int SendCommand(uint8_t command, uint8_t length, uint32_t offset, const uint8_t* payload, std::size_t payloadLength,
                uint8_t* payloadOut = nullptr, std::size_t payloadOutLength = 0) {
    Report request = MakeRequest(command, length, offset);
    if (payload != nullptr && payloadLength > 0)
        std::memcpy(request.data() + kPayloadByte, payload, std::min(payloadLength, kPayloadSize));
    Report answer{};
    const int result = Exchange(request, answer);
    if (result == kResultSuccess && payloadOut != nullptr)
        std::memcpy(payloadOut, answer.data() + kPayloadByte, std::min(payloadOutLength, kPayloadSize));
    return result;
}

// Chunks of 56 bytes at positions 0, 56, ... below count, addressed at base + position. A write reuses one
// request: payload bytes past a short chunk keep what the previous chunk left there, as the keyboard expects.
int Transfer(uint8_t command, uint32_t base, std::size_t count, uint8_t* readOut, const uint8_t* writeIn) {
    Report request = MakeRequest(command, 0, 0);
    Report answer{};
    for (std::size_t position = 0; position < count; position += kPayloadSize) {
        const std::size_t chunk = position + kPayloadSize < count ? kPayloadSize : count - position;
        SetLengthAndOffset(request, static_cast<uint8_t>(chunk), base + static_cast<uint32_t>(position));
        if (writeIn != nullptr) std::memcpy(request.data() + kPayloadByte, writeIn + position, chunk);
        const int result = Exchange(request, answer);
        if (result != kResultSuccess) return result;
        if (readOut != nullptr) std::memcpy(readOut + position, answer.data() + kPayloadByte, chunk);
    }
    return kResultSuccess;
}

// The 16-bit offset field cannot address a chunk starting past 0xFFFF; it would wrap onto the area's start.
bool FitsOffsetField(std::size_t count) { return count == 0 || (count - 1) / kPayloadSize * kPayloadSize <= kOffsetLimit; }

}  // namespace

int SendBegin() {
    OpenKeyboardBracket();  // held until this thread's SendEnd, whatever the keyboard answers
    return SendCommand(CMD_BEGIN, 0, 0, nullptr, 0);
}

int SendEnd() {
    Report request = MakeRequest(CMD_END, 0, 0);
    std::this_thread::sleep_for(kEndPause);
    Report answer{};
    const int result = Exchange(request, answer);
    CloseKeyboardBracket();
    return result;
}

int ReadInfo(uint8_t out[kInfoSize]) { return SendCommand(CMD_READ_INFO, kInfoSize, 0, nullptr, 0, out, kInfoSize); }

int WriteInfo(const uint8_t in[kInfoSize]) { return SendCommand(CMD_WRITE_INFO, kInfoSize, 0, in, kInfoSize); }

int ReadLighting(uint8_t out[kPayloadSize], int length, int offset) {
    return SendCommand(CMD_READ_LIGHTING, static_cast<uint8_t>(length), static_cast<uint32_t>(offset), nullptr, 0,
                       out, kPayloadSize);
}

int WriteLighting(const uint8_t* data, int length, int offset) {
    if (length > static_cast<int>(kPayloadSize)) return kResultBadLength;
    return SendCommand(CMD_WRITE_LIGHTING, static_cast<uint8_t>(length), static_cast<uint32_t>(offset), data,
                       length > 0 ? static_cast<std::size_t>(length) : 0);
}

int ReadKeyTable(uint8_t out[kKeyTableSize], unsigned profile) {
    if (profile >= kKeyTableProfiles) return kResultBadProfile;
    return Transfer(CMD_READ_KEYTABLE, static_cast<uint32_t>(profile * kKeyTableSize), kKeyTableSize, out, nullptr);
}

int WriteKeyTable(const uint8_t in[kKeyTableSize], unsigned profile) {
    if (profile >= kKeyTableProfiles) return kResultBadProfile;
    return Transfer(CMD_WRITE_KEYTABLE, static_cast<uint32_t>(profile * kKeyTableSize), kKeyTableSize, nullptr, in);
}

int ReadMacroArea(uint8_t* out, std::size_t count) {
    if (!FitsOffsetField(count)) return kResultBadLength;
    return Transfer(CMD_READ_MACROS, 0, count, out, nullptr);
}

int WriteMacroArea(const uint8_t* in, std::size_t count) {
    if (!FitsOffsetField(count)) return kResultBadLength;
    return Transfer(CMD_WRITE_MACROS, 0, count, nullptr, in);
}

int ReadDefaultKeyTable(uint8_t out[kKeyTableSize]) {
    return Transfer(CMD_READ_DEFAULT_KEYTABLE, 0, kKeyTableSize, out, nullptr);
}

int WriteKeyColors(const uint8_t* data, int length, int firstKey) {
    return WriteKeyColorsOf(CurrentProfile(), data, length, firstKey);
}

int WriteKeyColorsOf(int profile, const uint8_t* data, int length, int firstKey) {
    if (length > static_cast<int>(kPayloadSize)) return kResultBadLength;
    const uint32_t offset = static_cast<uint32_t>(profile) * kKeyColorPageSize +
                            static_cast<uint32_t>(firstKey) * 3u;
    return SendCommand(CMD_WRITE_KEYCOLORS, static_cast<uint8_t>(length), offset, data,
                       length > 0 ? static_cast<std::size_t>(length) : 0);
}

int EnterBootMode() {
    // No checksum: bytes 1-2 stay 00 00.
    Report request = MakeRequest(CMD_ENTER_BOOT, CMD_ENTER_BOOT, 0);
    const KeyboardTurn turn;
    return SendReportNoWait(request.data(), request.size());
}

}  // namespace kv
