// Times the folder windows: the subfolder walk against find(1) on the same tree, opening the setup
// window on a folder of 10,000 pictures, and the palette's gradient under the pointer with Shift.
//
//   bench_folder WORKDIR            (run with QT_QPA_PLATFORM=offscreen or under a display)
//   bench_folder WORKDIR --big      the walk of 1,000,000 pictures in 100,000 folders (made in
//                                   WORKDIR/big, empty files; delete it afterwards), and how long a
//                                   stopped walk takes to bring the setup window back
//   bench_folder WORKDIR --disk     the walk of the whole disk (/) against find
//   bench_folder WORKDIR --wide     one folder of 1,000,000 pictures (made in WORKDIR/wide, empty
//                                   files; delete it afterwards): from the stop to the walk's end,
//                                   stopped at tenths of its whole time (listing, sorting, collecting)
//
// WORKDIR receives the trees; settings go to WORKDIR/config, never to the user's own.

#include "SearchDriver.h"
#include "SetupDriver.h"
#include "app/FormRegistry.h"
#include "controls/HiddenTextField.h"
#include "controls/PalettePicker.h"
#include "folder/FolderWalk.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "platform/FormTimer.h"
#include "platform/FreeAside.h"
#include "platform/QtDesktop.h"
#include "show/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <QCheckBox>
#include <QPushButton>

#include "controls/FolderList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void touch(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
}

// 2,000 folders, three levels deep, ten pictures in each: 20,000 pictures.
QString makeTree(const QString& root) {
    const QString tree = root + "/tree";
    if (QFileInfo::exists(tree + "/done"))
        return tree;
    QDir(tree).removeRecursively();
    int folders = 0;
    for (int a = 0; a < 20 && folders < 2000; ++a) {
        for (int b = 0; b < 10 && folders < 2000; ++b) {
            for (int c = 0; c < 10 && folders < 2000; ++c) {
                const QString dir = QStringLiteral("%1/a%2/b%3/c%4").arg(tree).arg(a).arg(b).arg(c);
                QDir().mkpath(dir);
                ++folders;
                for (int p = 0; p < 10; ++p)
                    touch(QStringLiteral("%1/IMG_%2.JPG").arg(dir).arg(p));
                touch(dir + "/notes.txt");
            }
        }
    }
    touch(tree + "/done");
    return tree;
}

