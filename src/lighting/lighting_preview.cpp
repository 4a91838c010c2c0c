#include "lighting/lighting_preview.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "keys/key_catalogue.h"
#include "lighting/led_numbers.h"

namespace kv {
namespace {

// One sixth of the hue wheel: a component rising from nearly off to full.
constexpr uint8_t kRamp[32] = {1,   3,   5,   7,   10,  14,  18,  22,  26,  32,  38,  44,  51,  58,  66,  74,
                               83,  92,  102, 112, 123, 134, 146, 158, 171, 184, 198, 212, 226, 240, 248, 255};

constexpr uint32_t Rgb(unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }

// A brightness curve of n levels: dark, up to full in the middle, dark again (a raised cosine).
template <int N>
struct Curve {
    std::array<uint8_t, N> level{};
    Curve() {
        for (int i = 0; i < N; ++i)
            level[static_cast<std::size_t>(i)] =
                static_cast<uint8_t>(std::lround(127.5 * (1.0 - std::cos(6.283185307179586 * i / N))));
    }
    int operator[](int i) const { return level[static_cast<std::size_t>(((i % N) + N) % N)]; }
};
const Curve<96>& Curve96() {
    static const Curve<96> c;
    return c;
}
const Curve<128>& Curve128() {
    static const Curve<128> c;
    return c;
}

int Wrap(int v, int n) { return ((v % n) + n) % n; }
float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
int Level(float v) { return static_cast<int>(Clamp01(v) * 255.0f + 0.5f); }
// The brighter of two colours, component by component (overlapping sparks add up to the stronger one).
uint32_t Lighter(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) out |= std::max((a >> s) & 0xFF, (b >> s) & 0xFF) << s;
    return out;
}

constexpr float kCentreX = (kPreviewColumns - 1) / 2.0f;
constexpr float kCentreY = (kPreviewRows - 1) / 2.0f;

}  // namespace

uint32_t HueWheel(int index) {
    const int i = Wrap(index, kHueWheelSize);
    const int segment = i / 32, at = i % 32;
    const unsigned up = kRamp[at], down = kRamp[31 - at];
    switch (segment) {
        case 0: return Rgb(255, up, 0);
        case 1: return Rgb(down, 255, 0);
        case 2: return Rgb(0, 255, up);
        case 3: return Rgb(0, down, 255);
        case 4: return Rgb(up, 0, 255);
        default: return Rgb(255, 0, down);
    }
}

uint32_t ScaleColour(uint32_t colour, int level) {
    level = std::clamp(level, 0, 255);
    const auto part = [&](int shift) { return ((colour >> shift) & 0xFF) * static_cast<unsigned>(level) / 255u; };
    return Rgb(part(0), part(8), part(16));
}

LightingPreview::LightingPreview(std::vector<PreviewCell> cells) : cells_(std::move(cells)) {
    std::vector<int> order(cells_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const PreviewCell& ca = cells_[static_cast<std::size_t>(a)];
        const PreviewCell& cb = cells_[static_cast<std::size_t>(b)];
        return ca.row != cb.row ? ca.row < cb.row : ca.column < cb.column;
    });
    listIndex_.assign(cells_.size(), 0);
    for (std::size_t i = 0; i < order.size(); ++i) listIndex_[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    Reset();
}

std::vector<PreviewCell> LightingPreview::LedGridCells() {
    std::vector<PreviewCell> cells;
    for (int i = 0; i < kPictureKeyCount; ++i) {
        const int led = LedOfKeyCode(PictureKeyCode(i));
        cells.push_back({led % kLedColumns + 1, led / kLedColumns});
    }
    for (int g = 0; g < 5; ++g) cells.push_back({0, g + 1});        // G1-G5 left of the keys
    for (int g = 0; g < 4; ++g) cells.push_back({18 + g, 0});       // G6-G9 above the number pad
    cells.push_back({kFnLed % kLedColumns + 1, kFnLed / kLedColumns});
    return cells;
}

void LightingPreview::Reset() {
    phase_.fill(0);
    glow_.assign(cells_.size(), 0);
    glowColour_.assign(cells_.size(), 0);
    sparks_.clear();
    lastEffect_ = -1;
    tick_ = 0;
}

uint32_t LightingPreview::Random() {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return seed_;
}

uint32_t LightingPreview::SparkColour(const PreviewParams& p) {
    return p.multicolour ? HueWheel(static_cast<int>(Random() % kHueWheelSize)) : p.colour;
}

int LightingPreview::Advance(int effect, int step, int length, bool forward) {
    int& phase = phase_[static_cast<std::size_t>(effect & 31)];
    phase = Wrap(phase + (forward ? step : -step), length);
    return phase;
}

