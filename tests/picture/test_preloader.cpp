#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "picture/PicturePreloader.h"
#include "platform/FormTimer.h"
#include "player/ImageBox.h"
#include "player/Main_Frm.h"
#include "player/ShowSequence.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

const ShowGeometry Screen{QSize(320, 240), true, true};

QString writePicture(const QTemporaryDir& dir, const QString& name, QColor colour,
                     QSize size = QSize(64, 48)) {
    return writeSolidPicture(dir.filePath(name), colour, size);
}

// A show of three pictures, a.bmp to c.bmp, told apart by their colour.
QStringList redGreenBlue(const QTemporaryDir& dir) {
    return {writePicture(dir, "a.bmp", Qt::red), writePicture(dir, "b.bmp", Qt::green),
            writePicture(dir, "c.bmp", Qt::blue)};
}

// Prepares `paths` and waits until the workers are done with them.
void prepare(PicturePreloader& preloader, const QStringList& paths, const ShowGeometry& geometry = Screen) {
    preloader.planAhead(paths, geometry);
    preloader.waitUntilIdle();
}

QColor centre(const LoadedPicture& p) {
    return p.image.pixelColor(p.image.width() / 2, p.image.height() / 2);
}

// Replaces a file the way an editor or a camera import would: a new file renamed over the old one.
void replace(const QString& path, QColor colour) {
    const QString temp = writeSolidPicture(path + ".new.bmp", colour);
    QVERIFY(::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0);
}

// The file system's clock moves in ticks of a few milliseconds: waits until a file changed now
// gets another time than `path` was given when it was last written.
void waitForTheClockToTick(const QTemporaryDir& dir, const QString& path) {
    const auto changed = [](const QString& p) {
        struct stat st {};
        ::stat(QFile::encodeName(p).constData(), &st);
        return std::pair(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    };
    const auto last = changed(path);
    const QString probe = writePicture(dir, "probe.bmp", Qt::black);
    QTRY_VERIFY(writePicture(dir, "probe.bmp", Qt::black) == probe && changed(probe) != last);
}

} // namespace

class PreloaderTest : public QObject {
    Q_OBJECT
private slots:
    void preparedPictureIsHandedOutOnce();
    void replacedFileShowsItsNewContent();
    void deletedFileIsAFailedLoadAtItsStep();
    void failedPreloadIsNoFailureOnceTheFileArrives();
    void stepWaitsForTheDecodeUnderWay();
    void workStaysWithinTheBudgetAndThePlan();
    void sequencePlansInPlayOrder();
    void removedEntriesLeaveTheCache();
    void showWithoutLoopEndsOnTheFirstPictureItKept();
    void playerStepsThroughChangingFiles();
};

void PreloaderTest::preparedPictureIsHandedOutOnce() {
    QTemporaryDir dir;
    const QString a = writePicture(dir, "a.bmp", Qt::red);
    PicturePreloader preloader;
    prepare(preloader, {a});
    QVERIFY(preloader.isPrepared(a));
    const LoadedPicture p = preloader.load(a, Screen);
    QVERIFY(p.ok);
    QCOMPARE(p.size, QSize(64, 48));
    QCOMPARE(p.image.size(), QSize(64, 48)); // shown larger: the paint enlarges it
    QCOMPARE(centre(p), QColor(Qt::red));
    QVERIFY(!preloader.isPrepared(a));
    QCOMPARE(preloader.decodesStarted(), 1);
}

void PreloaderTest::replacedFileShowsItsNewContent() {
    QTemporaryDir dir;
    const QString a = writePicture(dir, "a.bmp", Qt::red);
    PicturePreloader preloader;
    prepare(preloader, {a});
    QVERIFY(preloader.isPrepared(a));
    replace(a, Qt::blue);
    QCOMPARE(centre(preloader.load(a, Screen)), QColor(Qt::blue));

    // Rewritten in place with the same size: the modification time tells.
    prepare(preloader, {a});
    waitForTheClockToTick(dir, a);
    QImage green(QSize(64, 48), QImage::Format_RGB32);
    green.fill(Qt::green);
    QVERIFY(green.save(a));
    QCOMPARE(centre(preloader.load(a, Screen)), QColor(Qt::green));

    // Rewritten in place and given its old modification time back: the change time tells.
    prepare(preloader, {a});
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(a).constData(), &before), 0);
    waitForTheClockToTick(dir, a);
    QImage yellow(QSize(64, 48), QImage::Format_RGB32);
    yellow.fill(Qt::yellow);
    QVERIFY(yellow.save(a));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(a).constData(), times, 0), 0);
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(a).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_size, before.st_size);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    QCOMPARE(centre(preloader.load(a, Screen)), QColor(Qt::yellow));
}