// 100,000 folders (100 x 1,000) holding ten pictures each: 1,000,000 empty files.
QString makeBigTree(const QString& root) {
    const QString tree = root + "/big";
    if (QFileInfo::exists(tree + "/done"))
        return tree;
    QDir(tree).removeRecursively();
    const QByteArray base = QFile::encodeName(tree);
    ::mkdir(base.constData(), 0755);
    char path[4096];
    for (int a = 0; a < 100; ++a) {
        std::snprintf(path, sizeof path, "%s/a%02d", base.constData(), a);
        ::mkdir(path, 0755);
        for (int b = 0; b < 1000; ++b) {
            std::snprintf(path, sizeof path, "%s/a%02d/b%03d", base.constData(), a, b);
            ::mkdir(path, 0755);
            for (int p = 0; p < 10; ++p) {
                std::snprintf(path, sizeof path, "%s/a%02d/b%03d/IMG_%d.JPG", base.constData(), a, b, p);
                const int fd = ::open(path, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                if (fd < 0)
                    qFatal("cannot write %s", path);
                ::close(fd);
            }
        }
    }
    touch(tree + "/done");
    return tree;
}

QString makeFlat(const QString& root) {
    const QString flat = root + "/flat";
    if (QFileInfo::exists(flat + "/.done"))
        return flat;
    QDir(flat).removeRecursively();
    QDir().mkpath(flat);
    for (int i = 0; i < 10000; ++i)
        touch(QStringLiteral("%1/photo%2.jpg").arg(flat).arg(i));
    touch(flat + "/.done");
    return flat;
}

// The CPU time this thread has used, which a busy machine's other work does not add to: the
// scheduler's own count in nanoseconds (getrusage counts in clock ticks on some kernels).
double threadCpuUs() {
    std::FILE* f = std::fopen("/proc/thread-self/schedstat", "r");
    unsigned long long ns = 0;
    if (f) {
        if (std::fscanf(f, "%llu", &ns) != 1)
            ns = 0;
        std::fclose(f);
    }
    return double(ns) / 1e3;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Answers every box at once: the search's "No Files in Directory!" ends each timed walk here.
class QuietDesktop final : public desktop::Desktop {
public:
    desktop::Answer message(QWidget*, const desktop::MessageBox&) override { return desktop::Answer::Ok; }
    desktop::FileReply chooseFile(QWidget*, const desktop::FileRequest&) override { return {}; }
    void beep() override {}
    void openUrl(const QString&) override {}
    QList<desktop::Volume> volumes() override { return {{"/", true}}; }
    void endNow(int) override {}
};

// Runs the search window's walk of `tree` to its end, as the setup window starts it.
double searchWindowWalk(const QString& tree, qsizetype* folders) {
    QuietDesktop desktop;
    Forms forms(desktop);
    forms.registerForm(FormId::Search, [](Forms& f) { return new Search_Frm(f); });
    forms.onLastWindowGone = nullptr;
    auto* search = qobject_cast<Search_Frm*>(forms.show(FormId::Search));
    // The bench starts the walk itself, once the folder is set: the window's own start timer could
    // otherwise fire while it waits to be exposed and walk no folder at all.
    if (search)
        SearchDriver(search).startClock()->setEnabled(false);
    if (!search || !QTest::qWaitForWindowExposed(search))
        qFatal("the search window did not show");
    search->setStartFolder(tree);
    search->showSettings = [] { return std::optional<ShowSettings>(); }; // ends without a show
    *folders = 0;
    QObject::connect(search, &Search_Frm::folderShown, [folders] { ++*folders; });
    QElapsedTimer t;
    t.start();
    search->Trigger_Timer_Timer();
    while (forms.isLoaded(FormId::Search))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return t.nsecsElapsed() / 1e6;
}

void benchWalk(const QString& tree, const char* what, int runs, qsizetype minFolders) {
    const QStringList findArgs{tree,    "-type", "f",      "(",      "-iname", "*.bmp",  "-o",    "-iname",
                               "*.jpg", "-o",    "-iname", "*.jpeg", "-o",     "-iname", "*.gif", ")"};
    std::vector<double> walkMs, findMs, bareMs;
    qsizetype found = 0;
    qsizetype walked = 0;
    qsizetype folders = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        QProcess find;
        find.setStandardErrorFile(QProcess::nullDevice());
        find.start("find", findArgs);
        find.waitForFinished(-1);
        found = find.readAllStandardOutput().count('\n');
        findMs.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        walked = folder_walk::walk(tree, folder_walk::diskLister()).size();
        bareMs.push_back(t.nsecsElapsed() / 1e6);

        // The search window itself, on screen, with its label and bar drawn during the walk.
        walkMs.push_back(searchWindowWalk(tree, &folders));
        if (folders < minFolders)
            qFatal("find saw %lld pictures, the walk %lld folders", qlonglong(found), qlonglong(folders));
    }
    const auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    std::printf(
        "walk of %s: find %lld pictures, the walk %lld (label steps %lld); %d runs, warm cache, best / "
        "median: search window (walk, label and bar drawn) %.1f / %.1f ms, walk alone %.1f / %.1f ms, "
        "find %.1f / %.1f ms: %.2f / %.2f x find\n",
        what, qlonglong(found), qlonglong(walked), qlonglong(folders), runs, best(walkMs), median(walkMs),
        best(bareMs), median(bareMs), best(findMs), median(findMs), best(walkMs) / best(findMs),
        median(walkMs) / median(findMs));
    std::fflush(stdout);
}

// From Escape in the search window, some time into a long walk, to the setup window back on screen.
void benchStop(const QString& tree) {
    std::vector<double> shownMs, goneMs;
    for (int run = 0; run < 5; ++run) {
        QuietDesktop desktop;
        Forms forms(desktop);
        registerForms(forms);
        forms.onLastWindowGone = nullptr;
        auto* setup = qobject_cast<Setup_Frm*>(forms.show(FormId::Setup));
        if (!setup || !QTest::qWaitForWindowExposed(setup))
            qFatal("the setup window did not show");
        SetupDriver driver(setup);
        if (!driver.subfolders())
            driver.toggleSubfolders();
        if (!driver.chooseFolder(tree))
            qFatal("cannot open %s", qPrintable(tree));
        driver.run();
        auto* search = qobject_cast<Search_Frm*>(forms.form(FormId::Search));
        if (!search)
            qFatal("no search window");
        QElapsedTimer walking;
        walking.start();
        while (walking.elapsed() < 400 + 150 * run)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!forms.isLoaded(FormId::Search))
            qFatal("the walk ended before it was stopped");
        // Taken while the window surely lives: the stop deletes it.
        QPointer<Search_Frm> gone(search);
        QElapsedTimer t;
        t.start();
        QTest::keyClick(search, Qt::Key_Escape);
        if (!QTest::qWaitForWindowExposed(setup))
            qFatal("the setup window did not come back");
        QCoreApplication::processEvents();
        shownMs.push_back(t.nsecsElapsed() / 1e6);
        while (gone)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        goneMs.push_back(t.nsecsElapsed() / 1e6);
        if (forms.isLoaded(FormId::Player))
            qFatal("a stopped walk started a show");
    }
    std::printf(
        "stop: Escape during the walk of the big tree to the setup window shown and painted: median "
        "%.2f ms, worst %.2f ms; to the search window and its walk gone: median %.2f ms, worst %.2f ms "
        "(5 stops)\n",
        median(shownMs), *std::max_element(shownMs.begin(), shownMs.end()), median(goneMs),
        *std::max_element(goneMs.begin(), goneMs.end()));
}

