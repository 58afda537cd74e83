#pragma once

#include "dialogs/DialogError.h"

#include <QStringList>
#include <QVariantMap>
#include <QWidget>

namespace desktop {
class Desktop;
}

// The program's own open/save dialog component. A window holds one (always named Dialog1), sets
// its properties, calls ShowOpen or ShowSave and reads FileName back. The widget itself shows
// nothing: it is there so that the dialog has an owner and its settings live with that window.
class OpenSaveDialog : public QWidget {
    Q_OBJECT

public:
    // The only option bit the component reads itself: several files may be chosen at once.
    static constexpr qint32 AllowMultiSelect = 0x200;
    // A save asks before it replaces an existing file; without it an existing file is replaced silently.
    static constexpr qint32 OverwritePrompt = 0x2;
    // Raised by a cancelled dialog when CancelError is set.
    static constexpr qint32 CancelErrorNumber = 32755;
    // 390 x 390 twips at 15 twips to the pixel, whatever size the host asks for.
    static constexpr int Extent = 26;

    explicit OpenSaveDialog(desktop::Desktop& desktop, QWidget* parent = nullptr);

    QString DialogTitle() const { return p_.dialogTitle; }
    void setDialogTitle(const QString& value) { p_.dialogTitle = value; }
    bool CancelError() const { return p_.cancelError; }
    void setCancelError(bool value) { p_.cancelError = value; }
    QString Filter() const { return p_.filter; }
    void setFilter(const QString& value) { p_.filter = value; }
    QString InitDir() const { return p_.initDir; }
    void setInitDir(const QString& value) { p_.initDir = value; }
    qint16 FilterIndex() const { return p_.filterIndex; }
    void setFilterIndex(qint16 value) { p_.filterIndex = value; }
    // Kept and stored only: neither dialog is given a default extension.
    QString DefaultExt() const { return p_.defaultExt; }
    void setDefaultExt(const QString& value) { p_.defaultExt = value; }
    QString FileName() const { return p_.fileName; }
    void setFileName(const QString& value) { p_.fileName = value; }
    QString FileTitle() const { return p_.fileTitle; }
    void setFileTitle(const QString& value) { p_.fileTitle = value; }
    // Kept and stored only: titles and paths are never cut to a buffer size here.
    qint16 MaxFileSize() const { return p_.maxFileSize; }
    void setMaxFileSize(qint16 value) { p_.maxFileSize = value; }
    qint32 Flags() const { return p_.flags; }
    void setFlags(qint32 value) { p_.flags = value; }

    // Not one of the stored properties: the extension a caller appends to a saved name that does not
    // end in it, so that the overwrite question asks about the file that will really be replaced.
    QString AppendedExtension() const { return appendedExtension_; }
    void setAppendedExtension(const QString& value) { appendedExtension_ = value; }

    // Not one of the stored properties either: what the dialog is for ("Open Show", "Save Show",
    // "Music"). With one, and no InitDir, the dialog starts in the folder of the last file chosen for
    // that purpose (kept in the settings store, so across runs), or where it would start without a
    // purpose when that folder is gone.
    QString Purpose() const { return purpose_; }
    void setPurpose(const QString& value) { purpose_ = value; }
    static constexpr auto OpenShow = "Open Show";
    static constexpr auto SaveShow = "Save Show";
    static constexpr auto Music = "Music";

    // Modal to the window holding the component. Throw DialogError on cancel when CancelError is set.
    void ShowOpen();
    void ShowSave();

    // Splits FileName after a dialog with AllowMultiSelect: strFiles(i) of the old interface is
    // strFiles[i - 1] here. See dialogs::splitSelection for the forms it takes apart.
    void ParseMultiFileName(QString& strDir, QStringList& strFiles, qint32& lngFileCount);

    void UserControl_InitProperties();
    // Keys are the property names; a missing key gives the property's default.
    void UserControl_ReadProperties(const QVariantMap& stored);
    // Only properties that differ from their defaults are written.
    QVariantMap UserControl_WriteProperties() const;

private:
    // The defaults are what a freshly placed component has.
    struct Properties {
        QString dialogTitle;
        bool cancelError = false;
        QString filter;
        QString initDir;
        qint16 filterIndex = 0;
        QString defaultExt;
        QString fileName;
        QString fileTitle;
        qint16 maxFileSize = 260;
        qint32 flags = 0;
    };

    void runDialog(bool save);
    // With OverwritePrompt, whether the user lets the chosen save name replace an existing file.
    bool mayReplace(const QString& chosen);

    desktop::Desktop& desktop_;
    Properties p_;
    QString appendedExtension_;
    QString purpose_;
};
