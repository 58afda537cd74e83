#include "FileDrops.h"
#include "MenuDriver.h"
#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "app/About_Frm.h"
#include "app/MENU_Frm.h"
#include "controls/PictureButton.h"
#include "dialogs/FilterConversion.h"
#include "forms/Forms.h"
#include "player/Main_Frm.h"
#include "show/SettingsStore.h"

#include "controls/HiddenTextField.h"
#include <QApplication>
#include <QFontMetricsF>
#include <QSettings>
#include <QTest>

namespace {

QString storedFocus() {
    return settings::GetSetting(settings::MenuApp, settings::Section, "btnFocus", "absent");
}

void storeFocus(const QString& value) {
    settings::SaveSetting(settings::MenuApp, settings::Section, "btnFocus", value);
}

// Starts the program without a command line and waits until its menu is the active window.
MenuDriver startMenu(ShowFixture& f) {
    f.start();
    auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
    if (!menu || !QTest::qWaitForWindowActive(menu))
        qFatal("the menu never became active");
    return MenuDriver(menu);
}

MENU_Frm* shownMenu(ShowFixture& f) {
    auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
    return menu && menu->isVisible() ? menu : nullptr;
}

} // namespace

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunFocusesTheFolderButtonAndAboutIsRemembered();
    void tabbedToButtonIsRememberedAcrossARestart();
    void storedNumberOfNoButtonMovesNoFocus_data();
    void storedNumberOfNoButtonMovesNoFocus();
    void cancelledOpenDialogChangesNothing();
    void chosenShowPlaysAndTheMenuReturns();
    void droppedShowPlaysAsIfOpened();
    void folderButtonSwapsTheMenuForTheSetupWindow();
    void makerButtonSwapsTheMenuForTheMaker();
    void captionsFitUnderTheirPictures();
};

void MenuTest::firstRunFocusesTheFolderButtonAndAboutIsRemembered() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, settings::MenuApp).remove("Settings/btnFocus");
    QCOMPARE(storedFocus(), "absent");
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    QTRY_COMPARE(QApplication::focusWidget(), menu.folderButton());
    QCOMPARE(menu->FocusedButton, 0);
    // The focus is marked at once, before any key is pressed.
    const QImage marked = menu.folderButton()->grab().toImage();
    menu.folderButton()->clearFocus();
    QVERIFY(menu.folderButton()->grab().toImage() != marked);
    menu.folderButton()->setFocus();

    menu.about();
    // The menu is gone, its focus saved, while the about window is open.
    QVERIFY(!f.forms->isLoaded(FormId::Menu));
    QCOMPARE(storedFocus(), "3");
    auto* about = static_cast<About_Frm*>(f.forms->form(FormId::About));
    QVERIFY(about && QTest::qWaitForWindowActive(about));
    QCoreApplication::processEvents();
    QVERIFY(!f.programEnded);

    about->close();
    menu = MenuDriver(shownMenu(f));
    QVERIFY(menu && QTest::qWaitForWindowActive(menu.window()));
    QTRY_COMPARE(QApplication::focusWidget(), menu.aboutButton());
}

void MenuTest::tabbedToButtonIsRememberedAcrossARestart() {
    storeFocus("0");
    {
        ShowFixture f;
        MenuDriver menu = startMenu(f);
        QTRY_COMPARE(QApplication::focusWidget(), menu.folderButton());
        // The hidden hand-over field is skipped: Tab runs round the four buttons only.
        const QList<PictureButton*> order = {menu.makerButton(), menu.openButton(), menu.aboutButton(),
                                             menu.folderButton(), menu.makerButton()};
        const QList<qint16> numbers = {1, 2, 3, 0, 1};
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[i]);
            QCOMPARE(menu->FocusedButton, numbers[i]);
        }
        QCOMPARE(storedFocus(), "0"); // written only when the menu closes

        // The close box ends the program with no window left.
        menu->close();
        QTRY_VERIFY(f.programEnded);
        for (FormId id : {FormId::Menu, FormId::Player, FormId::About})
            QVERIFY(!f.forms->isLoaded(id));
        QCOMPARE(storedFocus(), "1");
    }
    ShowFixture again;
    MenuDriver menu = startMenu(again);
    QTRY_COMPARE(QApplication::focusWidget(), menu.makerButton());
}

void MenuTest::storedNumberOfNoButtonMovesNoFocus_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("7") << "7";
    QTest::newRow("-1") << "-1";
    QTest::newRow("not a number") << "two";
}

void MenuTest::storedNumberOfNoButtonMovesNoFocus() {
    QFETCH(QString, stored);
    storeFocus(stored);
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    QTRY_COMPARE(QApplication::focusWidget(), menu.folderButton());
    menu->close();
    QTRY_VERIFY(f.programEnded);
    QCOMPARE(storedFocus(), "0");
}

void MenuTest::cancelledOpenDialogChangesNothing() {
    storeFocus("0");
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    desktop::FileRequest asked;
    f.desktop.expectFileDialog([&](const desktop::FileRequest& r) {
        asked = r;
        return desktop::FileReply{};
    });
    menu.openShow();
    f.desktop.verifyDone();
    QCOMPARE(asked.title, "Open Lumora File");
    QCOMPARE(asked.nameFilters, dialogs::qtNameFilters("Lumora Files (*.lmr)|*.lmr|All Files (*.*)|*.*"));

    QCOMPARE(shownMenu(f), menu.window());
    QCOMPARE(menu->handOverText(), "Text1");
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QCOMPARE(QApplication::focusWidget(), menu.openButton());
}

