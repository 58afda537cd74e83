#include "app/CommandLineStart.h"

#include "app/CommandLineShow.h"
#include "folder/FolderShow.h"
#include "folder/Search_Frm.h"
#include "forms/Forms.h"
#include "platform/Desktop.h"
#include "platform/NativeName.h"
#include "show/ShowFile.h"

#include <cstdio>

namespace command_line_start {

namespace {

// Said on stderr for scripts and terminals; the box says it to everyone else.
void tell(const QString& path, const QString& reason) {
    std::fputs(native_name::encode(command_line::refusalLine(path, reason)).constData(), stderr);
}

void endWith(Forms& forms, const desktop::MessageBox& box) {
    forms.desktop().message(nullptr, box);
    forms.desktop().endNow(1);
}

void refuse(Forms& forms, const QString& path, const QString& reason) {
    tell(path, reason);
    endWith(forms, {QStringLiteral("Error reading Command Line!"), QStringLiteral("Lumora"),
                    desktop::Icon::Critical, desktop::Buttons::Ok});
}

desktop::MessageBox noPictures() {
    return {QStringLiteral("No Files in Directory!"), QStringLiteral("ERROR"), desktop::Icon::Exclamation,
            desktop::Buttons::Ok};
}

QString namedIn(const command_line::Plan& plan) {
    QStringList paths;
    for (const command_line::Item& item : plan.items)
        paths << item.path;
    return paths.join(QLatin1String(", "));
}

// The folder setup's stored options, in the order the person chose to start from.
ShowSettings showSettings(const folder_show::StoredChoices& stored) {
    ShowSettings s = stored.settings;
    s.shuffle = false;
    return s;
}

void playPictures(Forms& forms, const command_line::Plan& plan, const QStringList& found,
                  const ShowSettings& settings) {
    const QStringList pictures = show_file::storablePaths(found);
    if (pictures.size() < found.size())
        forms.desktop().message(nullptr, folder_show::leftOutMessage(found.size() - pictures.size()));
    if (pictures.isEmpty()) {
        tell(namedIn(plan), QStringLiteral("no pictures"));
        endWith(forms, noPictures());
        return;
    }
    QString error;
    const auto path = folder_show::writeTempShow(settings, pictures, &error);
    if (!path) {
        tell(namedIn(plan), error);
        endWith(forms, {QStringLiteral("The show could not be started: ") + error, QStringLiteral("ERROR"),
                        desktop::Icon::Critical, desktop::Buttons::Ok});
        return;
    }
    forms.playShow(*path);
}

// Folders walked with their subfolders, as the subfolder search walks them: its window shows the
// walk and stops it.
void walk(Forms& forms, const command_line::Plan& plan, const ShowSettings& settings) {
    auto* search = qobject_cast<Search_Frm*>(forms.load(FormId::Search));
    if (!search)
        return;
    for (const command_line::Item& item : plan.items)
        search->starts.append({item.path, item.folder});
    search->showSettings = [settings]() -> std::optional<ShowSettings> { return settings; };
    const QString named = namedIn(plan);
    search->nothingToShow = [&forms, named] {
        tell(named, QStringLiteral("no pictures"));
        forms.desktop().endNow(1);
    };
    forms.show(FormId::Search);
}

} // namespace

void start(Forms& forms, const command_line::Plan& plan) {
    switch (plan.kind) {
    case command_line::Kind::Menu:
        forms.show(FormId::Menu);
        return;
    case command_line::Kind::Setup:
        forms.show(FormId::Setup);
        return;
    case command_line::Kind::Maker:
        forms.show(FormId::Maker);
        return;
    case command_line::Kind::Refused:
        refuse(forms, plan.path, command_line::reasonOf(plan.refusal));
        return;
    case command_line::Kind::ShowFile:
        forms.setShowEndsProgram(true);
        forms.playShow(plan.path);
        return;
    case command_line::Kind::Pictures:
        break;
    }
    forms.setShowEndsProgram(true);
    // The person chose the pictures: each is seen whole, not cut to fill the screen.
    forms.playerState().whole = true;
    const folder_show::StoredChoices stored = folder_show::storedChoices();
    if (command_line_show::walks(plan, stored.subfolders))
        walk(forms, plan, showSettings(stored));
    else
        playPictures(forms, plan, command_line_show::pictures(plan), showSettings(stored));
}

} // namespace command_line_start
