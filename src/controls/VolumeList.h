#pragma once

#include "platform/Desktop.h"
#include "show/BrowserState.h"

#include <QComboBox>

// The drive list of the folder windows: the mounted volumes, each shown by its root path. The list
// asks the desktop again each time it drops down. Whether a chosen volume can be used, and what to
// tell the user when it cannot, is for the window that holds the list: it hears volumeChosen. The
// folder last used on each volume is kept in `memory`, which outlives the list.
class VolumeList : public QComboBox {
    Q_OBJECT
public:
    VolumeList(desktop::Desktop& desktop, BrowserState& memory, QWidget* parent);

    // Asks the desktop for the volumes again; the shown volume stays shown when it is still there.
    void refresh();
    QList<desktop::Volume> volumes() const { return volumes_; }
    // The volume shown (an empty root when the desktop reported none).
    desktop::Volume current() const;
    // The list's text for the shown volume: its root path.
    QString text() const { return current().rootPath; }

    // Shows the volume whose root is `rootPath` and runs the change handling (volumeChosen), as a
    // user's choice does. False when no such volume is mounted.
    bool choose(const QString& rootPath);
    // Follows the folder list: shows the volume holding `folder` without a change, and remembers
    // `folder` as the one last used on that volume.
    void followFolder(const QString& folder);
    // The folder last used on the volume `rootPath` in this run, or the root itself.
    QString lastFolderOn(const QString& rootPath) const;
    // Drops the list down, after asking the desktop again.
    void showPopup() override;

signals:
    void volumeChosen(const desktop::Volume& volume);

private:
    void fill(const QString& keepRoot);
    void select(qsizetype index);

    desktop::Desktop& desktop_;
    QList<desktop::Volume> volumes_;
    BrowserState& memory_;
};
