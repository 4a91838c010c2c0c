// The lighting effects: which parameters each effect uses, what selecting it writes, and the list of
// effects the keyboard offers (information block bytes 12-43, in display order).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr uint8_t kPerKeyEffect = 20;  // the custom effect that shows the per-key colour map
inline constexpr uint8_t kColourChoiceEffect = 17;
inline constexpr int kEffectSlots = 32;

enum class DirectionKind : uint8_t { None, LeftRight, UpDown, OutIn };
enum class ColourKind : uint8_t { None, Main, SinglePair };

struct EffectTraits {
    uint8_t number;
    bool speed;
    DirectionKind direction;
    ColourKind colour;
    bool colourChoice;         // effect 17's four colour buttons
    bool perKey;               // effect 20's per-key colours, tools and sets
    bool writesMulticolour;    // selection also writes the multicolour byte
};

// The row of an effect number, or nullptr for a number the program does not know (19, 21 and above):
// such an effect is listed, but selecting it writes nothing and shows no parameter controls.
[[nodiscard]] const EffectTraits* FindEffect(int number);

// Direction names of the command line: left/up/out are 255, right/down/in are 0. False for other words.
[[nodiscard]] bool ParseDirectionWord(const char* word, uint8_t& value);
// The word for an effect's direction value ("left", "right", "up", "down", "out", "in"; "" without one).
[[nodiscard]] const char* DirectionWord(int effect, uint8_t direction);

// The effects the keyboard offers, from the 44-byte information block.
class EffectList {
public:
    EffectList() = default;
    [[nodiscard]] static EffectList FromInfo(const uint8_t* info);  // 44 bytes
    [[nodiscard]] static EffectList FromNumbers(const uint8_t* numbers, std::size_t count);

    [[nodiscard]] int Count() const { return count_; }
    [[nodiscard]] bool Empty() const { return count_ == 0; }
    // The effect at a list position, 0 outside the list.
    [[nodiscard]] int EffectAt(int position) const;
    // The list position of an effect number, -1 when the keyboard does not offer it.
    [[nodiscard]] int PositionOf(int effect) const;
    // The per-key colour features exist only when the keyboard offers effect 20.
    [[nodiscard]] bool OffersPerKey() const { return PositionOf(kPerKeyEffect) >= 0; }

private:
    struct Pair {
        int position;
        uint8_t effect;
    };
    std::array<Pair, kEffectSlots> pairs_{};
    int count_ = 0;
};

}  // namespace kv
