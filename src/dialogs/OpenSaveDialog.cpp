#include "dialogs/OpenSaveDialog.h"

#include "dialogs/FilterConversion.h"
#include "dialogs/NulList.h"
#include "platform/Desktop.h"
#include "show/SettingsStore.h"

#include <QFileInfo>

namespace {

qint16 toInt16(const QVariant& value) {
    return static_cast<qint16>(qBound<int>(-32768, value.toInt(), 32767));
}

// The last folders used, one a purpose, in the program's own settings file.
const QString FoldersSection = QStringLiteral("Last Folders");

QString rememberedFolder(const QString& purpose) {
    if (purpose.isEmpty())
        return {};
    const QString folder = settings::GetSetting(settings::MenuApp, FoldersSection, purpose, QString());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void rememberFolder(const QString& purpose, const QString& chosenFile) {
    if (!purpose.isEmpty())
        settings::SaveSetting(settings::MenuApp, FoldersSection, purpose,
                              QFileInfo(chosenFile).absolutePath());
}

} // namespace

OpenSaveDialog::OpenSaveDialog(desktop::Desktop& desktop, QWidget* parent)
    : QWidget(parent), desktop_(desktop) {
    setFixedSize(Extent, Extent);
    // Some windows place the component over their lists; an empty square there would only hide them.
    setVisible(false);
}

void OpenSaveDialog::ShowOpen() {
    runDialog(false);
}

void OpenSaveDialog::ShowSave() {
    runDialog(true);
}

void OpenSaveDialog::runDialog(bool save) {
    desktop::FileRequest request;
    request.save = save;
    request.multiSelect = !save && (p_.flags & AllowMultiSelect) != 0;
    request.title = p_.dialogTitle;
    request.initialFolder = p_.initDir;
    if (request.initialFolder.isEmpty())
        request.initialFolder = rememberedFolder(purpose_);
    request.nameFilters = dialogs::qtNameFilters(p_.filter);
    // The first entry becomes the remembered one as soon as there is a filter, even if the user
    // then cancels.
    if (!p_.filter.isEmpty() && p_.filterIndex == 0)
        p_.filterIndex = 1;
    const int entries = static_cast<int>(request.nameFilters.size());
    // The index left by an earlier dialog may point past the end of a shorter filter.
    if (entries > 0)
        request.filterIndex = qBound(0, p_.filterIndex - 1, entries - 1);

    QWidget* owner = parentWidget() ? window() : nullptr;
    desktop::FileReply reply = desktop_.chooseFile(owner, request);
    // A name the user would not let replace its file leaves the dialog open for another name.
    while (save && reply.accepted && !reply.files.isEmpty() && !mayReplace(reply.files.first()))
        reply = desktop_.chooseFile(owner, request);
    if (!reply.accepted || reply.files.isEmpty()) {
        if (p_.cancelError)
            throw DialogError(CancelErrorNumber, QStringLiteral("Cancel was selected."),
                              QStringLiteral("cmdlg98.chm"), CancelErrorNumber);
        return;
    }

    rememberFolder(purpose_, reply.files.first());
    if (request.multiSelect) {
        p_.fileName = dialogs::joinSelection(reply.files);
    } else {
        p_.fileName = reply.files.first();
        p_.fileTitle = QFileInfo(p_.fileName).fileName();
    }
    // Flags stay as they were given: the Qt dialog reports no option bits of its own.
    if (entries > 0)
        p_.filterIndex = static_cast<qint16>(qBound(0, reply.filterIndex, entries - 1) + 1);
}

bool OpenSaveDialog::mayReplace(const QString& chosen) {
    if ((p_.flags & OverwritePrompt) == 0)
        return true;
    QString target = chosen;
    if (!appendedExtension_.isEmpty() && !target.endsWith(appendedExtension_, Qt::CaseInsensitive))
        target += appendedExtension_;
    if (!QFileInfo::exists(target))
        return true;
    const desktop::MessageBox question{QFileInfo(target).fileName() +
                                           QStringLiteral(" already exists.\nDo you want to replace it?"),
                                       p_.dialogTitle, desktop::Icon::Exclamation, desktop::Buttons::YesNo};
    return desktop_.message(parentWidget() ? window() : nullptr, question) == desktop::Answer::Yes;
}

void OpenSaveDialog::ParseMultiFileName(QString& strDir, QStringList& strFiles, qint32& lngFileCount) {
    dialogs::splitSelection(p_.fileName, strDir, strFiles, lngFileCount);
}

void OpenSaveDialog::UserControl_InitProperties() {
    p_ = Properties{};
}

void OpenSaveDialog::UserControl_ReadProperties(const QVariantMap& stored) {
    const Properties defaults;
    auto text = [&](const char* key, const QString& fallback) {
        return stored.value(QLatin1String(key), fallback).toString();
    };
    p_.dialogTitle = text("DialogTitle", defaults.dialogTitle);
    p_.cancelError = stored.value(QStringLiteral("CancelError"), defaults.cancelError).toBool();
    p_.filter = text("Filter", defaults.filter);
    p_.initDir = text("InitDir", defaults.initDir);
    p_.filterIndex = toInt16(stored.value(QStringLiteral("FilterIndex"), defaults.filterIndex));
    p_.defaultExt = text("DefaultExt", defaults.defaultExt);
    p_.fileName = text("FileName", defaults.fileName);
    p_.fileTitle = text("FileTitle", defaults.fileTitle);
    p_.maxFileSize = toInt16(stored.value(QStringLiteral("MaxFileSize"), defaults.maxFileSize));
    p_.flags = static_cast<qint32>(stored.value(QStringLiteral("Flags"), defaults.flags).toLongLong());
}

QVariantMap OpenSaveDialog::UserControl_WriteProperties() const {
    const Properties defaults;
    QVariantMap stored;
    auto put = [&](const char* key, const auto& value, const auto& fallback) {
        if (value != fallback)
            stored.insert(QLatin1String(key), QVariant::fromValue(value));
    };
    put("DialogTitle", p_.dialogTitle, defaults.dialogTitle);
    put("CancelError", p_.cancelError, defaults.cancelError);
    put("Filter", p_.filter, defaults.filter);
    put("InitDir", p_.initDir, defaults.initDir);
    put("FilterIndex", int(p_.filterIndex), int(defaults.filterIndex));
    put("DefaultExt", p_.defaultExt, defaults.defaultExt);
    put("FileName", p_.fileName, defaults.fileName);
    put("FileTitle", p_.fileTitle, defaults.fileTitle);
    put("MaxFileSize", int(p_.maxFileSize), int(defaults.maxFileSize));
    put("Flags", p_.flags, defaults.flags);
    return stored;
}
