// Times the maker window's heavy moments on the real window (offscreen or under Xvfb):
//
//   load 100000     Load_File of a 100,000-entry show, to the count shown and the list laid out
//   save 100000     Save_File of the same list (dialog and question answered at once)
//   add 10000       ADD with 10,000 selected files of one folder
//   drop 10000      10,000 files of one folder dropped from a file manager onto the picture list, from
//                   the drag's entry to the count shown: onto the empty list, and in front of the first
//                   entry of a 100,000-entry list
//   next photo      a click to the next 6000 x 4000 camera JPEG with previews on: how long the window
//                   takes to answer the next event, and how long until the preview shows
//
// Every figure is the median of --passes runs.
//
//   QT_QPA_PLATFORM=offscreen bench_maker [--passes N] [--photos FOLDER]

#include "MakerDriver.h"
#include "app/FormRegistry.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "forms/Forms.h"
#include "maker/Maker_Frm.h"
#include "maker/PictureListModel.h"
#include "maker/PreviewLoader.h"
#include "platform/Desktop.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <vector>

namespace {

// Answers every dialog from a queue and every question with No.
class BenchDesktop final : public desktop::Desktop {
public:
    desktop::Answer message(QWidget*, const desktop::MessageBox& box) override {
        // Only a failure is worth a line; the questions after each save are expected.
        if (box.icon == desktop::Icon::Critical || box.icon == desktop::Icon::Exclamation)
            std::fprintf(stderr, "unexpected message: %s\n", qPrintable(box.text));
        return box.buttons == desktop::Buttons::Ok ? desktop::Answer::Ok : desktop::Answer::No;
    }
    desktop::FileReply chooseFile(QWidget*, const desktop::FileRequest&) override {
        desktop::FileReply reply{true, {files.front()}, 0};
        files.pop_front();
        return reply;
    }
    void beep() override {}
    void openUrl(const QString&) override {}
    QList<desktop::Volume> volumes() override { return {{QStringLiteral("/"), true}}; }
    void endNow(int) override {}

