#include "app/Artwork.h"
#include "app/Forms.h"
#include "app/General.h"
#include "platform/QtDesktop.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("10. Lumora"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(artwork::programIcon());

    desktop::QtDesktop desktop;
    Forms forms(desktop, general::commandLine(QApplication::arguments().mid(1)));
    forms.start();
    return QApplication::exec();
}
