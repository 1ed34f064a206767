// Texts of the string table as the toolkit takes them.
#pragma once

#include <initializer_list>

#include <wx/string.h>

#include "core/services/FormatMessage.h"
#include "core/services/StringTable.h"

namespace quillon {

// Buttons many dialogs share.
inline constexpr StringId kCancelText = 62100;  // "Cancel"
inline constexpr StringId kOkText = 62101;      // "OK"
inline constexpr StringId kHelpText = 62102;    // "&Help"

// The text of `id` in the program's language.
wxString TableText(StringId id);
// The pattern of `id` filled with `args`.
wxString TableText(StringId id, std::initializer_list<MessageArg> args);

}  // namespace quillon
