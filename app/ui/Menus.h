// The two menu bars of the main frame: 269 while no picture is open, 129 while one is.
#pragma once

#include "platform/StringTables.h"

class wxMenuBar;

namespace quillon {

// Builds menu bar `resourceId` (269 or 129) in the given language; null for another id.
wxMenuBar* CreateMenuBar(int resourceId, Language language);

// Menu ids whose items carry a check mark.
bool IsCheckCommand(int commandId);

}  // namespace quillon