    std::deque<QString> files;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// A photo-like picture: smooth shading with noise, so that it compresses as a camera's does.
void writePhoto(const QString& path, int seed) {
    QImage image(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(24));
            line[x] = qRgb((x / 24 + n + seed * 40) & 255, (y / 16 + n) & 255, ((x + y) / 40 + n) & 255);
        }
    }
    image.save(path, "JPEG", 90);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"passes", "Runs of each measurement.", "N", "5"});
    parser.addOption({"photos",
                      "Camera JPEGs to click through (make_pictures' camera set); made here "
                      "when not given.",
                      "FOLDER"});
    parser.addHelpOption();
    parser.process(app);
    const int passes = std::max(1, parser.value("passes").toInt());

    QTemporaryDir tmp;
    BenchDesktop desktop;
    Forms forms(desktop);
    registerForms(forms);
    forms.onLastWindowGone = [] {};
    // The driver gives the bench the window's parts; the timed calls are the window's own.
    MakerDriver maker(static_cast<Maker_Frm*>(forms.show(FormId::Maker)));
    QCoreApplication::processEvents();

    // A 100,000-entry show.
    QStringList paths;
    for (int i = 0; i < 100000; ++i)
        paths << QStringLiteral("/home/someone/Pictures/holiday %1/IMG_%2.JPG")
                     .arg(i / 500)
                     .arg(i, 6, 10, QChar('0'));
    maker.model().appendPaths(paths);
    const QString show = tmp.filePath("big.lmr");
    desktop.files.push_back(show);
    maker->Toolbar1_ButtonClick(QStringLiteral("Save"));

    std::vector<double> load, save, add, answer, shown;
    for (int pass = 0; pass < passes; ++pass) {
        maker.model().clear();
        desktop.files.push_back(show);
        QElapsedTimer t;
        t.start();
        maker->Load_File();
        QCoreApplication::processEvents(); // the count and the list drawn
        load.push_back(ms(t));
        if (maker.count() != QLatin1String("100000"))
            qFatal("load gave %s entries", qPrintable(maker.count()));

        desktop.files.push_back(tmp.filePath("copy.lmr"));
        t.start();
        maker->Toolbar1_ButtonClick(QStringLiteral("Save"));
        save.push_back(ms(t));
    }

    // 10,000 files in one folder, all selected.
    const QString folder = tmp.filePath("many");
    QDir().mkpath(folder);
    for (int i = 0; i < 10000; ++i) {
        QFile f(folder + QStringLiteral("/pic%1.jpg").arg(i, 5, 10, QChar('0')));
        f.open(QIODevice::WriteOnly);
    }
    maker.setThumbnails(false);
    maker.browse(folder);
    for (int pass = 0; pass < passes; ++pass) {
        maker.model().clear();
        maker.fileList()->selectAll();
        QElapsedTimer t;
        t.start();
        maker->Add_Btn_Click();
        QCoreApplication::processEvents();
        add.push_back(ms(t));
    }
    maker.model().clear();

    // The same 10,000 files dropped from a file manager: its uri-list, delivered to the window as the
    // window system delivers a drop.
    QByteArray uriList;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        uriList += QUrl::fromLocalFile(folder + u'/' + name).toEncoded() + "\r\n";
    QMimeData dropData;
    dropData.setData(QStringLiteral("text/uri-list"), uriList);
    const QPoint at = maker.pictureList()->viewport()->mapTo(maker.window(), QPoint(4, 4));
    const auto dropOnce = [&] {
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(at, offered, &dropData, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(maker->windowHandle(), &enter);
        QDragMoveEvent move(at, offered, &dropData, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(maker->windowHandle(), &move);
        QDropEvent drop(at, offered, &dropData, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(maker->windowHandle(), &drop);
        QCoreApplication::processEvents(); // the drop handled, the count and the list drawn
    };
    std::vector<double> dropEmpty, dropInFront;
    for (int pass = 0; pass < passes; ++pass) {
        maker.model().clear();
        QElapsedTimer t;
        t.start();
        dropOnce();
        dropEmpty.push_back(ms(t));
        if (maker.count() != QLatin1String("10000"))
            qFatal("the drop gave %s entries", qPrintable(maker.count()));

        maker.model().clear();
        maker.model().appendPaths(paths);
        maker.pictureList()->scrollToTop();
        QCoreApplication::processEvents();
        t.start();
        dropOnce();
        dropInFront.push_back(ms(t));
        if (maker.count() != QLatin1String("110000") || maker.model().entry(0).path == paths[0])
            qFatal("the drop in front gave %s entries", qPrintable(maker.count()));
    }
    maker.model().clear();

    // Camera photos, clicked through with previews on.
    QString photos = parser.value("photos");
    if (photos.isEmpty()) {
        photos = tmp.filePath("photos");
        QDir().mkpath(photos);
        for (int i = 0; i < 4; ++i)
            writePhoto(photos + QStringLiteral("/photo%1.jpg").arg(i), i);
    }
    const QStringList photoNames = QDir(photos).entryList({"*.jpg"}, QDir::Files, QDir::Name);
    const int photoCount = int(std::min<qsizetype>(photoNames.size(), 8));
    if (photoCount == 0)
        qFatal("no photos in %s", qPrintable(photos));
    // Decoding alone, in wall time and in this thread's processor time (which a busy machine does not
    // inflate).
    std::vector<double> decode, decodeCpu;
    for (int pass = 0; pass < passes * photoCount; ++pass) {
        QElapsedTimer t;
        const double cpu0 = threadCpuMs();
        t.start();
        PreviewLoader::decode(photos + u'/' + photoNames.at(pass % photoCount), QSize(135, 104));
        decode.push_back(ms(t));
        decodeCpu.push_back(threadCpuMs() - cpu0);
    }
    maker.browse(photos);
    maker.setThumbnails(true);
    for (int pass = 0; pass < passes * photoCount; ++pass) {
        QElapsedTimer t;
        double answered = -1;
        QTimer::singleShot(0, maker.window(), [&] { answered = ms(t); });
        t.start();
        maker.fileList()->setCurrentRow(
            int(maker.fileList()->names().indexOf(photoNames.at(pass % photoCount))));
        while (answered < 0 || maker->previewPending())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        answer.push_back(answered);
        shown.push_back(ms(t));
    }

    std::printf("maker benchmark, median of %d passes (ms)\n", passes);
    std::printf("  load 100000 entries to the count shown  %8.1f\n", median(load));
    std::printf("  save 100000 entries                     %8.1f\n", median(save));
    std::printf("  ADD of 10000 selected files             %8.1f\n", median(add));
    std::printf("  drop of 10000 files onto the empty list %8.1f\n", median(dropEmpty));
    std::printf("  drop of 10000 in front of 100000        %8.1f\n", median(dropInFront));
    std::printf("  next 6000x4000 JPEG: next event answered %7.1f\n", median(answer));
    std::printf("  next 6000x4000 JPEG: preview shown       %7.1f\n", median(shown));
    std::printf("  decoding one such photo alone (wall)     %7.1f\n", median(decode));
    std::printf("  decoding one such photo alone (cpu)      %7.1f   (%.1f MB a photo)\n", median(decodeCpu),
                double(QFileInfo(photos + u'/' + photoNames.first()).size()) / 1e6);
    forms.unload(FormId::Maker);
    return 0;
}
