#include "maker/PictureListModel.h"

#include "platform/NativeName.h"

int PictureListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant PictureListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PictureEntry& e = entries_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return native_name::forDisplay(e.path);
    case Qt::UserRole:
        return e.itemData;
    default:
        return {};
    }
}

bool PictureListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row > this->count() - count)
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    entries_.remove(row, count);
    endRemoveRows();
    return true;
}

QStringList PictureListModel::paths() const {
    QStringList result;
    result.reserve(entries_.size());
    for (const PictureEntry& e : entries_)
        result.append(e.path);
    return result;
}

void PictureListModel::append(const QString& path, qint32 itemData) {
    appendEntries({PictureEntry{path, itemData}});
}

void PictureListModel::appendPaths(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(paths.size()) - 1);
    entries_.reserve(entries_.size() + paths.size());
    for (const QString& path : paths)
        entries_.append(PictureEntry{path, 0});
    endInsertRows();
}

void PictureListModel::insertPaths(int row, const QStringList& paths) {
    if (paths.isEmpty())
        return;
    row = qBound(0, row, count());
    beginInsertRows(QModelIndex(), row, row + int(paths.size()) - 1);
    entries_.insert(row, paths.size(), PictureEntry{});
    for (qsizetype i = 0; i < paths.size(); ++i)
        entries_[row + i].path = paths.at(i);
    endInsertRows();
}

void PictureListModel::appendEntries(const QList<PictureEntry>& entries) {
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(entries.size()) - 1);
    entries_.append(entries);
    endInsertRows();
}

void PictureListModel::clear() {
    if (entries_.isEmpty())
        return;
    beginResetModel();
    entries_.clear();
    endResetModel();
}

bool PictureListModel::moveEntry(int from, int to) {
    if (from < 0 || to < 0 || from >= count() || to >= count())
        return false;
    if (from == to)
        return true;
    // Qt counts the destination before the move: one further down when the entry travels down.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    entries_.move(from, to);
    endMoveRows();
    return true;
}
