#include "app/Artwork.h"
#include "app/CommandLine.h"
#include "app/CommandLineInfo.h"
#include "app/CommandLineStart.h"
#include "app/FormRegistry.h"
#include "forms/Forms.h"
#include "picture/PicturePreloader.h"
#include "platform/ConnectionLoss.h"
#include "platform/General.h"
#include "platform/NativeName.h"
#include "platform/QtDesktop.h"
#include "platform/SessionBus.h"
#include "platform/TerminationSignals.h"
#include "player/EarlyStart.h"
#include "player/Main_Frm.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>

#include <malloc.h>

namespace {

// Byte for byte, as the names are on disk: a show named in another encoding than UTF-8 is still found.
QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << native_name::decode(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char* argv[]) {
    // Pictures come and go in buffers of several megabytes on several threads. Left to itself, glibc
    // raises its mmap threshold after the first such buffer is freed and then keeps freed pictures
    // in its heaps; a fixed threshold hands each one back to the system as soon as it is freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Answered before any window system is needed, so that they work on a console too.
    if (const QString info = command_line_info::answer(general::commandLine(argumentsOf(argc, argv)));
        !info.isEmpty()) {
        std::fputs(info.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Without a session bus neither our screen-saver call nor Qt's accessibility bridge may start one.
    session_bus::neverAutolaunch();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("10. Lumora"));
    QApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LUMORA_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);

    desktop::QtDesktop desktop;
    // A logout or Ctrl-C ends the program from any window, box or dialog, asking nothing.
    termination_signals::endProgramOnSignals([&desktop] { desktop.releaseScreenSaverBeforeEnding(); });
    // Qt ends the program through exit() when its connection to the window system breaks (a logout):
    // that ends as Escape would.
    connection_loss::endAsEscapeWhenConnectionBreaks();
    termination_signals::ignoreFileSizeLimitSignal();
    // Qt has taken its own options out of argv by now.
    const command_line::Plan plan = command_line::decide(argumentsOf(argc, argv));
    Forms forms(desktop);
    registerForms(forms);
    // A show from the command line: its first picture decodes while the windows are made.
    auto prepared = plan.kind == command_line::Kind::ShowFile ? early_start::firstPicture(plan.path)
                    : plan.kind == command_line::Kind::Pictures && plan.fromFolderOf
                        ? early_start::wholePicture(plan.items.first().path)
                        : nullptr;
    if (prepared) {
        auto held = std::make_shared<std::unique_ptr<PicturePreloader>>(std::move(prepared));
        forms.registerForm(FormId::Player, [held](Forms& f) { return new Main_Frm(f, std::move(*held)); });
    }
    // A show from the command line is on screen before the icon, which only a window manager's
    // task list would show for the borderless player, is drawn.
    const auto setIcon = [] { QApplication::setWindowIcon(artwork::programIcon()); };
    if (plan.kind == command_line::Kind::ShowFile || plan.kind == command_line::Kind::Pictures)
        QTimer::singleShot(300, setIcon);
    else
        setIcon();
    command_line_start::start(forms, plan);
    return QApplication::exec();
}
