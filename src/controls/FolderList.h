#pragma once

#include <QListWidget>

// The folder list of the folder windows, as a classic directory list: the current folder's
// ancestors from the root down, the current folder, then its subfolders (hidden ones left out,
// links to folders included), in name order. A click highlights an entry; a double-click or Enter
// opens it (Enter on the folder already open is left to the window's default button).
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent);

    QString path() const { return path_; }
    // Moves to `folder` (made absolute and clean). False, and nothing changes, when it cannot be
    // listed. pathChanged follows a change of path only.
    bool setPath(const QString& folder);
    // The full paths of the current folder's subfolders, in the list's order.
    QStringList subfolders() const;
    // The full path an entry stands for.
    QString entryPath(int row) const;

signals:
    void pathChanged(const QString& path);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(QListWidgetItem* item);

    QString path_;
    int firstSubfolder_ = 0;
};