PreviewFrame LightingPreview::Step(const PreviewParams& p, std::vector<uint32_t>& out) {
    if (p.effect == 20) return PreviewFrame::PerKey;
    if (stepping_) return PreviewFrame::Colours;  // the previous step of this preview is still running
    switch (p.effect) {
        case 1: case 2: case 3: case 4: case 5: case 6: case 10: case 11: case 12: case 13: case 14: case 15:
        case 16: case 18: break;
        default: return PreviewFrame::Clear;
    }
    stepping_ = true;
    if (p.effect != lastEffect_) {
        sparks_.clear();
        std::fill(glow_.begin(), glow_.end(), uint8_t{0});
        lastEffect_ = p.effect;
    }
    ++tick_;
    out.assign(cells_.size(), 0);
    const bool forward = p.direction == 255;
    const auto each = [&](auto&& colourOf) {
        for (std::size_t i = 0; i < cells_.size(); ++i) out[i] = colourOf(cells_[i], listIndex_[i]);
    };
    switch (p.effect) {
        case 1:  // wave: a band of colour or light moving across the columns
            if (p.multicolour) {
                const int ph = Advance(1, 9, kHueWheelSize, forward);
                each([&](PreviewCell c, int) { return HueWheel(ph + c.column * 9); });
            } else {
                const int ph = Advance(1, 7, 96, forward);
                each([&](PreviewCell c, int) { return ScaleColour(p.colour, Curve96()[ph + c.column * 7]); });
            }
            break;
        case 2:  // flow: like the wave, in finer steps
            if (p.multicolour) {
                const int ph = Advance(2, 4, kHueWheelSize, forward);
                each([&](PreviewCell c, int) { return HueWheel(ph + c.column * 5); });
            } else {
                const int ph = Advance(2, 4, 128, true);
                const int sense = forward ? -5 : 5;
                each([&](PreviewCell c, int) { return ScaleColour(p.colour, Curve128()[ph + c.column * sense]); });
            }
            break;
        case 3:  // snake: the same along the key list, row by row
            if (p.multicolour) {
                const int ph = Advance(3, 4, kHueWheelSize, forward);
                each([&](PreviewCell, int k) { return HueWheel(ph + k * 5); });
            } else {
                const int ph = Advance(3, 4, 96, forward);
                each([&](PreviewCell, int k) { return ScaleColour(p.colour, Curve96()[ph + k * 5]); });
            }
            break;
        case 4: {  // spectrum cycle: the whole keyboard in one hue
            const int ph = Advance(4, 2, kHueWheelSize, true);
            each([&](PreviewCell, int) { return HueWheel(ph); });
            break;
        }
        case 5: {  // breathing
            const int level = Curve128()[Advance(5, 2, 128, true)];
            each([&](PreviewCell c, int) { return ScaleColour(p.multicolour ? HueWheel(c.column * 7) : p.colour, level); });
            break;
        }
        case 6:  // static
            each([&](PreviewCell c, int) { return p.multicolour ? HueWheel(c.column * 9) : p.colour; });
            break;
        case 11: {  // rainbow: every key its own hue, all moving on
            const int ph = Advance(11, 3, kHueWheelSize, true);
            each([&](PreviewCell, int k) { return HueWheel(ph + k * 33); });
            break;
        }
        case 12: {  // vertical wave: one hue per row
            const int ph = Advance(12, 3, kHueWheelSize, forward);
            each([&](PreviewCell c, int) { return HueWheel(ph + c.row * 32); });
            break;
        }
        case 10: Starlight(p, out); break;
        case 13: Raindrop(p, out); break;
        case 14: Meteor(p, out); break;
        case 15: Ribbon(p, out); break;
        case 16: Fireworks(p, out); break;
        case 18: Rings(p, out); break;
        default: break;
    }
    stepping_ = false;
    return PreviewFrame::Colours;
}

// Starlight: a few keys light up at random each step and fade out over about a second.
void LightingPreview::Starlight(const PreviewParams& p, std::vector<uint32_t>& out) {
    for (auto& g : glow_) g = static_cast<uint8_t>(g * 7 / 8);
    for (int n = 0; n < 2 && !cells_.empty(); ++n) {
        const std::size_t i = Random() % cells_.size();
        glow_[i] = 255;
        glowColour_[i] = SparkColour(p);
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) out[i] = ScaleColour(glowColour_[i], glow_[i]);
}

// Raindrop: drops land on random keys and ripple outwards in a widening, fading ring.
void LightingPreview::Raindrop(const PreviewParams& p, std::vector<uint32_t>& out) {
    if (tick_ % 7 == 1 && !cells_.empty()) {
        const PreviewCell& c = cells_[Random() % cells_.size()];
        sparks_.push_back({static_cast<float>(c.column), static_cast<float>(c.row), 0, 16, SparkColour(p), 0});
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        uint32_t colour = 0;
        for (const Spark& s : sparks_) {
            const float radius = s.age * 0.45f;
            const float dx = cells_[i].column - s.x, dy = (cells_[i].row - s.y) * 1.4f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float ring = Clamp01(1.0f - std::fabs(d - radius) / 0.9f);
            const float fade = 1.0f - static_cast<float>(s.age) / s.life;
            colour = Lighter(colour, ScaleColour(s.colour, Level(ring * fade)));
        }
        out[i] = colour;
    }
    for (Spark& s : sparks_) ++s.age;
    std::erase_if(sparks_, [](const Spark& s) { return s.age >= s.life; });
}

