#include "profiles/profile_read_keyboard.h"

#include <vector>

#include "device/commands.h"
#include "keys/assignment_key_table.h"
#include "macros/little_endian.h"
#include "macros/macro_area.h"
#include "profiles/profile_file.h"

namespace kv {

namespace {

// The macro area: header first, then the whole area at its stated length. An area without the magic holds
// no macros.
int ReadMacroBytes(KeyboardDataLink& link, std::vector<uint8_t>& area) {
    area.assign(kMacroAreaHeaderSize, 0);
    int r = link.ReadMacroArea(area.data(), area.size());
    if (r != kResultSuccess) return r;
    if (le::U16(area.data()) != kMacroAreaMagic) {
        area.clear();
        return kResultSuccess;
    }
    // The stated total length, never less than the header and never more than the area can state.
    std::size_t total = le::U16(area.data() + 2);
    if (total < kMacroAreaHeaderSize) total = kMacroAreaHeaderSize;
    area.assign(total, 0);
    return link.ReadMacroArea(area.data(), area.size());
}

}  // namespace

KeyboardRead ReadKeyboardParts(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                               ProfileContent& out) {
    KeyboardRead read;
    std::array<KeyTableBlock, kDeviceProfileCount> blocks{};
    for (unsigned p = 0; p < kDeviceProfileCount; ++p) {
        read.result = link.ReadKeyTable(blocks[p].data(), p);
        if (read.result != kResultSuccess) return read;
    }
    std::vector<uint8_t> area;
    read.result = ReadMacroBytes(link, area);

    ProfileContent c;  // default header and identification, G-key tags of section 0
    for (unsigned p = 0; p < kDeviceProfileCount; ++p) DecodeKeyTableBlock(blocks[p], defaults, c.Table(), p);
    if (read.result == kResultSuccess) c.macros = DecodeMacroArea(area, namePrefix);
    out = std::move(c);
    read.keyTablesRead = true;
    return read;
}

int ReadKeyboardIntoContent(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                            ProfileContent& out) {
    ProfileContent c;
    const KeyboardRead read = ReadKeyboardParts(link, defaults, namePrefix, c);
    if (read.result == kResultSuccess) out = std::move(c);
    return read.result;
}

int ReadKeyboardIntoFile(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                         const std::filesystem::path& path) {
    ProfileContent c;
    const int r = ReadKeyboardIntoContent(link, defaults, namePrefix, c);
    if (r != kResultSuccess) return r;
    return WriteFileReplacing(path, SerializeProfile(c)) ? kResultSuccess : kResultNoDevice;
}

}  // namespace kv
