#include "platform/General.h"

#include "platform/RegularFile.h"

namespace general {

QString Strip_Quotes(const QString& text) {
    const qsizetype first = text.indexOf(u'"');
    const qsizetype second = text.indexOf(u'"', first + 1);
    if (first < 0 || second < 0)
        return text;
    return text.mid(first + 1, second - first - 1);
}

bool File_Exists(const QString& path) {
    return regular_file::stampOf(path).has_value();
}

QString Full_Path(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString commandLine(const QStringList& arguments) {
    return arguments.join(u' ');
}

} // namespace general