// Meteor: a bright head shoots along a row, leaving a fading tail; a new one starts every few steps.
void LightingPreview::Meteor(const PreviewParams& p, std::vector<uint32_t>& out) {
    if (tick_ % 6 == 1) {
        Spark s;
        s.row = static_cast<int>(Random() % kPreviewRows);
        s.x = -1;
        s.life = 2 * (kPreviewColumns + 8);
        s.colour = SparkColour(p);
        sparks_.push_back(s);
    }
    constexpr float kTail = 6.0f;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        uint32_t colour = 0;
        for (const Spark& s : sparks_) {
            if (cells_[i].row != s.row) continue;
            const float behind = s.x - cells_[i].column;
            if (behind < -0.5f || behind > kTail) continue;
            const float level = behind < 0.5f ? 1.0f : 1.0f - behind / kTail;
            colour = Lighter(colour, ScaleColour(s.colour, Level(level)));
        }
        out[i] = colour;
    }
    for (Spark& s : sparks_) {
        s.x += 0.5f;
        ++s.age;
    }
    std::erase_if(sparks_, [](const Spark& s) { return s.age >= s.life; });
}

// Ribbon: a band waving across the keyboard like a ribbon in the wind.
void LightingPreview::Ribbon(const PreviewParams& p, std::vector<uint32_t>& out) {
    const int ph = Advance(15, 1, 96, true);
    const float t = ph * 6.283185307179586f / 96.0f;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const PreviewCell& c = cells_[i];
        const float centre = kCentreY + 2.2f * std::sin(c.column * 0.42f - t);
        const float level = Clamp01(1.15f - std::fabs(c.row - centre) / 1.1f);
        const uint32_t colour = p.multicolour ? HueWheel(ph * 2 + c.column * 8) : p.colour;
        out[i] = ScaleColour(colour, Level(level));
    }
}

// Fireworks: a rocket climbs a column from the bottom row, then bursts into a ring of sparks that fades.
void LightingPreview::Fireworks(const PreviewParams& p, std::vector<uint32_t>& out) {
    constexpr int kClimb = 8;   // steps from the bottom to the burst
    constexpr int kBurst = 14;  // steps the burst lasts
    if (tick_ % 9 == 1) {
        Spark s;
        s.x = static_cast<float>(2 + Random() % (kPreviewColumns - 4));
        s.y = static_cast<float>(1 + Random() % 2);  // bursts in the upper rows
        s.life = kClimb + kBurst;
        s.colour = SparkColour(p);
        sparks_.push_back(s);
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const PreviewCell& c = cells_[i];
        uint32_t colour = 0;
        for (const Spark& s : sparks_) {
            if (s.age < kClimb) {  // the rocket: one key, rising
                const float y = (kPreviewRows - 1) - ((kPreviewRows - 1) - s.y) * s.age / kClimb;
                if (std::lround(s.x) == c.column && std::lround(y) == c.row) colour = Lighter(colour, s.colour);
                continue;
            }
            const int a = s.age - kClimb;
            const float dx = c.column - s.x, dy = (c.row - s.y) * 1.4f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float ring = Clamp01(1.0f - std::fabs(d - a * 0.55f) / 1.2f);
            const float core = a < 2 ? Clamp01(1.0f - d / 1.5f) : 0.0f;
            const float fade = 1.0f - static_cast<float>(a) / kBurst;
            colour = Lighter(colour, ScaleColour(s.colour, Level(std::max(ring, core) * fade)));
        }
        out[i] = colour;
    }
    for (Spark& s : sparks_) ++s.age;
    std::erase_if(sparks_, [](const Spark& s) { return s.age >= s.life; });
}

// Rings: rings of colour spreading out from the middle of the keyboard, or gathering into it.
void LightingPreview::Rings(const PreviewParams& p, std::vector<uint32_t>& out) {
    constexpr int kPeriod = 48;  // steps between two rings
    const int ph = Advance(18, 1, kHueWheelSize * 4, true);
    const bool outward = p.direction == 255;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const PreviewCell& c = cells_[i];
        const float dx = c.column - kCentreX, dy = (c.row - kCentreY) * 2.0f;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float travel = (outward ? ph : -ph) * (12.0f / kPeriod);
        const float wave = std::cos((d - travel) * 6.283185307179586f / 12.0f);
        const float level = Clamp01(wave * 1.6f - 0.6f);
        const int ring = static_cast<int>(std::floor((d - travel) / 12.0f));
        out[i] = ScaleColour(HueWheel(ring * 40 + ph / 4), Level(level));
    }
}

}  // namespace kv
