#include "profiles/profile_read_keyboard.h"

#include <vector>

#include "device/commands.h"
#include "keys/assignment_key_table.h"
#include "macros/little_endian.h"
#include "macros/macro_area.h"
#include "profiles/profile_file.h"

namespace kv {

int ReadKeyboardIntoContent(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                            ProfileContent& out) {
    std::array<KeyTableBlock, kDeviceProfileCount> blocks{};
    for (unsigned p = 0; p < kDeviceProfileCount; ++p) {
        const int r = link.ReadKeyTable(blocks[p].data(), p);
        if (r != kResultSuccess) return r;
    }
    std::vector<uint8_t> area(kMacroAreaHeaderSize, 0);
    int r = link.ReadMacroArea(area.data(), area.size());
    if (r != kResultSuccess) return r;
    if (le::U16(area.data()) == kMacroAreaMagic) {
        // The stated total length, never less than the header and never more than the area can state.
        std::size_t total = le::U16(area.data() + 2);
        if (total < kMacroAreaHeaderSize) total = kMacroAreaHeaderSize;
        area.assign(total, 0);
        r = link.ReadMacroArea(area.data(), area.size());
        if (r != kResultSuccess) return r;
    } else {
        area.clear();
    }

    ProfileContent c;  // default header and identification, G-key tags of section 0
    for (unsigned p = 0; p < kDeviceProfileCount; ++p) DecodeKeyTableBlock(blocks[p], defaults, c.Table(), p);
    c.macros = DecodeMacroArea(area, namePrefix);
    out = std::move(c);
    return kResultSuccess;
}

int ReadKeyboardIntoFile(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                         const std::filesystem::path& path) {
    ProfileContent c;
    const int r = ReadKeyboardIntoContent(link, defaults, namePrefix, c);
    if (r != kResultSuccess) return r;
    return WriteFileReplacing(path, SerializeProfile(c)) ? kResultSuccess : kResultNoDevice;
}

}  // namespace kv
