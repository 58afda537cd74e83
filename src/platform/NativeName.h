#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// File names and show-file text as bytes. Linux file names are bytes, not text: a name written on
// another system (a Latin-1 "caf\xe9.jpg") is not valid UTF-8 and would not survive a plain decode.
// Here every byte that is not part of valid UTF-8 becomes a lone surrogate U+DC80..U+DCFF, which no
// valid text contains, so that encode(decode(b)) == b for any bytes b.
namespace native_name {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);

// The text to show for a decoded name: each kept byte drawn as the replacement character U+FFFD.
// Only for the eye; the name itself keeps its bytes.
QString forDisplay(const QString& text);

// The bytes that name `path` to the system, or nothing when the path is empty or holds a NUL:
// the system would read only the part before the NUL, which is another file.
std::optional<QByteArray> forSystem(const QString& path);

} // namespace native_name
