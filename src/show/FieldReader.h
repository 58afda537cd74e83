#pragma once

#include <QString>

#include <optional>

// Reads a show file field by field, the way every show reader of the program does: a field is
// either a double-quoted text or the text up to the next comma or line end (CR LF, CR or LF).
class FieldReader {
public:
    explicit FieldReader(QString text) : text_(std::move(text)) {}

    // True when no characters remain.
    bool atEnd() const { return pos_ >= text_.size(); }
    // The next field, or nothing when the text is used up (reading past the end).
    std::optional<QString> next();

private:
    void consumeDelimiter();

    QString text_;
    qsizetype pos_ = 0;
};
