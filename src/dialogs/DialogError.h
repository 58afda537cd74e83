#pragma once

#include <QString>

#include <stdexcept>

// How the dialog component reports a failure to the window that holds it: the same four pieces
// an error of the old component carried, so a caller can tell errors apart by number.
class DialogError : public std::runtime_error {
public:
    DialogError(qint32 number, const QString& description, const QString& helpFile, qint32 helpContext)
        : std::runtime_error(description.toStdString()), number_(number), description_(description),
          helpFile_(helpFile), helpContext_(helpContext) {}

    qint32 number() const { return number_; }
    QString description() const { return description_; }
    QString helpFile() const { return helpFile_; }
    qint32 helpContext() const { return helpContext_; }

private:
    qint32 number_;
    QString description_;
    QString helpFile_;
    qint32 helpContext_;
};
