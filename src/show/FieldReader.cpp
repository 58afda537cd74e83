#include "show/FieldReader.h"

namespace {
bool isLineEnd(QChar c) {
    return c == u'\r' || c == u'\n';
}
} // namespace

std::optional<QString> FieldReader::next() {
    if (atEnd())
        return std::nullopt;
    while (pos_ < text_.size() && text_.at(pos_) == u' ')
        ++pos_;

    QString field;
    if (pos_ < text_.size() && text_.at(pos_) == u'"') {
        const qsizetype start = pos_ + 1;
        qsizetype close = text_.indexOf(u'"', start);
        if (close < 0)
            close = text_.size();
        field = text_.mid(start, close - start);
        pos_ = close + 1;
        // Whatever stands between the closing quote and the delimiter is not part of the field.
        while (pos_ < text_.size() && text_.at(pos_) != u',' && !isLineEnd(text_.at(pos_)))
            ++pos_;
    } else {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_.at(pos_) != u',' && !isLineEnd(text_.at(pos_)))
            ++pos_;
        field = text_.mid(start, pos_ - start);
    }
    consumeDelimiter();
    return field;
}

void FieldReader::consumeDelimiter() {
    if (pos_ >= text_.size())
        return;
    const QChar c = text_.at(pos_++);
    if (c == u'\r' && pos_ < text_.size() && text_.at(pos_) == u'\n')
        ++pos_;
}