void MenuTest::chosenShowPlaysAndTheMenuReturns() {
    storeFocus("0");
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    const QString show = f.show("holiday.lmr", plainSettings(true), {f.picture("a.bmp", Qt::red)});
    f.desktop.expectFileDialog([&](const desktop::FileRequest&) { return desktop::FileReply{true, {show}}; });
    // Chosen with the keyboard this time: Enter presses the focused button.
    menu.openButton()->setFocus();
    QTest::keyClick(menu.openButton(), Qt::Key_Return);
    f.desktop.verifyDone();

    QVERIFY(!menu->isVisible());
    PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QCOMPARE(player.showPath(), show);
    QVERIFY(QTest::qWaitForWindowActive(player));

    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QCOMPARE(shownMenu(f), menu.window());
    QVERIFY(QTest::qWaitForWindowActive(menu.window()));
    QTRY_COMPARE(QApplication::focusWidget(), menu.openButton());

    // Cancelling the next dialog must not play the previous choice again.
    f.desktop.expectFileDialog([](const desktop::FileRequest&) { return desktop::FileReply{}; });
    menu.openShow();
    f.desktop.verifyDone();
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(menu->isVisible());
}

void MenuTest::droppedShowPlaysAsIfOpened() {
    storeFocus("0");
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    const QString picture = f.picture("a.bmp", Qt::red);
    const QString show = f.show("holiday.lmr", plainSettings(true), {picture});
    // Without its extension a show is known by its first line, as the desktop knows it.
    const QString bare = f.show("holiday", plainSettings(true), {picture});

    // Pictures, folders and text are no shows: such a drag is not taken.
    const auto pictures = file_drops::files({picture, f.dir(), f.textFile("notes.txt")});
    QVERIFY(!file_drops::drop(menu.makerButton(), QPoint(5, 5), *pictures));
    QVERIFY(menu->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));

    for (const QString& dropped : {show, bare}) {
        QVERIFY(file_drops::drop(menu.aboutButton(), QPoint(10, 10), *file_drops::files({picture, dropped})));
        QVERIFY(!menu->isVisible());
        PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
        QVERIFY(player);
        QCOMPARE(player.showPath(), dropped);
        QVERIFY(QTest::qWaitForWindowActive(player));
        QTest::keyClick(player, Qt::Key_Escape);
        QVERIFY(!f.forms->isLoaded(FormId::Player));
        QCOMPARE(shownMenu(f), menu.window());
        QVERIFY(QTest::qWaitForWindowActive(menu.window()));
    }
}

void MenuTest::folderButtonSwapsTheMenuForTheSetupWindow() {
    storeFocus("0");
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    menu.openFolder();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Setup) && f.forms->form(FormId::Setup)->isVisible());
    QVERIFY(!menu->isVisible());
    // Closing the setup window brings the menu back on the button that opened it.
    f.forms->form(FormId::Setup)->close();
    QTRY_COMPARE(shownMenu(f), menu.window());
    QVERIFY(!f.programEnded);
    QTRY_COMPARE(QApplication::focusWidget(), menu.folderButton());
}

void MenuTest::makerButtonSwapsTheMenuForTheMaker() {
    storeFocus("1");
    ShowFixture f;
    MenuDriver menu = startMenu(f);
    menu.makeShow();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Maker) && f.forms->form(FormId::Maker)->isVisible());
    QVERIFY(!menu->isVisible());
    // Closing the maker brings the menu back on the button that opened it, still answering the keyboard.
    f.forms->form(FormId::Maker)->close();
    QTRY_COMPARE(shownMenu(f), menu.window());
    QVERIFY(!f.programEnded);
    QTRY_COMPARE(QApplication::focusWidget(), menu.makerButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), menu.folderButton());
}

void MenuTest::captionsFitUnderTheirPictures() {
    ShowFixture f;
    MenuDriver menu(static_cast<MENU_Frm*>(f.forms->load(FormId::Menu)));
    const QList<PictureButton*> buttons{menu.folderButton(), menu.makerButton(), menu.openButton(),
                                        menu.aboutButton()};
    for (PictureButton* b : buttons) {
        QVERIFY(menu->rect().contains(b->geometry()) && b->rect().contains(b->pictureRect()));
        QVERIFY(!b->captionRect().intersects(b->pictureRect()));
        const QRectF box(b->captionRect());
        const QRectF used =
            QFontMetricsF(b->captionFont())
                .boundingRect(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, b->text());
        QVERIFY2(box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(used), qPrintable(b->text()));
        // Drawn when shown, not for a menu that only carries a show from the command line.
        QVERIFY(b->icon().isNull());
    }
    f.forms->show(FormId::Menu);
    for (PictureButton* b : buttons)
        QVERIFY(!b->icon().pixmap(b->iconSize()).isNull());
}

QTEST_MAIN(MenuTest)
#include "test_menu.moc"
