#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

// Reads a show file field by field, the way every show reader of the program does: a field is
// either a double-quoted text or the text up to the next comma or line end (CR LF, CR or LF).
// The file is read in pieces as the fields are asked for, never whole, so a reader holds no more
// than the field it is on.
class FieldReader {
public:
    // No path is anywhere near this long: a longer field means the file is not a show.
    static constexpr qsizetype MaxFieldBytes = 64 * 1024;

    explicit FieldReader(QIODevice& device);
    // Show file text, already decoded.
    explicit FieldReader(const QString& text);
    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    // True when no characters remain.
    bool atEnd();
    // The next field, or nothing when the text is used up (reading past the end), the field is
    // longer than MaxFieldBytes or the file cannot be read (see failed()).
    std::optional<QString> next();
    // Bytes taken from the file so far.
    qint64 bytesRead() const { return consumed_ + pos_; }
    enum class Failure { None, Overlong, Unreadable };
    Failure failed() const { return failure_; }

private:
    // Makes at least one unread byte available; false at the end of the file.
    bool fill();
    int peek();
    // Takes the bytes up to (not including) the first one that `stop` accepts, or to the end,
    // appending them to `field` when given. False when they run past MaxFieldBytes or the file
    // cannot be read.
    template <typename Stop> bool takeUntil(QByteArray* field, Stop stop);
    void consumeDelimiter();

    QBuffer text_;
    QIODevice* device_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qint64 consumed_ = 0;
    Failure failure_ = Failure::None;
};
