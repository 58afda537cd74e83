#pragma once

#include <QListWidget>

// The file list of the folder windows: the files of one folder that match a ";"-separated pattern,
// letter case ignored, hidden files left out, in name order. The setup window keeps its list
// hidden and only counts it; the maker shows it and lets several entries be chosen.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent);

    QString pattern() const { return pattern_; }
    // Lists the folder again with the new pattern.
    void setPattern(const QString& pattern);
    QString path() const { return path_; }
    // Lists `folder`; a folder that cannot be listed gives an empty list.
    void setPath(const QString& folder);
    // The names in the list's order, byte for byte as on the disk (an entry shows a name that is not
    // UTF-8 with replacement characters).
    QStringList names() const { return names_; }
    // The name of the entry at `row`, or an empty text.
    QString name(int row) const { return names_.value(row); }

private:
    void fill();

    QString pattern_;
    QString path_;
    QStringList names_;
};
