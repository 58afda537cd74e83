#pragma once

class Forms;

// Tells the window owner how each window of the program is made.
void registerForms(Forms& forms);
