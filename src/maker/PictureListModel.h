#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

// One entry of the maker's picture list: the path as it will be written into the show, and an item
// value that nothing in the maker sets but that must travel with the entry through every move.
struct PictureEntry {
    QString path;
    qint32 itemData = 0;

    friend bool operator==(const PictureEntry&, const PictureEntry&) = default;
};

// The picture list's data, shown by a QListView (give the view uniform item sizes: the list may hold
// hundreds of thousands of entries). DisplayRole is the path, Qt::UserRole the item value.
class PictureListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    int count() const { return int(entries_.size()); }
    const PictureEntry& entry(int row) const { return entries_.at(row); }
    const QList<PictureEntry>& entries() const { return entries_; }
    QStringList paths() const;

    // Each append is one insertion for the views, however many entries it carries.
    void append(const QString& path, qint32 itemData = 0);
    void appendPaths(const QStringList& paths);
    void appendEntries(const QList<PictureEntry>& entries);
    // Inserts `paths` in front of the entry at `row` (the number of entries: behind the last).
    void insertPaths(int row, const QStringList& paths);
    void clear();
    // Moves the entry at `from` so that it ends at row `to`; false when either row is out of range.
    bool moveEntry(int from, int to);

private:
    QList<PictureEntry> entries_;
};
