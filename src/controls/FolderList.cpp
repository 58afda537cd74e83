#include "controls/FolderList.h"

#include "controls/FocusMark.h"
#include "platform/FolderListing.h"
#include "platform/NativeName.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyle>

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int IndentPerLevel = 2; // blanks before an entry, for each level below the root
} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setAccessibleName(QStringLiteral("Folders"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    focus_mark::attach(*this);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
}

bool FolderList::setPath(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const auto listing = folder_listing::list(clean, folder_listing::Pattern(QString()));
    if (!listing)
        return false;
    QStringList names = listing->subfolders + listing->linkedFolders;
    folder_listing::sortNames(names);

    setUpdatesEnabled(false);
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString at = QStringLiteral("/");
    auto* rootItem = new QListWidgetItem(openIcon, at, this);
    rootItem->setData(PathRole, at);
    int level = 0;
    for (const QString& part : parts) {
        at = at == u"/" ? at + part : at + u'/' + part;
        ++level;
        auto* item = new QListWidgetItem(
            openIcon, QString(level * IndentPerLevel, u' ') + native_name::forDisplay(part), this);
        item->setData(PathRole, at);
    }
    const int currentRow = count() - 1;
    firstSubfolder_ = count();
    const QString indent(((level + 1) * IndentPerLevel), u' ');
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(closedIcon, indent + native_name::forDisplay(name), this);
        item->setData(PathRole, clean == u"/" ? clean + name : clean + u'/' + name);
    }
    setCurrentRow(currentRow);
    setUpdatesEnabled(true);

    const bool changed = clean != path_;
    path_ = clean;
    if (changed)
        emit pathChanged(path_);
    return true;
}

QStringList FolderList::subfolders() const {
    QStringList result;
    for (int row = firstSubfolder_; row < count(); ++row)
        result << entryPath(row);
    return result;
}

QString FolderList::entryPath(int row) const {
    const QListWidgetItem* it = item(row);
    return it ? it->data(PathRole).toString() : QString();
}

void FolderList::open(QListWidgetItem* item) {
    if (item)
        setPath(item->data(PathRole).toString());
}

namespace {
bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}
} // namespace

bool FolderList::event(QEvent* event) {
    // Enter opens a highlighted folder even in a window whose default button is an Enter shortcut:
    // the list claims the key before the shortcut sees it. On the folder already open, Enter stays
    // the window's.
    const QListWidgetItem* highlighted = currentItem();
    if (event->type() == QEvent::ShortcutOverride && isEnter(static_cast<QKeyEvent*>(event)) && highlighted &&
        highlighted->data(PathRole).toString() != path_) {
        event->accept();
        return true;
    }
    return QListWidget::event(event);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