void PreloaderTest::deletedFileIsAFailedLoadAtItsStep() {
    QTemporaryDir dir;
    const QString a = writePicture(dir, "a.bmp", Qt::red);
    PicturePreloader preloader;
    prepare(preloader, {a});
    QVERIFY(QFile::remove(a));
    QVERIFY(!preloader.load(a, Screen).ok);
}

void PreloaderTest::failedPreloadIsNoFailureOnceTheFileArrives() {
    QTemporaryDir dir;
    const QString late = dir.filePath("late.bmp");
    PicturePreloader preloader;
    prepare(preloader, {late});
    writePicture(dir, "late.bmp", Qt::yellow);
    const LoadedPicture p = preloader.load(late, Screen);
    QVERIFY(p.ok);
    QCOMPARE(centre(p), QColor(Qt::yellow));
}

void PreloaderTest::stepWaitsForTheDecodeUnderWay() {
    QTemporaryDir dir;
    // Large enough to still be decoding when the step asks for it.
    QImage big(QSize(4000, 3000), QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    const QString path = dir.filePath("big.png");
    QVERIFY(big.save(path, "PNG", 0));
    PicturePreloader preloader;
    preloader.planAhead({path}, Screen);
    QTRY_COMPARE(preloader.decodesStarted(), 1);
    const LoadedPicture p = preloader.load(path, Screen);
    QVERIFY(p.ok);
    QCOMPARE(p.size, QSize(4000, 3000));
    QCOMPARE(preloader.decodesStarted(), 1);
}

void PreloaderTest::workStaysWithinTheBudgetAndThePlan() {
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << writePicture(dir, QString("p%1.bmp").arg(i), Qt::cyan, QSize(320, 240));
    // Room for two pictures of the screen's size (320 x 240 x 4 bytes each, a little more as estimated).
    PicturePreloader preloader(2 * 320 * 240 * 4 * 4 / 3);
    prepare(preloader, paths);
    QCOMPARE(preloader.decodesStarted(), 2);
    QVERIFY(preloader.isPrepared(paths[0]) && preloader.isPrepared(paths[1]));
    QVERIFY(!preloader.isPrepared(paths[2]));
    // Taking one out makes room for the next in the plan.
    QVERIFY(preloader.load(paths[0], Screen).ok);
    preloader.waitUntilIdle();
    QVERIFY(preloader.isPrepared(paths[2]));
    // Stepping past entries drops them.
    preloader.planAhead({paths[4], paths[5]}, Screen);
    QVERIFY(!preloader.isPrepared(paths[1]));
    preloader.waitUntilIdle();
    QVERIFY(preloader.isPrepared(paths[4]) && preloader.isPrepared(paths[5]));
    // Another way of showing invalidates what was prepared.
    const ShowGeometry ownSize{QSize(160, 120), false, false};
    prepare(preloader, {paths[4]}, ownSize);
    QCOMPARE(preloader.load(paths[4], ownSize).image.size(), QSize(160, 120)); // the part on screen
}

void PreloaderTest::sequencePlansInPlayOrder() {
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << writePicture(dir, QString("p%1.bmp").arg(i), Qt::magenta);
    PlayerState state;
    state.loop = true;
    state.stretch = state.keepRatio = true;
    PicturePreloader preloader(1); // one picture at a time: the plan is what is checked here
    ShowSequence seq(state, preloader);
    seq.setScreen(QSize(320, 240));
    seq.entries() = paths;
    seq.shuffle();
    const QStringList order = seq.entries();
    QVERIFY(order != paths);
    QCOMPARE(seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(preloader.wanted(), order.mid(1, 8));
    QCOMPARE(seq.Next_Pic().kind, StepOutcome::Shown);
    QCOMPARE(preloader.wanted(), order.mid(2, 8));
    // Left after Right: the plan turns round, from the entry before the current one backwards.
    QCOMPARE(seq.Prev_Pic().kind, StepOutcome::Shown);
    QCOMPARE(state.currentIndex, 1 - 1);
    QStringList backwards;
    for (int i = 0; i < 8; ++i)
        backwards << order.at((12 - 1 - i) % 12);
    QCOMPARE(preloader.wanted(), backwards);
}

void PreloaderTest::removedEntriesLeaveTheCache() {
    QTemporaryDir dir;
    const QStringList paths = redGreenBlue(dir);
    PlayerState state;
    state.loop = true;
    PicturePreloader preloader;
    ShowSequence seq(state, preloader);
    seq.setScreen(QSize(320, 240));
    seq.entries() = paths;
    seq.Show_Pics();
    preloader.waitUntilIdle();
    QVERIFY(preloader.isPrepared(paths[1]));
    seq.Show_Pics();
    preloader.waitUntilIdle();
    QVERIFY(preloader.isPrepared(paths[2]));
    QCOMPARE(seq.removeCurrent(), paths[1]);
    QVERIFY(!preloader.isWanted(paths[1]));
    QVERIFY(!preloader.isPrepared(paths[1]));
}

void PreloaderTest::showWithoutLoopEndsOnTheFirstPictureItKept() {
    QTemporaryDir dir;
    const QStringList paths = redGreenBlue(dir);
    // The last step shows the first picture again: as kept from the show's start, unless its file
    // changed meanwhile, or it left the show.
    enum class Meanwhile { Nothing, Replaced, Removed };
    for (const Meanwhile meanwhile : {Meanwhile::Nothing, Meanwhile::Replaced, Meanwhile::Removed}) {
        PlayerState state;
        state.loop = false;
        PicturePreloader preloader;
        ShowSequence seq(state, preloader);
        seq.setScreen(QSize(320, 240));
        seq.entries() = paths;
        seq.keepFirstForEnd();
        qint64 first = 0;
        for (int i = 0; i < 3; ++i) {
            const StepOutcome step = seq.Show_Pics();
            QCOMPARE(step.kind, StepOutcome::Shown);
            if (i == 0)
                first = step.picture.image.cacheKey();
            preloader.waitUntilIdle();
        }
        if (meanwhile == Meanwhile::Replaced)
            replace(paths[0], Qt::white);
        if (meanwhile == Meanwhile::Removed)
            preloader.forget(paths[0]);
        const StepOutcome end = seq.Show_Pics();
        QCOMPARE(end.kind, StepOutcome::ShownThenEnd);
        QCOMPARE(centre(end.picture), meanwhile == Meanwhile::Replaced ? QColor(Qt::white) : QColor(Qt::red));
        QCOMPARE(end.picture.image.cacheKey() == first, meanwhile == Meanwhile::Nothing);
        replace(paths[0], Qt::red);
    }
}

void PreloaderTest::playerStepsThroughChangingFiles() {
    ShowFixture f;
    const QStringList pics{f.picture("a.bmp", Qt::red), f.picture("b.bmp", Qt::green),
                           f.picture("c.bmp", Qt::blue), f.picture("d.bmp", Qt::yellow)};
    ShowSettings s = plainSettings(true);
    s.stretch = s.keepRatio = true;
    PlayerDriver p = f.play(f.show("s.lmr", s, pics));
    QVERIFY(p);
    // The workers look ahead once the first picture is on screen.
    QTRY_VERIFY(p->preloader().isPrepared(pics[1]));
    replace(pics[1], Qt::white);
    QVERIFY(QFile::remove(pics[2]));
    p.advance();
    QCOMPARE(f.shownColour(), QColor(Qt::white));
    p.advance();
    QCOMPARE(f.shownColour(), QColor(Qt::yellow)); // the deleted one is skipped
    QCOMPARE(f.forms->playerState().currentIndex, 3);
    // Smaller than the screen: held as decoded, the box at the size shown.
    QCOMPARE(p.pictureBox()->picture().size(), QSize(64, 48));
    QCOMPARE(p.pictureBox()->width(), p->width()); // a landscape picture kept in ratio fills the width
}

QTEST_MAIN(PreloaderTest)
#include "test_preloader.moc"
