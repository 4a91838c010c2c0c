// A keyboard data link that passes every operation through and remembers the first write that failed: a
// write-out goes on after a failing report, and an Apply must still know that not everything arrived.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/commands.h"
#include "macros/keyboard_data_link.h"

namespace kv {

class CheckedDataLink final : public KeyboardDataLink {
public:
    explicit CheckedDataLink(KeyboardDataLink& link) : link_(link) {}
    int SendBegin() override { return Note(link_.SendBegin()); }
    int SendEnd() override { return Note(link_.SendEnd()); }
    int WriteMacroArea(const uint8_t* data, std::size_t count) override { return Note(link_.WriteMacroArea(data, count)); }
    int WriteKeyTable(const uint8_t* block, unsigned profile) override { return Note(link_.WriteKeyTable(block, profile)); }
    int ReadMacroArea(uint8_t* out, std::size_t count) override { return link_.ReadMacroArea(out, count); }
    int ReadKeyTable(uint8_t* block, unsigned profile) override { return link_.ReadKeyTable(block, profile); }
    [[nodiscard]] int FirstFailure() const { return firstFailure_; }
    [[nodiscard]] bool AllSucceeded() const { return firstFailure_ == kResultSuccess; }

private:
    int Note(int result) {
        if (result != kResultSuccess && firstFailure_ == kResultSuccess) firstFailure_ = result;
        return result;
    }
    KeyboardDataLink& link_;
    int firstFailure_ = kResultSuccess;
};

}  // namespace kv
