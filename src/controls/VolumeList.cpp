#include "controls/VolumeList.h"

#include "platform/Volumes.h"

#include <QSignalBlocker>

VolumeList::VolumeList(desktop::Desktop& desktop, BrowserState& memory, QWidget* parent)
    : QComboBox(parent), desktop_(desktop), memory_(memory) {
    // On Linux Qt names a combo box by its text (the volume shown); the control's own name goes
    // into the description as well.
    setAccessibleName(QStringLiteral("Drive"));
    setAccessibleDescription(QStringLiteral("Drive"));
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < volumes_.size())
            emit volumeChosen(volumes_[index]);
    });
}

void VolumeList::refresh() {
    fill(text());
}

void VolumeList::fill(const QString& keepRoot) {
    const QSignalBlocker quiet(this);
    volumes_ = desktop_.volumes();
    clear();
    for (const desktop::Volume& v : volumes_)
        addItem(v.rootPath);
    qsizetype keep = -1;
    for (qsizetype i = 0; i < volumes_.size(); ++i) {
        if (volumes_[i].rootPath == keepRoot)
            keep = i;
    }
    if (keep < 0 && !keepRoot.isEmpty()) {
        // A volume that went away stays shown until another is chosen, as a failed one does.
        volumes_.append({keepRoot, false});
        addItem(keepRoot);
        keep = volumes_.size() - 1;
    }
    setCurrentIndex(keep < 0 && !volumes_.isEmpty() ? 0 : int(keep));
}

void VolumeList::select(qsizetype index) {
    const QSignalBlocker quiet(this);
    setCurrentIndex(int(index));
}

desktop::Volume VolumeList::current() const {
    const int i = currentIndex();
    return i >= 0 && i < volumes_.size() ? volumes_[i] : desktop::Volume{QString(), false};
}

bool VolumeList::choose(const QString& rootPath) {
    if (volumes_.isEmpty())
        fill(QString());
    for (qsizetype i = 0; i < volumes_.size(); ++i) {
        if (volumes_[i].rootPath == rootPath) {
            select(i);
            emit volumeChosen(volumes_[i]);
            return true;
        }
    }
    return false;
}

void VolumeList::followFolder(const QString& folder) {
    if (volumes_.isEmpty())
        fill(QString());
    const qsizetype i = volumes::holding(volumes_, folder);
    if (i < 0)
        return;
    memory_.lastFolders[volumes_[i].rootPath] = folder;
    if (i != currentIndex())
        select(i);
}

QString VolumeList::lastFolderOn(const QString& rootPath) const {
    return memory_.lastFolders.value(rootPath, rootPath);
}

void VolumeList::showPopup() {
    refresh();
    QComboBox::showPopup();
}
