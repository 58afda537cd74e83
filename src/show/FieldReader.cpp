#include "show/FieldReader.h"

#include "platform/NativeName.h"

#include <algorithm>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool endsUnquoted(char c) {
    return c == ',' || isLineEnd(c);
}

} // namespace

FieldReader::FieldReader(QIODevice& device) : device_(&device) {}

// The delimiters are ASCII, so splitting the bytes and decoding each field gives the fields of the
// decoded text.
FieldReader::FieldReader(const QString& text) : device_(&text_) {
    text_.setData(native_name::encode(text));
    text_.open(QIODevice::ReadOnly);
}

bool FieldReader::fill() {
    if (pos_ < buffer_.size())
        return true;
    if (failure_ != Failure::None)
        return false;
    consumed_ += buffer_.size();
    pos_ = 0;
    buffer_.resize(ChunkBytes);
    const qint64 got = device_->read(buffer_.data(), ChunkBytes);
    if (got < 0)
        failure_ = Failure::Unreadable;
    buffer_.resize(std::max<qint64>(got, 0));
    return got > 0;
}

int FieldReader::peek() {
    return fill() ? uchar(buffer_.at(pos_)) : -1;
}

bool FieldReader::atEnd() {
    return !fill();
}

template <typename Stop> bool FieldReader::takeUntil(QByteArray* field, Stop stop) {
    qsizetype taken = 0;
    while (fill()) {
        const char* begin = buffer_.constData() + pos_;
        const char* end = buffer_.constData() + buffer_.size();
        const char* at = std::find_if(begin, end, stop);
        taken += at - begin;
        if (taken > MaxFieldBytes) {
            failure_ = Failure::Overlong;
            return false;
        }
        if (field)
            field->append(begin, at - begin);
        pos_ += at - begin;
        if (at != end)
            return true;
    }
    return failure_ == Failure::None;
}

std::optional<QString> FieldReader::next() {
    if (atEnd())
        return std::nullopt;
    // Some text editors begin a UTF-8 file with a byte order mark; it is no part of the first field.
    if (bytesRead() == 0 && buffer_.startsWith("\xEF\xBB\xBF"))
        pos_ += 3;
    if (atEnd())
        return std::nullopt;
    if (!takeUntil(nullptr, [](char c) { return c != ' '; }))
        return std::nullopt;

    QByteArray field;
    if (peek() == '"') {
        ++pos_;
        if (!takeUntil(&field, [](char c) { return c == '"'; }))
            return std::nullopt;
        if (peek() == '"')
            ++pos_;
        // Whatever stands between the closing quote and the delimiter is not part of the field.
        if (!takeUntil(nullptr, endsUnquoted))
            return std::nullopt;
    } else if (!takeUntil(&field, endsUnquoted)) {
        return std::nullopt;
    }
    consumeDelimiter();
    // Byte for byte: a picture whose name is not valid UTF-8 is still found on disk.
    return native_name::decode(field);
}

void FieldReader::consumeDelimiter() {
    const int c = peek();
    if (c < 0)
        return;
    ++pos_;
    if (c == '\r' && peek() == '\n')
        ++pos_;
}
