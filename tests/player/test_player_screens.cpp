// The player on a desktop of several screens, some of them scaled (see screens.json).
#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "player/ImageBox.h"
#include "player/Main_Frm.h"

#include <QScreen>
#include <QTest>
#include <QWindow>

class PlayerScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 3); }
    void opensOnTheScreenOfTheMenu();
    void onePixelDetailSurvivesEveryScale();
};

void PlayerScreensTest::opensOnTheScreenOfTheMenu() {
    for (QScreen* screen : QGuiApplication::screens()) {
        ShowFixture f;
        Form* menu = f.forms->load(FormId::Menu);
        menu->move(screen->geometry().topLeft() + QPoint(20, 20));
        f.forms->show(FormId::Menu);
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QCOMPARE(menu->screen(), screen);
        // The menu hides itself before it opens the player.
        f.forms->hide(FormId::Menu);
        PlayerDriver p = f.play(f.show("s.lmr", plainSettings(true), {f.picture("a.bmp", Qt::red)}));
        QVERIFY(p);
        QCOMPARE(p->screen(), screen);
        QCOMPARE(p->geometry(), screen->geometry());
    }
    // Started from the command line, with no menu ever shown: the primary screen.
    ShowFixture probe;
    ShowFixture f(probe.show("cl.lmr", plainSettings(true), {probe.picture("a.bmp", Qt::red)}));
    f.start();
    PlayerDriver p = f.forms->as<Main_Frm>(FormId::Player);
    QVERIFY(p);
    QCOMPARE(p->screen(), QGuiApplication::primaryScreen());
}

void PlayerScreensTest::onePixelDetailSurvivesEveryScale() {
    for (QScreen* screen : QGuiApplication::screens()) {
        const double ratio = screen->devicePixelRatio();
        const QSize device = (QSizeF(screen->geometry().size()) * ratio).toSize();
        for (const char* format : {"bmp", "jpg"}) {
            ShowFixture f;
            // Columns of one device pixel, black and white.
            QImage stripes(device, QImage::Format_RGB32);
            for (int x = 0; x < device.width(); ++x)
                for (int y = 0; y < device.height(); ++y)
                    stripes.setPixel(x, y, x % 2 ? 0xFFFFFFFF : 0xFF000000);
            const QString path = f.path(QStringLiteral("stripes.") + format);
            QVERIFY(stripes.save(path, nullptr, 100));
            Form* menu = f.forms->load(FormId::Menu);
            menu->move(screen->geometry().topLeft() + QPoint(20, 20));
            f.forms->show(FormId::Menu);
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            f.forms->hide(FormId::Menu);
            ShowSettings s = plainSettings(true);
            s.stretch = s.keepRatio = true;
            PlayerDriver p = f.play(f.show("s.lmr", s, {path}));
            QVERIFY(p);
            QCOMPARE(p->devicePixelRatioF(), ratio);
            QCOMPARE(p.pictureBox()->geometry(), QRect(QPoint(0, 0), screen->geometry().size()));
            QCOMPARE(p.pictureBox()->picture().size(), device);
            QVERIFY(p.pictureBox()->isDeviceSized());
            // What reaches the window's pixels, read back at device resolution.
            const QImage shown = p->grab().toImage();
            QCOMPARE(shown.size(), device);
            const int y = device.height() / 2;
            for (int x = device.width() / 2; x < device.width() / 2 + 16; ++x) {
                const int grey = qGray(shown.pixel(x, y));
                QVERIFY2(x % 2 ? grey > 215 : grey < 40,
                         qPrintable(QString("%1 at %2, %3x").arg(grey).arg(x).arg(ratio)));
            }
        }
    }
}

QTEST_MAIN(PlayerScreensTest)
#include "test_player_screens.moc"
