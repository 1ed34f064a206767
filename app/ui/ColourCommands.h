// The colour commands of the main frame: grey, 8-bit palette, smooth and sharpen make a new
// document from the active picture; count colours only reports.
#pragma once

namespace quillon {

// Whether the colour commands have a picture to work on: the active window shows one.
bool ColourCommandsAvailable();
// Runs the colour command `command` (a command id) on the active picture.
void RunColourCommand(int command);

}  // namespace quillon
