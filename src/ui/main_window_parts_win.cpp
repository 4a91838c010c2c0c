// Wires the parts that plug into the main window: one line per part, each made by its own subsystem.
#include "ui/main_window_parts_win.h"

#include "keys/key_dialog_win.h"
#include "lighting/lighting_panel_win.h"

namespace kv {

MainWindowParts MakeMainWindowParts(MainWindowHost& host) {
    MainWindowParts parts;
    parts.keyDialog = MakeKeyAssignmentDialog(host);
    // parts.profileManager = MakeProfileManagerDialog(host);
    // parts.updateDialog = MakeUpdateDialog(host);
    // parts.profileFlows = MakeProfileFlows(host);
    parts.lighting = MakeLightingPanel(host);
    return parts;
}

}  // namespace kv
