#include "dialogs/FilterConversion.h"

namespace dialogs {

QString ConvertFilter(const QString& filter) {
    QString list = filter;
    list.replace(QLatin1Char('|'), QChar(u'\0'));
    list.append(QChar(u'\0'));
    list.append(QChar(u'\0'));
    return list;
}

namespace {

QString qtPatterns(const QString& patternList) {
    QStringList patterns;
    for (const QString& piece : patternList.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = piece.trimmed();
        if (pattern.isEmpty())
            continue;
        patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    // Qt reads an empty pattern group as "every file"; say so plainly.
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");
    patterns.removeDuplicates();
    return patterns.join(QLatin1Char(' '));
}

} // namespace

QStringList qtNameFilters(const QString& filter) {
    QStringList entries;
    if (filter.isEmpty())
        return entries;
    const QStringList pieces = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString description = pieces.at(i).trimmed();
        // Qt takes the patterns from the last parenthesised group, so ours goes at the very end
        // even when the description already names its patterns for the reader.
        const QString group = QLatin1Char('(') + qtPatterns(pieces.at(i + 1)) + QLatin1Char(')');
        entries << (description.isEmpty() ? group : description + QLatin1Char(' ') + group);
    }
    return entries;
}

} // namespace dialogs
