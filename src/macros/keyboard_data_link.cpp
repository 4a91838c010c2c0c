#include "macros/keyboard_data_link.h"

#include "device/commands.h"

namespace kv {

namespace {

class CommandSetLink final : public KeyboardDataLink {
public:
    int SendBegin() override { return kv::SendBegin(); }
    int SendEnd() override { return kv::SendEnd(); }
    int WriteMacroArea(const uint8_t* data, std::size_t count) override { return kv::WriteMacroArea(data, count); }
    int WriteKeyTable(const uint8_t* block, unsigned profile) override { return kv::WriteKeyTable(block, profile); }
    int ReadMacroArea(uint8_t* out, std::size_t count) override { return kv::ReadMacroArea(out, count); }
    int ReadKeyTable(uint8_t* block, unsigned profile) override { return kv::ReadKeyTable(block, profile); }
};

}  // namespace

KeyboardDataLink& CommandSetDataLink() {
    static CommandSetLink link;
    return link;
}

}  // namespace kv