QString makeWide(const QString& root) {
    const QString wide = root + "/wide";
    if (QFileInfo::exists(wide + "/.done"))
        return wide;
    QDir(wide).removeRecursively();
    QDir().mkpath(wide);
    const QByteArray base = QFile::encodeName(wide);
    for (int i = 0; i < 1000000; ++i) {
        const int fd = ::open(base + "/p" + QByteArray::number(999983LL * i % 1000000) + ".jpg",
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            qFatal("cannot write in %s", base.constData());
        ::close(fd);
    }
    touch(wide + "/.done");
    return wide;
}

// From setting the stop to the walk's return, and to the end of its thread (which, as the search's
// walk thread does, leaves what it gathered to be freed aside), with one folder of a million pictures.
void benchWideStop(const QString& wide) {
    QElapsedTimer whole;
    whole.start();
    const qsizetype found = folder_walk::walk(wide, folder_walk::diskLister()).size();
    const double wholeMs = whole.nsecsElapsed() / 1e6;
    std::vector<double> ms;
    for (int tenth = 1; tenth <= 9; ++tenth) {
        std::atomic<bool> stop{false};
        QElapsedTimer sinceStop;
        double returnedMs = 0;
        qsizetype kept = 0;
        std::thread walk([&] {
            QStringList found = folder_walk::walk(
                wide, folder_walk::diskLister(picture_formats::pattern(), &stop), {}, &stop);
            returnedMs = sinceStop.nsecsElapsed() / 1e6;
            kept = found.size();
            // As the search's walk thread lets what a stopped walk found go.
            freeAside(std::move(found));
        });
        QThread::usleep((unsigned long)(wholeMs * 1000 * tenth / 10));
        sinceStop.start();
        stop = true;
        walk.join();
        ms.push_back(sinceStop.nsecsElapsed() / 1e6);
        std::printf("  stopped at %d/10 of the walk: returned %.2f ms later with %lld pictures, its thread "
                    "ended %.2f ms later\n",
                    tenth, returnedMs, qlonglong(kept), ms.back());
    }
    std::printf(
        "wide: one folder of %lld pictures, walked in %.0f ms; stop to the walk's end: median %.2f ms, "
        "worst %.2f ms (9 stops)\n",
        qlonglong(found), wholeMs, median(ms), *std::max_element(ms.begin(), ms.end()));
}

void benchSetup(const QString& flat) {
    desktop::QtDesktop desktop;
    std::vector<double> ms;
    for (int run = 0; run < 7; ++run) {
        settings::SaveSetting(settings::MenuApp, settings::Section, "Path", flat);
        settings::SaveSetting(settings::MenuApp, settings::Section, "Drive", "/");
        Forms forms(desktop);
        registerForms(forms);
        QElapsedTimer t;
        t.start();
        auto* setup = qobject_cast<Setup_Frm*>(forms.show(FormId::Setup));
        if (!setup || !QTest::qWaitForWindowExposed(setup))
            qFatal("the setup window did not show");
        QCoreApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (SetupDriver(setup).count() != "Number of Files: 10000")
            qFatal("the count reads %s", qPrintable(SetupDriver(setup).count()));
        forms.onLastWindowGone = nullptr;
    }
    std::printf(
        "setup: from the folder button's call to the window on screen with \"Number of Files: 10000\": "
        "median %.1f ms, worst %.1f ms (7 openings)\n",
        median(ms), *std::max_element(ms.begin(), ms.end()));
}

void benchPalette() {
    QWidget window;
    PalettePicker picker(&window, true);
    picker.Pal->setGeometry(21, 18, 103, 54);
    picker.lbColor->setGeometry(21, 72, 82, 19);
    picker.Save_Colour->setGeometry(105, 72, 19, 19);
    window.resize(200, 120);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    std::vector<double> us;
    double cpuTotal = 0;
    for (int i = 0; i < 2000; ++i) {
        const QPointF at(2 + 2 + (i % 95), 2 + 3 + (i / 95) % 44);
        QMouseEvent move(QEvent::MouseMove, at, picker.Pal->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::ShiftModifier);
        QElapsedTimer t;
        const double cpu0 = threadCpuUs();
        t.start();
        QCoreApplication::sendEvent(picker.Pal, &move);
        us.push_back(t.nsecsElapsed() / 1e3);
        cpuTotal += threadCpuUs() - cpu0;
        // Between two moves of a real pointer the event loop runs; it is not part of the redraw.
        QCoreApplication::processEvents();
    }
    std::sort(us.begin(), us.end());
    std::printf(
        "palette: a Shift move (gradient, scale and the swatch repainted): median %.0f us, 99th "
        "percentile %.0f us, worst %.0f us; its own CPU time %.0f us a move on average (2000 moves)\n",
        us[us.size() / 2], us[us.size() * 99 / 100], us.back(), cpuTotal / double(us.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WORKDIR\n", argv[0]);
        return 2;
    }
    const QString work = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(work + "/config");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + "/config"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList options = QCoreApplication::arguments().mid(2);
    if (options.contains("--big")) {
        const QString big = makeBigTree(work);
        benchWalk(big, "1,000,000 pictures in 100,000 folders", 2, 100000);
        benchStop(big);
    }
    if (options.contains("--wide"))
        benchWideStop(makeWide(work));
    if (options.contains("--disk"))
        benchWalk("/", "the whole disk (/)", 2, 1000);
    if (!options.isEmpty())
        return 0;
    benchWalk(makeTree(work), "20,000 pictures in 2,000 folders", 7, 2000);
    benchSetup(makeFlat(work));
    benchPalette();
    return 0;
}
