#include "lighting/lighting_effects.h"

#include <cstring>

#include "device/commands.h"

namespace kv {
namespace {

using D = DirectionKind;
using C = ColourKind;

// effect, speed, direction, colour, effect 17's colours, per-key, selection writes multicolour
constexpr EffectTraits kEffects[] = {
    {1,  true,  D::LeftRight, C::Main,       false, false, true},
    {2,  true,  D::LeftRight, C::Main,       false, false, true},
    {3,  true,  D::LeftRight, C::Main,       false, false, true},
    {4,  true,  D::None,      C::None,       false, false, false},
    {5,  true,  D::None,      C::Main,       false, false, true},
    {6,  false, D::None,      C::SinglePair, false, false, false},
    {7,  true,  D::None,      C::Main,       false, false, true},
    {8,  true,  D::None,      C::Main,       false, false, true},
    {9,  true,  D::None,      C::Main,       false, false, true},
    {10, true,  D::None,      C::Main,       false, false, false},
    {11, true,  D::None,      C::None,       false, false, false},
    {12, true,  D::UpDown,    C::None,       false, false, false},
    {13, true,  D::None,      C::Main,       false, false, true},
    {14, true,  D::None,      C::Main,       false, false, true},
    {15, true,  D::None,      C::Main,       false, false, true},
    {16, false, D::None,      C::SinglePair, false, false, false},
    {17, false, D::None,      C::None,       true,  false, false},
    {18, false, D::OutIn,     C::None,       false, false, false},
    {20, false, D::None,      C::None,       false, true,  false},
};

struct DirectionName {
    DirectionKind kind;
    const char* first;   // 255
    const char* second;  // 0
};
constexpr DirectionName kDirectionNames[] = {
    {D::LeftRight, "left", "right"},
    {D::UpDown, "up", "down"},
    {D::OutIn, "out", "in"},
};

}  // namespace

const EffectTraits* FindEffect(int number) {
    for (const EffectTraits& e : kEffects)
        if (e.number == number) return &e;
    return nullptr;
}

bool ParseDirectionWord(const char* word, uint8_t& value) {
    for (const DirectionName& d : kDirectionNames) {
        if (std::strcmp(word, d.first) == 0) return value = 255, true;
        if (std::strcmp(word, d.second) == 0) return value = 0, true;
    }
    return false;
}

const char* DirectionWord(int effect, uint8_t direction) {
    const EffectTraits* e = FindEffect(effect);
    if (e == nullptr) return "";
    for (const DirectionName& d : kDirectionNames)
        if (d.kind == e->direction) return direction == 255 ? d.first : direction == 0 ? d.second : "";
    return "";
}

EffectList EffectList::FromInfo(const uint8_t* info) {
    return FromNumbers(info + kInfoEffectsOffset, kEffectSlots);
}

EffectList EffectList::FromNumbers(const uint8_t* numbers, std::size_t count) {
    EffectList list;
    for (std::size_t i = 0; i < count && i < static_cast<std::size_t>(kEffectSlots); ++i) {
        if (numbers[i] == 0) continue;
        list.pairs_[static_cast<std::size_t>(list.count_)] = {list.count_, numbers[i]};
        ++list.count_;
    }
    return list;
}

int EffectList::EffectAt(int position) const {
    if (position < 0 || position >= count_) return 0;
    return pairs_[static_cast<std::size_t>(position)].effect;
}

int EffectList::PositionOf(int effect) const {
    for (int i = 0; i < count_; ++i)
        if (pairs_[static_cast<std::size_t>(i)].effect == effect) return pairs_[static_cast<std::size_t>(i)].position;
    return -1;
}

}  // namespace kv
