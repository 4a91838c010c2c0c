#include "hid/report_descriptor.h"

#include <algorithm>
#include <map>

namespace qvx::hid {
namespace {

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// Report bits per report id and kind (0 input, 1 output, 2 feature) within one top-level collection.
struct Tally {
    std::map<uint8_t, uint32_t> bits[3];
};

uint16_t Bytes(uint32_t bits) {
    const uint32_t n = 1 + (bits + 7) / 8;  // the report id byte (0 when unnumbered) and the data
    return static_cast<uint16_t>(std::min<uint32_t>(n, 0xFFFF));
}

void Finish(const Tally& t, DescribedCollection& c) {
    for (const auto& [id, bits] : t.bits[0])
        if (id != 0) c.inputReportIds.push_back(id);
    auto longest = [](const std::map<uint8_t, uint32_t>& m) {
        uint32_t best = 0;
        for (const auto& [id, bits] : m) best = std::max(best, bits);
        return best;
    };
    c.inputReportLength = t.bits[0].empty() ? 0 : Bytes(longest(t.bits[0]));
    c.outputReportLength = t.bits[1].empty() ? 0 : Bytes(longest(t.bits[1]));
    c.featureReportLength = t.bits[2].empty() ? 0 : Bytes(longest(t.bits[2]));
}

}  // namespace

bool ParseReportDescriptor(const uint8_t* d, std::size_t length, std::vector<DescribedCollection>& out) {
    out.clear();
    if (d == nullptr) return false;
    Globals globals;
    std::vector<Globals> pushed;
    struct Usage {
        uint16_t page;
        uint16_t id;
    };
    std::vector<Usage> usages;  // local usages since the last main item
    int depth = 0;
    Tally tally;
    std::size_t i = 0;
    while (i < length) {
        const uint8_t prefix = d[i++];
        if (prefix == 0xFE) {  // long item: size, tag, data; none of ours
            if (i + 2 > length) return false;
            const std::size_t size = d[i];
            i += 2 + size;
            if (i > length) return false;
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        const std::size_t size = kSizes[prefix & 3];
        if (i + size > length) return false;
        uint32_t value = 0;
        for (std::size_t k = 0; k < size; ++k) value |= static_cast<uint32_t>(d[i + k]) << (8 * k);
        i += size;
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        if (type == 0) {  // main
            if (tag == 0xA) {  // Collection
                if (depth == 0) {
                    DescribedCollection c;
                    c.usagePage = usages.empty() ? static_cast<uint16_t>(globals.usagePage) : usages.front().page;
                    c.usage = usages.empty() ? 0 : usages.front().id;
                    out.push_back(c);
                    tally = Tally{};
                }
                ++depth;
            } else if (tag == 0xC) {  // End Collection
                if (depth == 0) return false;
                if (--depth == 0) Finish(tally, out.back());
            } else if ((tag == 0x8 || tag == 0x9 || tag == 0xB) && depth > 0) {  // Input, Output, Feature
                const int kind = tag == 0x8 ? 0 : tag == 0x9 ? 1 : 2;
                tally.bits[kind][globals.reportId] += globals.reportSize * globals.reportCount;
                // Data (not constant padding) wider than a bit: a value or an array of usage indexes.
                if (kind == 0 && (value & 1) == 0 && globals.reportSize > 1 && !out.empty()) {
                    DescribedField f;
                    f.reportId = globals.reportId;
                    f.usagePage = usages.empty() ? static_cast<uint16_t>(globals.usagePage) : usages.front().page;
                    f.bitSize = static_cast<uint16_t>(std::min<uint32_t>(globals.reportSize, 0xFFFF));
                    f.reportCount = static_cast<uint16_t>(std::min<uint32_t>(globals.reportCount, 0xFFFF));
                    out.back().inputFields.push_back(f);
                }
            }
            usages.clear();
        } else if (type == 1) {  // global
            switch (tag) {
                case 0x0: globals.usagePage = value; break;
                case 0x7: globals.reportSize = value; break;
                case 0x8: globals.reportId = static_cast<uint8_t>(value); break;
                case 0x9: globals.reportCount = value; break;
                case 0xA: pushed.push_back(globals); break;
                case 0xB:
                    if (pushed.empty()) return false;
                    globals = pushed.back();
                    pushed.pop_back();
                    break;
                default: break;
            }
        } else if (type == 2 && tag == 0x0) {  // local Usage; four bytes carry their own usage page
            if (size == 4) usages.push_back({static_cast<uint16_t>(value >> 16), static_cast<uint16_t>(value)});
            else usages.push_back({static_cast<uint16_t>(globals.usagePage), static_cast<uint16_t>(value)});
        }
    }
    return depth == 0;
}

}  // namespace qvx::hid
