// The player on a desktop of several screens, some of them scaled (see screens.json).
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "player/Main_Frm.h"

#include <QScreen>
#include <QTest>
#include <QWindow>

class PlayerScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 3); }
    void opensOnTheScreenOfTheMenu();
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
        Main_Frm* p = f.play(f.show("s.lmr", plainSettings(true), {f.picture("a.bmp", Qt::red)}));
        QVERIFY(p);
        QCOMPARE(p->screen(), screen);
        QCOMPARE(p->geometry(), screen->geometry());
    }
    // Started from the command line, with no menu ever shown: the primary screen.
    ShowFixture probe;
    ShowFixture f(probe.show("cl.lmr", plainSettings(true), {probe.picture("a.bmp", Qt::red)}));
    f.forms->start();
    Main_Frm* p = f.forms->as<Main_Frm>(FormId::Player);
    QVERIFY(p);
    QCOMPARE(p->screen(), QGuiApplication::primaryScreen());
}

QTEST_MAIN(PlayerScreensTest)
#include "test_player_screens.moc"
