#pragma once

#include <QString>
#include <QStringList>

// Small helpers the program entry and the player share.
namespace general {

// The characters between the first and second double quote, or `text` unchanged when it holds
// fewer than two.
QString Strip_Quotes(const QString& text);
// True only for an existing regular file (links count by their target).
bool File_Exists(const QString& path);
// folder + "/" + name, without doubling the separator of a folder that already ends in one.
QString Full_Path(const QString& folder, const QString& name);
// The command line as the program sees it: its arguments joined by single blanks.
QString commandLine(const QStringList& arguments);

} // namespace general
