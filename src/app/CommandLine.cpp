#include "app/CommandLine.h"

#include "picture/PictureFormats.h"
#include "platform/DroppedFiles.h"
#include "platform/General.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>

namespace command_line {

namespace {

// Relative names are taken from the folder the program was started in; nothing else of the path
// changes (a link stays the link the person named).
QString absolute(const QString& path) {
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path)
                                      : QDir::cleanPath(QDir::currentPath() + u'/' + path);
}

// The windows a desktop menu entry opens directly, answered only when no file of that name exists
// (a file always wins, as with --help).
std::optional<Kind> windowAsked(const QStringList& arguments) {
    if (arguments.size() != 1 || general::File_Exists(arguments.first()))
        return std::nullopt;
    if (arguments.first() == QLatin1String("--folder"))
        return Kind::Setup;
    if (arguments.first() == QLatin1String("--maker"))
        return Kind::Maker;
    return std::nullopt;
}

Plan refused(const QString& argument, Refusal why) {
    Plan plan;
    plan.kind = Kind::Refused;
    plan.path = argument;
    plan.refusal = why;
    return plan;
}

} // namespace

std::optional<bool> isPicture(const QString& path) {
    const auto file = regular_file::open(path);
    if (!file)
        return std::nullopt;
    return picture_formats::byContent(file->peek(picture_formats::HeadBytes)) != nullptr;
}

Plan decide(const QStringList& arguments) {
    Plan plan;
    if (arguments.isEmpty())
        return plan;
    if (const auto window = windowAsked(arguments)) {
        plan.kind = *window;
        return plan;
    }
    // The rule every show file has always been named by: the whole line, quotes stripped.
    const QString named = general::Strip_Quotes(general::commandLine(arguments));
    if (general::File_Exists(named)) {
        if (isPicture(named).value_or(false)) {
            plan.kind = Kind::Pictures;
            plan.items = {{absolute(named), false}};
            plan.fromFolderOf = true;
        } else {
            plan.kind = Kind::ShowFile;
            plan.path = named;
        }
        return plan;
    }
    // Otherwise every argument must be a picture or a folder.
    plan.kind = Kind::Pictures;
    for (const QString& argument : arguments) {
        if (dropped_files::isFolder(argument)) {
            plan.items.append({absolute(argument), true});
            continue;
        }
        if (!general::File_Exists(argument))
            return refused(argument, Refusal::NoSuchFile);
        const auto picture = isPicture(argument);
        if (!picture)
            return refused(argument, Refusal::CannotRead);
        if (!*picture)
            return refused(argument, Refusal::NotAPictureOrShow);
        plan.items.append({absolute(argument), false});
    }
    return plan;
}

QString reasonOf(Refusal refusal) {
    switch (refusal) {
    case Refusal::NoSuchFile:
        return QStringLiteral("no such file or folder");
    case Refusal::NotAPictureOrShow:
        return QStringLiteral("not a picture or show file");
    case Refusal::CannotRead:
        return QStringLiteral("cannot be read");
    }
    return {};
}

QString refusalLine(const QString& path, const QString& reason) {
    return QStringLiteral("lumora: %1: %2\n").arg(path, reason);
}

} // namespace command_line
