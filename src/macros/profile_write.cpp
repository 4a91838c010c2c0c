#include "macros/profile_write.h"

#include <new>

#include "keys/assignment_key_table.h"
#include "macros/macro_area.h"

namespace kv {

ProfileWriteOutcome CreateSnapshotAndWrite(ProfileData& data, ProfileDataSnapshot& snapshot, KeyboardDataLink& link,
                                           std::size_t capacity, const KeyTableBlock& defaults,
                                           std::optional<unsigned> onlyProfile) {
    ProfileWriteOutcome out;
    if (onlyProfile && *onlyProfile >= kDeviceProfileCount) {
        out.result = kResultBadProfile;
        return out;
    }
    std::lock_guard<std::mutex> hold(snapshot.lock);
    std::vector<uint8_t> area;
    try {
        TakeSnapshot(data, snapshot);
        const MacroAreaLengths lengths = MeasureMacroArea(snapshot.macros);
        if (capacity < lengths.withoutNames) {
            out.messageKey = kMessageMacroTooLong;
            return out;
        }
        out.namesIncluded = capacity >= lengths.withNames;
        area = EncodeMacroArea(snapshot.macros, out.namesIncluded);
    } catch (const std::bad_alloc&) {
        return out;  // nothing written, failure reported
    }
    out.areaLength = area.size();

    std::vector<std::pair<unsigned, KeyTableBlock>> blocks;
    for (unsigned p = 0; p < kDeviceProfileCount; ++p)
        if (!onlyProfile || *onlyProfile == p) blocks.emplace_back(p, BuildKeyTableBlock(snapshot, p, defaults));

    out.written = true;
    const int begin = link.SendBegin();
    const int macros = link.WriteMacroArea(area.data(), area.size());
    bool allWritten = begin == kResultSuccess && macros == kResultSuccess && !onlyProfile;
    for (const auto& [p, block] : blocks) {
        out.result = link.WriteKeyTable(block.data(), p);
        allWritten = allWritten && out.result == kResultSuccess;
    }
    allWritten = link.SendEnd() == kResultSuccess && allWritten;
    if (allWritten) {
        // The keyboard now holds the working data (as it was at the snapshot) in full.
        std::lock_guard<std::mutex> hold(data.lock);
        data.fromKeyboard = true;
        data.readBase = ProfileContent{};
    }
    if (!out.namesIncluded) out.messageKey = kMessageProfileSpaceTight;
    return out;
}

}  // namespace kv
