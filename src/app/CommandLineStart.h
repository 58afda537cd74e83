#pragma once

#include "app/CommandLine.h"

class Forms;

// The program entry's start: the menu, a window a desktop menu entry asks for, the show file the
// command line names, or a show of the pictures and folders it names. A command line that names
// nothing to play says so on stderr and in a box, and ends the program at once.
namespace command_line_start {

void start(Forms& forms, const command_line::Plan& plan);

} // namespace command_line_start
