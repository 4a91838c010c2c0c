// The keyboard operations that move profile data: the write bracket, the macro area and the key table
// blocks. The program uses the device command set; tests and tools may pass another link.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

class KeyboardDataLink {
public:
    virtual ~KeyboardDataLink() = default;
    [[nodiscard]] virtual int SendBegin() = 0;
    [[nodiscard]] virtual int SendEnd() = 0;
    [[nodiscard]] virtual int WriteMacroArea(const uint8_t* data, std::size_t count) = 0;
    [[nodiscard]] virtual int WriteKeyTable(const uint8_t* block, unsigned profile) = 0;
    [[nodiscard]] virtual int ReadMacroArea(uint8_t* out, std::size_t count) = 0;
    [[nodiscard]] virtual int ReadKeyTable(uint8_t* block, unsigned profile) = 0;
};

// The device command set (SendBegin, WriteMacroArea, ... of the device link).
[[nodiscard]] KeyboardDataLink& CommandSetDataLink();

}  // namespace kv
