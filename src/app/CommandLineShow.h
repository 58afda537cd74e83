#pragma once

#include "app/CommandLine.h"

#include <QStringList>

// The pictures of a show named on the command line, without walking subfolders.
namespace command_line_show {

// The pictures of `folder`'s own folder as its file lists show them, starting at `picture` and going
// round. A picture those lists leave out (a hidden file, a name with another ending) comes first
// all the same: it is the one the person asked for.
QStringList folderFrom(const QString& picture);

// Every picture of `plan`: a picture alone plays its folder from it; otherwise pictures in the order
// given and each folder's own pictures in their place.
QStringList pictures(const command_line::Plan& plan);

// Whether the show of `plan` walks subfolders when the setup's "Include Subfolders" is `subfolders`.
bool walks(const command_line::Plan& plan, bool subfolders);

} // namespace command_line_show
