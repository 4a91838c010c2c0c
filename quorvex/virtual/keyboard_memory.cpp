#include "virtual/keyboard_memory.h"

#include <algorithm>
#include <cstring>

namespace qvx {
namespace {

// Factory lighting records, one per profile (field offsets: 0 effect, 1 brightness, 2 speed, 3 direction,
// 4 multicolour, 5-7 colour, 15 report rate, 17 effect 17's colour, 18 effect 7's option, 19 trigger style,
// 25-27 second colour, 28 its multicolour flag, 30-32 third colour, 33 its multicolour flag).
struct FactoryLighting {
    uint8_t effect, brightness, speed, direction, multicolour, r, g, b;
    uint8_t reportRate, colorChoice, option7, trigger;
    uint8_t r2, g2, b2, multi2, r3, g3, b3, multi3;
};
constexpr FactoryLighting kFactoryLighting[kProfiles] = {
    // effect bright speed dir multi colour            rate choice opt trig  second colour     third colour
    {1, 5, 3, 0, 1, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0x00, 0x00, 0, 0x00, 0x00, 0xFF, 0},
    {5, 4, 2, 0, 0, 0x00, 0x7E, 0xFF, 0, 2, 0, 0, 0x00, 0xFF, 0x00, 1, 0xFF, 0xFF, 0x00, 0},
    {20, 5, 3, 0, 0, 0xFF, 0x00, 0x00, 1, 0, 0, 1, 0x00, 0x00, 0xFF, 0, 0xFF, 0xFF, 0xFF, 1},
};

// Factory per-key colours: every LED of a profile's page in one colour.
constexpr uint8_t kFactoryColors[kProfiles][3] = {
    {0xFF, 0xFF, 0xFF},
    {0x00, 0x7E, 0xFF},
    {0xFF, 0x00, 0x00},
};
inline constexpr std::size_t kLeds = 144;  // LED numbers 0..143 are wired; the rest of a page stays 0

constexpr uint8_t kInfoHead[8] = {0x31, 0x7A, 0x45, 0x0C, 0x01, 0x00, 0x00, 0x00};

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// A fresh macro area: header with the magic, used size 16, no macros; the rest erased (0xFF).
std::vector<uint8_t> FreshMacroArea(std::size_t capacity) {
    std::vector<uint8_t> area(capacity, 0xFF);
    uint8_t header[kMacroHeaderSize] = {};
    PutU16(header, 0x55AA);
    PutU16(header + 2, static_cast<uint16_t>(kMacroHeaderSize));
    std::memcpy(area.data(), header, std::min(capacity, kMacroHeaderSize));
    return area;
}

inline constexpr uint8_t kStateMagic[4] = {'K', 'V', 'V', 'K'};
inline constexpr uint16_t kStateVersion = 1;
inline constexpr std::size_t kStateHeaderSize = 16;  // magic, version u16, reserved u16, length u32, crc u32
inline constexpr std::size_t kFixedPayload = kInfoSize + kKeyTableSize + kKeyTablesSize + kLightingSize +
                                            kColorAreaSize + 2 + 1 + 4;  // ..., bank, matrix, macro length

}  // namespace


KeyboardMemory FactoryMemory(const KeyboardMake& make) {
    KeyboardMemory m;
    std::copy(std::begin(kInfoHead), std::end(kInfoHead), m.info.begin());
    SetFirmware(m, make.firmware);
    m.info[kInfoProfile] = 0;
    SetEffects(m, make.effects);
    m.info[kInfoCapacity] = make.capacity;
    m.macros = FreshMacroArea(std::size_t{make.capacity} * kMacroUnit);
    SetMatrix(m, make.matrix);
    for (std::size_t p = 0; p < kProfiles; ++p) {
        const FactoryLighting& f = kFactoryLighting[p];
        uint8_t* r = m.lighting.data() + p * kLightingRecordSize;
        r[0] = f.effect;
        r[1] = f.brightness;
        r[2] = f.speed;
        r[3] = f.direction;
        r[4] = f.multicolour;
        r[5] = f.r;
        r[6] = f.g;
        r[7] = f.b;
        r[15] = f.reportRate;
        r[17] = f.colorChoice;
        r[18] = f.option7;
        r[19] = f.trigger;
        r[25] = f.r2;
        r[26] = f.g2;
        r[27] = f.b2;
        r[28] = f.multi2;
        r[30] = f.r3;
        r[31] = f.g3;
        r[32] = f.b3;
        r[33] = f.multi3;
        for (std::size_t led = 0; led < kLeds; ++led)
            std::copy(kFactoryColors[p], kFactoryColors[p] + 3, m.keyColors.begin() + p * kColorPageSize + led * 3);
    }
    m.bankIndicator = {0x05, 0x02};
    return m;
}

void SetFirmware(KeyboardMemory& memory, uint16_t version) { PutU16(memory.info.data() + kInfoFirmware, version); }

uint16_t FirmwareOf(const KeyboardMemory& memory) {
    return static_cast<uint16_t>(memory.info[kInfoFirmware] | (memory.info[kInfoFirmware + 1] << 8));
}

void SetCapacity(KeyboardMemory& memory, uint8_t units) {
    memory.info[kInfoCapacity] = units;
    const std::size_t size = std::size_t{units} * kMacroUnit;
    if (memory.macros.empty() && size > 0) {
        memory.macros = FreshMacroArea(size);
        return;
    }
    memory.macros.resize(size, 0xFF);
}

void SetEffects(KeyboardMemory& memory, const std::vector<uint8_t>& effects) {
    for (std::size_t i = 0; i < kMaxEffects; ++i)
        memory.info[kInfoEffects + i] = i < effects.size() ? effects[i] : 0;
}

void SetMatrix(KeyboardMemory& memory, Matrix matrix) {
    memory.matrix = matrix;
    memory.defaultKeyTable = FactoryKeyTable(matrix);
    for (std::size_t p = 0; p < kProfiles; ++p)
        std::copy(memory.defaultKeyTable.begin(), memory.defaultKeyTable.end(),
                  memory.keyTables.begin() + p * kKeyTableSize);
}

KeyboardMake MakeOf(const KeyboardMemory& memory) {
    KeyboardMake make;
    make.firmware = FirmwareOf(memory);
    make.capacity = memory.info[kInfoCapacity];
    make.effects.clear();
    for (std::size_t i = 0; i < kMaxEffects; ++i)
        if (memory.info[kInfoEffects + i] != 0) make.effects.push_back(memory.info[kInfoEffects + i]);
    make.matrix = memory.matrix;
    return make;
}

uint32_t Crc32(const uint8_t* bytes, std::size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<uint8_t> EncodeState(const KeyboardMemory& m) {
    std::vector<uint8_t> out(kStateHeaderSize);
    auto append = [&out](const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); };
    append(m.info.data(), m.info.size());
    append(m.defaultKeyTable.data(), m.defaultKeyTable.size());
    append(m.keyTables.data(), m.keyTables.size());
    append(m.lighting.data(), m.lighting.size());
    append(m.keyColors.data(), m.keyColors.size());
    append(m.bankIndicator.data(), m.bankIndicator.size());
    out.push_back(static_cast<uint8_t>(m.matrix));
    uint8_t macroLength[4];
    PutU32(macroLength, static_cast<uint32_t>(m.macros.size()));
    append(macroLength, 4);
    append(m.macros.data(), m.macros.size());

    const std::size_t payload = out.size() - kStateHeaderSize;
    std::copy(std::begin(kStateMagic), std::end(kStateMagic), out.begin());
    PutU16(out.data() + 4, kStateVersion);
    PutU16(out.data() + 6, 0);
    PutU32(out.data() + 8, static_cast<uint32_t>(payload));
    PutU32(out.data() + 12, Crc32(out.data() + kStateHeaderSize, payload));
    return out;
}

bool DecodeState(const uint8_t* bytes, std::size_t length, KeyboardMemory& out) {
    if (bytes == nullptr || length < kStateHeaderSize + kFixedPayload) return false;
    if (!std::equal(std::begin(kStateMagic), std::end(kStateMagic), bytes)) return false;
    if ((bytes[4] | (bytes[5] << 8)) != kStateVersion) return false;
    const std::size_t payload = GetU32(bytes + 8);
    if (payload != length - kStateHeaderSize) return false;
    const uint8_t* p = bytes + kStateHeaderSize;
    if (Crc32(p, payload) != GetU32(bytes + 12)) return false;

    KeyboardMemory m;
    auto take = [&p](uint8_t* dst, std::size_t n) {
        std::memcpy(dst, p, n);
        p += n;
    };
    take(m.info.data(), m.info.size());
    take(m.defaultKeyTable.data(), m.defaultKeyTable.size());
    take(m.keyTables.data(), m.keyTables.size());
    take(m.lighting.data(), m.lighting.size());
    take(m.keyColors.data(), m.keyColors.size());
    take(m.bankIndicator.data(), m.bankIndicator.size());
    const uint8_t matrix = *p++;
    if (matrix > static_cast<uint8_t>(Matrix::Builtin)) return false;
    m.matrix = static_cast<Matrix>(matrix);
    const std::size_t macroLength = GetU32(p);
    p += 4;
    if (macroLength != payload - kFixedPayload) return false;
    if (macroLength != std::size_t{m.info[kInfoCapacity]} * kMacroUnit) return false;
    m.macros.assign(p, p + macroLength);
    out = std::move(m);
    return true;
}

}  // namespace qvx
