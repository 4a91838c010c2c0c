// The preview of a lighting effect on the keyboard picture: every 50 ms step gives each key button a
// frame colour. The picture is a grid of 23 columns × 6 rows of cells (one per key button) and, in reading
// order, a list of keys. The preview is a visual aid only: it reads the working set and sends nothing.
//
// Runs on the main window's thread (its preview timer); the benchmark and the tests call it directly.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kv {

inline constexpr int kPreviewColumns = 23;
inline constexpr int kPreviewRows = 6;
inline constexpr int kHueWheelSize = 192;

struct PreviewCell {
    int column;  // 0-22
    int row;     // 0-5
};

struct PreviewParams {
    int effect = 0;
    bool multicolour = false;
    uint32_t colour = 0;        // red | green << 8 | blue << 16
    uint8_t direction = 0;      // 255 forward, 0 backward
};

enum class PreviewFrame {
    Colours,  // every cell has its colour in the output
    Clear,    // no frames: the picture's own look (effects 7, 8, 9, 17 and unknown numbers)
    PerKey,   // the per-key colour map stays shown (effect 20)
};

// The hue wheel: red → yellow (32) → green (64) → cyan (96) → blue (128) → magenta (160) → red.
[[nodiscard]] uint32_t HueWheel(int index);
// A colour with each component × level / 255.
[[nodiscard]] uint32_t ScaleColour(uint32_t colour, int level);

class LightingPreview {
public:
    explicit LightingPreview(std::vector<PreviewCell> cells);
    // The cells the window treats as the keys of the grid (the default: the LED grid, G-keys in column 0).
    [[nodiscard]] static std::vector<PreviewCell> LedGridCells();

    // Forgets every effect's phase and pattern (the panel opens, the effect changes).
    void Reset();
    // One step for the effect; colours gets one entry per cell when the result is Colours.
    PreviewFrame Step(const PreviewParams& params, std::vector<uint32_t>& colours);

    [[nodiscard]] std::size_t CellCount() const { return cells_.size(); }

private:
    struct Spark {  // a twinkle, a drop, a meteor, a rocket or a ring
        float x = 0, y = 0;
        int age = 0;
        int life = 0;
        uint32_t colour = 0;
        int row = 0;
    };
    uint32_t Random();
    uint32_t SparkColour(const PreviewParams& p);
    int Advance(int effect, int step, int length, bool forward);
    void Starlight(const PreviewParams& p, std::vector<uint32_t>& out);
    void Raindrop(const PreviewParams& p, std::vector<uint32_t>& out);
    void Meteor(const PreviewParams& p, std::vector<uint32_t>& out);
    void Ribbon(const PreviewParams& p, std::vector<uint32_t>& out);
    void Fireworks(const PreviewParams& p, std::vector<uint32_t>& out);
    void Rings(const PreviewParams& p, std::vector<uint32_t>& out);

    std::vector<PreviewCell> cells_;
    std::vector<int> listIndex_;            // each cell's place in reading order
    std::array<int, 32> phase_{};
    std::vector<uint8_t> glow_;             // starlight: each cell's fading level
    std::vector<uint32_t> glowColour_;
    std::vector<Spark> sparks_;
    int lastEffect_ = -1;
    int tick_ = 0;
    uint32_t seed_ = 0x2545F491u;
    bool stepping_ = false;
};

}  // namespace kv
