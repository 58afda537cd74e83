#include "show/ShowFile.h"

#include "platform/NativeName.h"
#include "platform/RegularFile.h"
#include "platform/TemporaryShows.h"
#include "show/FieldReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace show_file {

namespace {

// A slot holds "Key=value" when the text before its first "=" is exactly the key.
std::optional<QString> valueOf(const QString& field, QLatin1StringView key) {
    const qsizetype eq = field.indexOf(u'=');
    if (eq < 0 || QStringView(field).left(eq) != key)
        return std::nullopt;
    return field.mid(eq + 1);
}

std::optional<bool> flag(const QString& field, QLatin1StringView on, QLatin1StringView off) {
    if (field == on)
        return true;
    if (field == off)
        return false;
    return std::nullopt;
}

} // namespace

std::optional<double> parseNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint32> parseInt32(const QString& text) {
    const auto value = parseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value); // the default rounding mode takes halves to even
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return std::nullopt;
    return qint32(rounded);
}

std::optional<int> delayToMilliseconds(double seconds) {
    const double ms = std::nearbyint(seconds * 1000.0);
    if (!(ms >= 0.0 && ms <= 65535.0))
        return std::nullopt;
    return int(ms);
}

namespace {

ReadError failureOf(const FieldReader& reader) {
    switch (reader.failed()) {
    case FieldReader::Failure::None:
        return ReadError::TooFewFields;
    case FieldReader::Failure::Overlong:
        return ReadError::TooLarge;
    case FieldReader::Failure::Unreadable:
        break;
    }
    return ReadError::CannotOpen;
}

// A limit below 0 reads every entry.
ReadResult parseFields(FieldReader& reader, qsizetype pictureLimit = -1) {
    ReadResult result;
    ShowFileContent& c = result.content;
    for (int slot = 1; slot <= 9; ++slot) {
        const auto field = reader.next();
        if (!field) {
            result.error = failureOf(reader);
            return result;
        }
        bool recognised = false;
        auto set = [&recognised](auto& target, auto value) {
            if (value) {
                target = *value;
                recognised = true;
            }
        };
        switch (slot) {
        case 1:
            set(c.stretch, flag(*field, QLatin1StringView("Strech=True"), QLatin1StringView("Strech=False")));
            break;
        case 2:
            set(c.keepRatio, flag(*field, QLatin1StringView("Ratio=1"), QLatin1StringView("Ratio=0")));
            break;
        case 3:
            set(c.shuffle, flag(*field, QLatin1StringView("Shuff=1"), QLatin1StringView("Shuff=0")));
            break;
        case 4:
            if (const auto value = valueOf(*field, QLatin1StringView("Delay"))) {
                const auto seconds = parseNumber(*value);
                if (!seconds) {
                    result.error = ReadError::DelayNotANumber;
                    return result;
                }
                set(c.delaySeconds, seconds);
            }
            break;
        case 5:
            if (const auto value = valueOf(*field, QLatin1StringView("BackCol"))) {
                const auto colour = parseInt32(*value);
                if (!colour) {
                    result.error = ReadError::ColourNotANumber;
                    return result;
                }
                set(c.backColour, colour);
            }
            break;
        case 6:
            set(c.loop, flag(*field, QLatin1StringView("Loop=1"), QLatin1StringView("Loop=0")));
            break;
        case 7:
            set(c.pauseMessage, flag(*field, QLatin1StringView("Message=1"), QLatin1StringView("Message=0")));
            break;
        case 8:
            set(c.useMusic, flag(*field, QLatin1StringView("UseMusic=1"), QLatin1StringView("UseMusic=0")));
            break;
        case 9:
            set(c.musicPath, valueOf(*field, QLatin1StringView("Music")));
            break;
        }
        // A line that is not its slot's setting is a picture: a file that lacks a settings line
        // shifts the later ones into the picture list.
        if (!recognised)
            c.pictures << *field;
    }
    const qint64 settingsBytes = reader.bytesRead();
    while (!reader.atEnd() && (pictureLimit < 0 || c.pictures.size() < pictureLimit)) {
        auto field = reader.next();
        if (!field) {
            result.error = failureOf(reader);
            break;
        }
        if (c.pictures.size() >= MaxEntries || reader.bytesRead() - settingsBytes > MaxEntryTextBytes) {
            result.error = ReadError::TooLarge;
            break;
        }
        c.pictures << std::move(*field);
    }
    // On a failure the entries read before it stay: a reader that can use part of a show keeps them.
    return result;
}

ReadResult readFile(const QString& path, qsizetype pictureLimit) {
    const auto file = regular_file::open(path);
    if (!file) {
        ReadResult result;
        result.error = ReadError::CannotOpen;
        return result;
    }
    FieldReader reader(*file);
    return parseFields(reader, pictureLimit);
}

} // namespace

ReadResult parse(const QString& text) {
    FieldReader reader(text);
    return parseFields(reader);
}

ReadResult read(const QString& path) {
    return readFile(path, -1);
}

ReadResult readHead(const QString& path, qsizetype pictures) {
    ReadResult result = readFile(path, pictures);
    // Settings lines that were not recognised count as pictures and may already pass the limit.
    if (result.content.pictures.size() > pictures)
        result.content.pictures.resize(pictures);
    return result;
}

bool storable(const QString& path) {
    return !path.contains(u'"');
}

QStringList storablePaths(const QStringList& paths) {
    QStringList out;
    out.reserve(paths.size());
    std::copy_if(paths.begin(), paths.end(), std::back_inserter(out), storable);
    return out;
}

std::optional<QByteArray> compose(const ShowSettings& s, const QStringList& pictures) {
    if (!storable(s.musicPath) || !std::all_of(pictures.begin(), pictures.end(), storable))
        return std::nullopt;
    const auto bit = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    QStringList lines{
        QStringLiteral("Strech=") + (s.stretch ? QStringLiteral("True") : QStringLiteral("False")),
        QStringLiteral("Ratio=") + bit(s.keepRatio),
        QStringLiteral("Shuff=") + bit(s.shuffle),
        QStringLiteral("Delay=") + QString::number(s.delaySeconds),
        QStringLiteral("BackCol=") + QString::number(s.backColour),
        QStringLiteral("Loop=") + bit(s.loop),
        QStringLiteral("Message=") + bit(s.pauseMessage),
        QStringLiteral("UseMusic=") + bit(s.useMusic),
        QStringLiteral("Music=") + s.musicPath,
    };
    lines += pictures;
    QByteArray out;
    for (const QString& line : lines) {
        out += '"';
        out += native_name::encode(line);
        out += "\"\r\n";
    }
    return out;
}

bool write(const QString& path, const ShowSettings& settings, const QStringList& pictures, QString* error,
           Replace how) {
    const std::optional<QByteArray> composed = compose(settings, pictures);
    if (!composed) {
        if (error)
            *error = QStringLiteral("a show file cannot hold a path with a double quote (\") in it");
        return false;
    }
    const QByteArray& bytes = *composed;
    if (how == Replace::TempShow) {
        // Written and noted under the folder's lock, so that another copy ending meanwhile sees
        // either its own show there or this one with its stamp noted.
        const temporary_shows::FolderLock folder(path);
        if (!regular_file::replaceWithFresh(path, bytes, error))
            return false;
        temporary_shows::wrote(path);
        return true;
    }
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk, a file size limit) shows in write()'s count: a
    // buffered QSaveFile reports it nowhere and commits the cut file over the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace show_file
