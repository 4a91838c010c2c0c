#include "device/report.h"

namespace kv {

uint16_t ReportChecksum(const Report& report) {
    unsigned sum = 0;
    for (std::size_t i = kCommandByte; i < kReportSize; ++i) sum += report[i];
    static_assert((kReportSize - kCommandByte) * 255 <= 0xFFFF);
    return static_cast<uint16_t>(sum);
}

void SealReport(Report& report) {
    const uint16_t sum = ReportChecksum(report);
    report[kChecksumByte] = static_cast<uint8_t>(sum);
    report[kChecksumByte + 1] = static_cast<uint8_t>(sum >> 8);
}

Report MakeRequest(uint8_t command, uint8_t length, uint32_t offset) {
    Report r{};
    r[kReportIdByte] = kCommandReportId;
    r[kCommandByte] = command;
    r[kStatusByte] = 0;
    SetLengthAndOffset(r, length, offset);
    return r;
}

void SetLengthAndOffset(Report& report, uint8_t length, uint32_t offset) {
    report[kLengthByte] = length;
    report[kOffsetByte] = static_cast<uint8_t>(offset);
    report[kOffsetByte + 1] = static_cast<uint8_t>(offset >> 8);
}

}  // namespace kv
