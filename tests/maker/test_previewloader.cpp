#include "ShowFixture.h"
#include "maker/PreviewLoader.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

// The maker's preview decoder: the size it gives, what an unreadable file gives, and that only the
// latest request is answered.
class TestPreviewLoader : public QObject {
    Q_OBJECT

private slots:
    void decodesAtThePreviewSize() {
        QTemporaryDir dir;
        const QSize preview(135, 104);
        // A JPEG larger than the preview takes the reduced path; a BMP and a small GIF-less PNG the reader's.
        for (const char* name : {"big.jpg", "big.bmp", "small.png"}) {
            const QSize size = QByteArray(name).startsWith("small") ? QSize(20, 10) : QSize(1200, 800);
            const QString path = writeSolidPicture(dir.filePath(QLatin1String(name)), Qt::blue, size);
            const QImage image = PreviewLoader::decode(path, preview);
            QCOMPARE(image.size(), preview);
            const QColor centre = image.pixelColor(67, 52);
            QVERIFY2(centre.blue() > 240 && centre.red() < 16, name);
        }
    }

    void unreadableFilesGiveNoPicture() {
        ShowFixture f;
        for (const QString& path :
             {f.textFile("not.jpg"), f.path("missing.jpg"), f.fifo("pipe.jpg"), f.dir(), QString()})
            QVERIFY2(PreviewLoader::decode(path, QSize(135, 104)).isNull(), qPrintable(path));
    }

    void onlyTheLatestRequestIsAnswered() {
        QTemporaryDir dir;
        QStringList paths;
        for (int i = 0; i < 6; ++i)
            paths << writeSolidPicture(dir.filePath(QStringLiteral("%1.jpg").arg(i)), QColor(i * 40, 0, 0),
                                       QSize(1600, 1200));
        PreviewLoader loader;
        QSignalSpy ready(&loader, &PreviewLoader::ready);
        for (const QString& path : paths)
            loader.request(path, QSize(135, 104));
        QTRY_VERIFY(!loader.busy());
        QCOMPARE(ready.size(), 1);
        QCOMPARE(ready.at(0).at(0).toString(), paths.last());
        QVERIFY(!ready.at(0).at(1).value<QImage>().isNull());

        // A cancelled request is never answered, and nothing is awaited from it even while it is
        // still being decoded. Its start is awaited without handling events: an answer that came
        // before the cancel would be a rightful one.
        const int started = loader.decodesStarted();
        loader.request(writeSolidPicture(dir.filePath("large.png"), Qt::red, QSize(4000, 3000)),
                       QSize(135, 104));
        // A decode that never starts fails the test rather than hanging it.
        const QDeadlineTimer never(std::chrono::minutes(1));
        while (loader.decodesStarted() != started + 1) {
            QVERIFY2(!never.hasExpired(), "the decode never started");
            std::this_thread::yield();
        }
        loader.cancel();
        QVERIFY(!loader.busy());
        loader.request(paths.at(1), QSize(135, 104));
        QTRY_VERIFY(!loader.busy());
        QCOMPARE(ready.size(), 2);
        QCOMPARE(ready.at(1).at(0).toString(), paths.at(1));
    }
};

QTEST_MAIN(TestPreviewLoader)
#include "test_previewloader.moc"
