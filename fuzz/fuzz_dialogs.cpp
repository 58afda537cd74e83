// The dialog component's filter conversion and the taking apart of a multiple selection, on any
// text. A split selection counts exactly the names it hands back.
#include "FuzzInput.h"
#include "dialogs/FilterConversion.h"
#include "dialogs/NulList.h"

#include <QCoreApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz_input::text(data, size);

    const QString list = dialogs::ConvertFilter(text);
    if (list.count(QChar(u'\0')) != text.count(QChar(u'\0')) + text.count(u'|') + 2)
        std::abort();
    const QStringList filters = dialogs::qtNameFilters(text);
    if (filters.size() > text.count(u'|') / 2 + 1)
        std::abort();

    QString fileName = text;
    QString strDir;
    QStringList strFiles;
    qint32 lngFileCount = 0;
    dialogs::splitSelection(fileName, strDir, strFiles, lngFileCount);
    if (lngFileCount != strFiles.size() || lngFileCount < 1 || fileName.size() > text.size())
        std::abort();
    if (dialogs::TrimAtNull(text).contains(QChar(u'\0')))
        std::abort();
    return 0;
}
