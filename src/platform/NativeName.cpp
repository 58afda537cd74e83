#include "platform/NativeName.h"

#include <QStringDecoder>

#include <algorithm>

namespace native_name {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(char16_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}

// The length and code point of the valid UTF-8 sequence at `p`, or 0 when there is none.
int validSequence(const uchar* p, qsizetype left, char32_t& cp) {
    const uchar c = p[0];
    int len = 0;
    char32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < len)
        return 0;
    for (int k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

} // namespace

QString decode(QByteArrayView bytes) {
    // A name may begin with U+FEFF like any other character; a plain UTF-8 decode would drop it.
    if (bytes.isValidUtf8())
        return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)
            .decode(bytes);
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            out += QChar(char16_t(p[i++]));
            continue;
        }
        char32_t cp = 0;
        if (const int len = validSequence(p + i, n - i, cp)) {
            if (QChar::requiresSurrogates(cp)) {
                out += QChar(QChar::highSurrogate(cp));
                out += QChar(QChar::lowSurrogate(cp));
            } else {
                out += QChar(char16_t(cp));
            }
            i += len;
        } else {
            out += QChar(char16_t(EscapeBase + p[i++]));
        }
    }
    return out;
}

QByteArray encode(QStringView text) {
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return isEscape(c.unicode()); }))
        return text.toUtf8();
    QByteArray out;
    out.reserve(text.size() * 3);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (isEscape(u)) {
            out += char(u - EscapeBase);
        } else if (QChar::isSurrogate(u)) {
            appendUtf8(out, 0xFFFD); // a lone surrogate that no decode produced
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

QString forDisplay(const QString& text) {
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return isEscape(c.unicode()); }))
        return text;
    QString shown = text;
    for (QChar& c : shown) {
        if (isEscape(c.unicode()))
            c = QChar(QChar::ReplacementCharacter);
    }
    return shown;
}

std::optional<QByteArray> forSystem(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return std::nullopt;
    return encode(path);
}

} // namespace native_name
