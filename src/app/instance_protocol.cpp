#include "app/instance_protocol.h"

#include <cstdio>

#include "app/app_messages.h"
#include "app/command_line.h"

namespace kv {

uint32_t FindInstanceInList(const std::vector<ProcessEntry>& processes, const std::wstring& exeName,
                            uint32_t ownPid, uint32_t ownSession) {
    for (const auto& p : processes)
        if (p.pid != 0 && p.pid != ownPid && p.session == ownSession && p.session != kUnknownSession &&
            EqualsIgnoringCase(p.exeName, exeName))
            return p.pid;
    return 0;
}

NotifyChoice ChooseInstanceWindow(const std::vector<TopWindow>& windows, uint32_t pid) {
    NotifyChoice c;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].ownerPid != pid) continue;
        c.found = true;
        if (windows[i].userData == kMainWindowTag) {
            c.target = static_cast<int>(i);
            break;
        }
    }
    return c;
}

std::wstring InstanceEventName(int n) {
    wchar_t name[64];
    std::swprintf(name, 64, L"%lsMain_%02d", L"Kelvane_Event_", n);
    return name;
}

}  // namespace kv
