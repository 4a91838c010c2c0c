#include "profiles/profile_file.h"

#include <algorithm>
#include <fstream>
#include <new>
#include <system_error>

#include "macros/little_endian.h"
#include "profiles/profile_file_format.h"

namespace kv {

namespace {

// The text at a string-area offset (rounded down to even), up to its terminator. False when the offset
// lies outside the area or no terminator follows inside it.
bool TextAt(std::span<const uint8_t> area, uint32_t offset, std::u16string& out) {
    std::size_t at = offset & ~uint32_t{1};
    out.clear();
    while (at + 1 < area.size()) {
        const char16_t c = static_cast<char16_t>(le::U16(area.data() + at));
        if (c == u'\0') return true;
        out.push_back(c);
        at += 2;
    }
    return false;
}

}  // namespace

ValidateResult ValidateProfileBytes(std::span<const uint8_t> bytes) {
    ValidateResult r;
    if (bytes.size() < kFileMinSize) {
        // Too short to hold a header: invalid, but not reported as a format error.
        r.reason = "file is " + std::to_string(bytes.size()) + " bytes, shorter than the 32832-byte minimum";
        return r;
    }
    const FileHeader h = ParseFileHeader(bytes.data());
    r.reason = HeaderProblem(h, bytes.size());
    if (!r.reason.empty()) {
        r.showFormatError = true;
        return r;
    }
    r.code = kValidateOk;
    return r;
}

ValidateResult ValidateProfileFile(const std::filesystem::path& path) {
    ValidateResult r;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        r.reason = "no such file";
        return r;
    }
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) {
        r.code = kValidateCannotOpen;
        r.reason = "the file cannot be opened for reading";
        return r;
    }
    if (size > 0xFFFFFFFFull || size < kFileMinSize) {
        r.reason = "file is " + std::to_string(size) + " bytes, outside 32832 bytes to 4 GiB";
        return r;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        r.code = kValidateNoMemory;
        r.reason = "out of memory";
        return r;
    }
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size()) {
        r.code = kValidateCannotOpen;
        r.reason = "the file could not be read to its end";
        return r;
    }
    return ValidateProfileBytes(bytes);
}

bool ParseProfileBytes(std::span<const uint8_t> bytes, ProfileContent& out, std::string* reason) {
    auto fail = [reason](std::string why) {
        if (reason) *reason = std::move(why);
        return false;
    };
    if (bytes.size() < kFileMinSize)
        return fail("file is " + std::to_string(bytes.size()) + " bytes, shorter than the 32832-byte minimum");
    const FileHeader h = ParseFileHeader(bytes.data());
    if (h.macroCount > kMaxMacros) return fail("macro count " + std::to_string(h.macroCount) + " is more than 100");
    const uint64_t macrosEnd = kAssignmentTableSize + uint64_t{h.macroCount} * kMacroRecordSize;
    if (macrosEnd > bytes.size())
        return fail("the header's " + std::to_string(h.macroCount) + " macros end at byte " + std::to_string(macrosEnd) +
                    ", beyond the file's " + std::to_string(bytes.size()) + " bytes");
    if (macrosEnd + h.stringSize > bytes.size())
        return fail("the header's " + std::to_string(h.stringSize) + "-byte string area ends beyond the file's " +
                    std::to_string(bytes.size()) + " bytes");

    ProfileContent c;
    std::copy_n(bytes.begin(), kAssignmentTableSize, c.table.begin());
    c.macros.resize(h.macroCount);
    for (std::size_t i = 0; i < h.macroCount; ++i)
        DecodeMacroRecord(bytes.data() + kAssignmentTableSize + i * kMacroRecordSize, c.macros[i]);
    const auto area = bytes.subspan(static_cast<std::size_t>(macrosEnd), h.stringSize);
    std::u16string text;
    for (std::size_t section = 0; section < kSectionCount; ++section) {
        for (std::size_t k = 0; k < kSlotsPerSection; ++k) {
            const KeySlot slot = ReadSlot(c.Table(), section, k);
            if (TypeHasText(slot.type) && TextAt(area, slot.value, text)) c.SetText(SlotNumber(section, k), text);
        }
    }
    out = std::move(c);
    return true;
}

std::vector<uint8_t> SerializeProfile(const ProfileContent& content) {
    std::vector<uint8_t> table = content.table;
    table.resize(kAssignmentTableSize);
    const std::size_t n = std::min(content.macros.size(), kMaxMacros);
    const std::vector<uint8_t> area =
        PackTexts(content, std::span<uint8_t, kAssignmentTableSize>(table.data(), kAssignmentTableSize));
    WriteFileHeader(table.data(), static_cast<uint16_t>(n), static_cast<uint32_t>(area.size()));

    std::vector<uint8_t> bytes(FileTotalSize(n, area.size()));
    std::copy(table.begin(), table.end(), bytes.begin());
    for (std::size_t i = 0; i < n; ++i)
        EncodeMacroRecord(content.macros[i], bytes.data() + kAssignmentTableSize + i * kMacroRecordSize);
    std::copy(area.begin(), area.end(), bytes.begin() + static_cast<std::ptrdiff_t>(kAssignmentTableSize + n * kMacroRecordSize));
    return bytes;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out, bool* couldOpen) {
    if (couldOpen) *couldOpen = false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in || size > 0xFFFFFFFFull) return false;
    if (couldOpen) *couldOpen = true;
    try {
        out.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<std::size_t>(in.gcount()) == out.size();
}

LoadResult LoadProfileFile(const std::filesystem::path& path, ProfileData& data, std::string* reason) {
    std::vector<uint8_t> bytes;
    bool opened = false;
    const bool read = ReadWholeFile(path, bytes, &opened);
    std::lock_guard<std::mutex> hold(data.lock);
    if (!opened) {
        data.content = ProfileContent{};
        if (reason) *reason = "the file does not exist or cannot be opened";
        return LoadResult::Missing;
    }
    if (!read) {
        if (reason) *reason = "the file could not be read to its end";
        return LoadResult::Malformed;
    }
    return ParseProfileBytes(bytes, data.content, reason) ? LoadResult::Loaded : LoadResult::Malformed;
}

bool SaveProfileFile(const std::filesystem::path& path, ProfileData& data) {
    std::vector<uint8_t> bytes;
    {
        std::lock_guard<std::mutex> hold(data.lock);
        bytes = SerializeProfile(data.content);
        // The table in memory follows what was written: its header and the texts' packed offsets.
        std::copy_n(bytes.begin(), kAssignmentTableSize, data.content.table.begin());
        return WriteFileReplacing(path, bytes);
    }
}

bool SaveWorkingProfileFile(const std::filesystem::path& path, ProfileData& data) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    return SaveProfileFile(path, data);
}

bool CreateDefaultProfileFile(const std::filesystem::path& path) {
    const ProfileContent c;
    return WriteFileReplacing(path, SerializeProfile(c));
}

}  // namespace kv
