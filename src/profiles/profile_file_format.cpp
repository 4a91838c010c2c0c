#include "profiles/profile_file_format.h"

#include <cstdio>

#include "macros/little_endian.h"

namespace kv {

namespace {
uint8_t Checksum(const uint8_t* header) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < kFileHeaderSize - 1; ++i) sum += header[i];
    return static_cast<uint8_t>(sum);
}

std::string Format(const char* fmt, unsigned long long a, unsigned long long b = 0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}
}  // namespace

FileHeader ParseFileHeader(const uint8_t* p) {
    FileHeader h;
    h.magic = le::U16(p);
    h.headerSize = le::U16(p + 2);
    h.version = le::U16(p + 4);
    h.word6 = le::U16(p + 6);
    h.totalSize = le::U32(p + 8);
    h.slotCount = le::U16(p + 12);
    h.macroCount = le::U16(p + 14);
    h.stringSize = le::U32(p + 16);
    h.flag = p[30];
    h.checksum = p[31];
    h.computedChecksum = Checksum(p);
    return h;
}

void WriteFileHeader(uint8_t* p, uint16_t macroCount, uint32_t stringSize) {
    le::Put16(p, kFileMagic);
    le::Put16(p + 2, static_cast<uint16_t>(kFileHeaderSize));
    le::Put16(p + 4, kFileVersion);
    le::Put16(p + 6, kFileWord6);
    le::Put32(p + 8, static_cast<uint32_t>(FileTotalSize(macroCount, stringSize)));
    le::Put16(p + 12, kFileSlotCount);
    le::Put16(p + 14, macroCount);
    le::Put32(p + 16, stringSize);
    for (std::size_t i = 20; i < 31; ++i) p[i] = 0;
    p[31] = Checksum(p);
}

std::string HeaderProblem(const FileHeader& h, uint64_t fileLength) {
    if (fileLength < kFileMinSize) return Format("file is %llu bytes, shorter than the %llu-byte minimum", fileLength, kFileMinSize);
    if (h.magic != kFileMagic) return Format("magic at offset 0 is 0x%04llX, expected 0x4446", h.magic);
    if (h.headerSize != kFileHeaderSize) return Format("header size at offset 2 is %llu, expected 32", h.headerSize);
    if (h.version != kFileVersion) return Format("version at offset 4 is %llu, expected 3", h.version);
    if (h.word6 != kFileWord6) return Format("word at offset 6 is %llu, expected 1", h.word6);
    if (h.totalSize < kFileMinSize) return Format("total size at offset 8 is %llu, below %llu", h.totalSize, kFileMinSize);
    if (h.slotCount != kFileSlotCount) return Format("key slot count at offset 12 is %llu, expected 2048", h.slotCount);
    if (h.macroCount > kMaxMacros) return Format("macro count at offset 14 is %llu, more than %llu", h.macroCount, kMaxMacros);
    if (h.flag >= 2) return Format("flag at offset 30 is %llu, expected 0 or 1", h.flag);
    const uint64_t expected = FileTotalSize(h.macroCount, h.stringSize);
    if (h.totalSize != expected)
        return Format("total size at offset 8 is %llu, but 32832 + n x 16512 + S gives %llu", h.totalSize, expected);
    if (h.checksum != h.computedChecksum)
        return Format("checksum at offset 31 is 0x%02llX, the header's bytes sum to 0x%02llX", h.checksum, h.computedChecksum);
    if (fileLength < expected)
        return Format("file is %llu bytes, shorter than the %llu bytes its header states", fileLength, expected);
    return {};
}

}  // namespace kv
