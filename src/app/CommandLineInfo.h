#pragma once

#include <QString>

// `lumora --help` and `lumora --version`. They are answered only when no file of that name exists
// in the current folder: a file always wins, so a show that happens to be called "--help" still
// plays as the command line has always promised.
namespace command_line_info {

QString usage();
QString version();
// What to print instead of starting the program for `commandLine` (the arguments joined by blanks,
// as the program entry sees them), or an empty text when the program is to start as usual.
QString answer(const QString& commandLine);

} // namespace command_line_info
