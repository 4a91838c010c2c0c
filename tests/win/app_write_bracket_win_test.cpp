// Kelvane.exe end to end: one write to the keyboard at a time. While Apply writes (slowed by the virtual
// keyboard), the keyboard reports a lighting change, the window hears a re-attach and the profile manager's
// Apply is clicked; the keyboard must then have seen Apply's bracket whole, the others after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <thread>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "skin/language.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kCommand = 3, kLength = 4, kOffset = 5, kPayload = 8;

long Count(const AppSession& s, uint8_t command) {
    const auto reports = VendorReports(s);
    return std::count_if(reports.begin(), reports.end(),
                         [&](const std::vector<uint8_t>& r) { return r.size() > kCommand && r[kCommand] == command; });
}

bool IsApplyWrite(uint8_t c) { return c == kv::CMD_WRITE_MACROS || c == kv::CMD_WRITE_KEYTABLE; }

TEST(AppWriteBracket, EventsInTheMiddleOfApplyWaitForItsEndAndRunOnce) {
    ShownSession w("bracket-events");
    PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(IDC_FUNC_PROFILES, BN_CLICKED), 0);
    HWND manager = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        const auto others = w.s.OtherDialogs();
        manager = others.size() == 1 ? others.front() : nullptr;
        return manager != nullptr;
    }));
    ASSERT_TRUE(w.s.Vk().DelayAnswers(150));  // about 30 reports: a write of several seconds
    w.RestoreDefaults();
    ASSERT_TRUE(WaitFor([&] { return Count(w.s, kv::CMD_WRITE_MACROS) > 0; }, 15s));

    // In the middle of the write.
    ASSERT_TRUE(w.s.Vk().LightingChanged());
    DWORD_PTR ignored = 0;
    // Sent, so each has been handled when the call returns (the device link sends the re-attach too).
    SendMessageTimeoutW(w.main, kv::MSG_PROFILE, kv::TAG_PROFILE, 0, SMTO_NORMAL, 3000, &ignored);
    SendMessageTimeoutW(w.main, kv::MSG_OPEN, kv::TAG_OPEN, 0, SMTO_NORMAL, 3000, &ignored);  // the firmware check
    SendMessageTimeoutW(manager, WM_COMMAND, MAKEWPARAM(IDC_PROFILE_APPLY, BN_CLICKED), 0, SMTO_NORMAL, 3000, &ignored);
    std::this_thread::sleep_for(300ms);  // the lighting change's timer comes when the window's queue is empty
    EXPECT_FALSE(IsWindowEnabled(manager)) << "the profile manager could start a write of its own";
    EXPECT_EQ(Count(w.s, kv::CMD_END), 0) << "the write was over before the events came: make it slower";

    // Apply ends; the re-attach's reload (with the lighting) runs once after it.
    ASSERT_TRUE(WaitFor([&] { return Count(w.s, kv::CMD_END) > 0; }, 30s));
    ASSERT_TRUE(w.s.Vk().DelayAnswers(0));
    // The log once the reload has read the keys and the lighting, taken with no bracket open.
    std::vector<std::vector<uint8_t>> reports;
    std::vector<uint8_t> commands;
    ASSERT_TRUE(WaitFor([&] {
        reports = VendorReports(w.s);
        commands.clear();
        for (const auto& r : reports) commands.push_back(r.size() > kCommand ? r[kCommand] : 0);
        const auto count = [&](uint8_t c) { return std::count(commands.begin(), commands.end(), c); };
        return count(kv::CMD_READ_LIGHTING) >= 3 && count(kv::CMD_READ_KEYTABLE) >= 21 &&
               count(kv::CMD_BEGIN) == count(kv::CMD_END);
    }, 20s));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(manager) != FALSE; }));
    EXPECT_TRUE(w.s.FindMessageBox(kv::LookupText("MAIN_CAPTION", kv::GetLanguageIndex())) == nullptr);

    // Every bracket whole, none inside another; Apply's holds its writes and nothing else.
    int applyBrackets = 0;
    std::size_t applyEnd = 0;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (commands[i] != kv::CMD_BEGIN) {
            EXPECT_NE(commands[i], kv::CMD_END) << "an end without its begin at report " << i;
            continue;
        }
        const auto end = std::find(commands.begin() + static_cast<std::ptrdiff_t>(i) + 1, commands.end(), kv::CMD_END);
        ASSERT_NE(end, commands.end()) << "a begin without its end at report " << i;
        const auto inside = std::vector<uint8_t>(commands.begin() + static_cast<std::ptrdiff_t>(i) + 1, end);
        EXPECT_EQ(std::count(inside.begin(), inside.end(), kv::CMD_BEGIN), 0) << "a bracket inside another at " << i;
        if (std::any_of(inside.begin(), inside.end(), IsApplyWrite)) {
            ++applyBrackets;
            applyEnd = static_cast<std::size_t>(end - commands.begin());
            EXPECT_TRUE(std::all_of(inside.begin(), inside.end(), IsApplyWrite)) << "other traffic inside Apply's bracket";
        }
        i = static_cast<std::size_t>(end - commands.begin());
    }
    EXPECT_EQ(applyBrackets, 1);
    // The re-attach's reload ran once, after the write: three key tables of seven reports each.
    EXPECT_EQ(std::count(commands.begin() + static_cast<std::ptrdiff_t>(applyEnd), commands.end(), kv::CMD_READ_KEYTABLE), 21);
    EXPECT_EQ(std::count(commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(applyEnd), kv::CMD_READ_KEYTABLE), 0);

    // The keyboard holds what Apply wrote.
    std::vector<uint8_t> macros;
    std::array<std::vector<uint8_t>, 3> tables;
    for (const auto& r : reports) {
        const std::vector<uint8_t> payload(r.begin() + kPayload, r.begin() + kPayload + r[kLength]);
        if (r[kCommand] == kv::CMD_WRITE_MACROS) macros.insert(macros.end(), payload.begin(), payload.end());
        if (r[kCommand] == kv::CMD_WRITE_KEYTABLE) {
            const std::size_t profile = static_cast<std::size_t>(r[kOffset] | (r[kOffset + 1] << 8)) / kv::kKeyTableSize;
            ASSERT_LT(profile, 3u);
            tables[profile].insert(tables[profile].end(), payload.begin(), payload.end());
        }
    }
    for (std::size_t p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        ASSERT_EQ(tables[p].size(), kv::kKeyTableSize);
        std::vector<uint8_t> held;
        ASSERT_TRUE(w.s.Vk().Dump("keytable " + std::to_string(p), held));
        EXPECT_EQ(held, tables[p]);
    }
    std::vector<uint8_t> heldMacros;
    ASSERT_TRUE(w.s.Vk().Dump("macros " + std::to_string(macros.size()), heldMacros));
    EXPECT_EQ(heldMacros, macros);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w.main, IDC_APPLY)));
    PostMessageW(manager, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace
}  // namespace kvtest
