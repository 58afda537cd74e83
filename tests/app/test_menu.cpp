#include "ShowFixture.h"
#include "app/About_Frm.h"
#include "app/Forms.h"
#include "app/MENU_Frm.h"
#include "app/PictureButton.h"
#include "dialogs/FilterConversion.h"
#include "player/Main_Frm.h"
#include "show/SettingsStore.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

namespace {

const QString ShowFilter = QStringLiteral("Lumora Files (*.lmr)|*.lmr|All Files (*.*)|*.*");

QString storedFocus() {
    return settings::GetSetting(settings::MenuApp, settings::Section, QStringLiteral("btnFocus"), "absent");
}

void storeFocus(const QString& value) {
    settings::SaveSetting(settings::MenuApp, settings::Section, QStringLiteral("btnFocus"), value);
}

void forgetFocus() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, settings::MenuApp).remove("Settings/btnFocus");
    QCOMPARE(storedFocus(), QStringLiteral("absent"));
}

// Starts the program as it starts without a command line and waits until its menu is the active
// window.
MENU_Frm* startMenu(ShowFixture& f) {
    f.forms->start();
    auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
    if (!menu || !QTest::qWaitForWindowActive(menu))
        qFatal("the menu never became active");
    return menu;
}

MENU_Frm* shownMenu(ShowFixture& f) {
    auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
    return menu && menu->isVisible() ? menu : nullptr;
}

desktop::FileReply chosen(const QString& path) {
    desktop::FileReply reply;
    reply.accepted = true;
    reply.files << path;
    return reply;
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
    void windowsNotBuiltYetLeaveTheMenuUsable();
    void captionsFitUnderTheirPictures();
};

void MenuTest::firstRunFocusesTheFolderButtonAndAboutIsRemembered() {
    forgetFocus();
    ShowFixture f;
    MENU_Frm* menu = startMenu(f);
    QTRY_COMPARE(QApplication::focusWidget(), menu->Open_Folder_Btn);
    QCOMPARE(menu->FocusedButton, 0);

    QTest::mouseClick(menu->About_Btn, Qt::LeftButton);
    // The menu is gone (its focus saved) while the about window is open.
    QVERIFY(!f.forms->isLoaded(FormId::Menu));
    QCOMPARE(storedFocus(), QStringLiteral("3"));
    auto* about = static_cast<About_Frm*>(f.forms->form(FormId::About));
    QVERIFY(about);
    QVERIFY(QTest::qWaitForWindowActive(about));
    QCoreApplication::processEvents();
    QVERIFY(!f.programEnded);

    about->close();
    menu = shownMenu(f);
    QVERIFY(menu);
    QVERIFY(QTest::qWaitForWindowActive(menu));
    QTRY_COMPARE(QApplication::focusWidget(), menu->About_Btn);
    QCOMPARE(menu->FocusedButton, 3);
}

void MenuTest::tabbedToButtonIsRememberedAcrossARestart() {
    storeFocus("0");
    {
        ShowFixture f;
        MENU_Frm* menu = startMenu(f);
        QTRY_COMPARE(QApplication::focusWidget(), menu->Open_Folder_Btn);
        // The hidden hand-over field is skipped: Tab runs round the four buttons only.
        const QList<QWidget*> order = {menu->Make_File_Btn, menu->Open_File_Btn, menu->About_Btn,
                                       menu->Open_Folder_Btn, menu->Make_File_Btn};
        const QList<qint16> numbers = {1, 2, 3, 0, 1};
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[i]);
            QCOMPARE(menu->FocusedButton, numbers[i]);
        }
        QCOMPARE(storedFocus(), QStringLiteral("0")); // written only when the menu closes

        // The close box ends the program with no window left.
        menu->close();
        QTRY_VERIFY(f.programEnded);
        for (FormId id : {FormId::Menu, FormId::Player, FormId::About})
            QVERIFY(!f.forms->isLoaded(id));
        QCOMPARE(storedFocus(), QStringLiteral("1"));
    }
    ShowFixture again;
    MENU_Frm* menu = startMenu(again);
    QTRY_COMPARE(QApplication::focusWidget(), menu->Make_File_Btn);
    QCOMPARE(menu->FocusedButton, 1);
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
    MENU_Frm* menu = startMenu(f);
    QTRY_COMPARE(QApplication::focusWidget(), menu->Open_Folder_Btn);
    QCOMPARE(menu->FocusedButton, 0);
    menu->close();
    QTRY_VERIFY(f.programEnded);
    QCOMPARE(storedFocus(), QStringLiteral("0"));
}

void MenuTest::cancelledOpenDialogChangesNothing() {
    storeFocus("0");
    ShowFixture f;
    MENU_Frm* menu = startMenu(f);
    desktop::FileRequest asked;
    f.desktop.expectFileDialog([&](const desktop::FileRequest& r) {
        asked = r;
        return desktop::FileReply{};
    });
    QTest::mouseClick(menu->Open_File_Btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(asked.title, QStringLiteral("Open Lumora File"));
    QVERIFY(!asked.save);
    QCOMPARE(asked.nameFilters, dialogs::qtNameFilters(ShowFilter));
    QCOMPARE(asked.filterIndex, 0);

    QCOMPARE(shownMenu(f), menu);
    QCOMPARE(menu->Open_File_Path_Txt->text(), QStringLiteral("Text1"));
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QCOMPARE(QApplication::focusWidget(), menu->Open_File_Btn);
    QCOMPARE(menu->FocusedButton, 2);
}

void MenuTest::chosenShowPlaysAndTheMenuReturns() {
    storeFocus("0");
    ShowFixture f;
    MENU_Frm* menu = startMenu(f);
    const QString show = f.show("holiday.lmr", plainSettings(true), {f.picture("a.bmp", Qt::red)});
    f.desktop.expectFileDialog([&](const desktop::FileRequest&) { return chosen(show); });
    // Chosen with the keyboard this time: Enter presses the focused button.
    menu->Open_File_Btn->setFocus();
    QTest::keyClick(menu->Open_File_Btn, Qt::Key_Return);
    f.desktop.verifyDone();

    QVERIFY(!menu->isVisible());
    QCOMPARE(menu->Open_File_Path_Txt->text(), show);
    Main_Frm* player = f.forms->player();
    QVERIFY(player);
    QCOMPARE(player->File_Path_Txt->text(), show);
    QVERIFY(QTest::qWaitForWindowActive(player));

    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QCOMPARE(shownMenu(f), menu);
    QVERIFY(QTest::qWaitForWindowActive(menu));
    QTRY_COMPARE(QApplication::focusWidget(), menu->Open_File_Btn);

    // Cancelling the next dialog must not play the previous choice again.
    f.desktop.expectFileDialog([](const desktop::FileRequest&) { return desktop::FileReply{}; });
    QTest::mouseClick(menu->Open_File_Btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(menu->isVisible());
    QVERIFY(!f.programEnded);
}

void MenuTest::windowsNotBuiltYetLeaveTheMenuUsable() {
    storeFocus("0");
    ShowFixture f;
    MENU_Frm* menu = startMenu(f);
    for (PictureButton* b : {menu->Open_Folder_Btn, menu->Make_File_Btn}) {
        QTest::mouseClick(b, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(shownMenu(f), menu);
        QVERIFY(!f.programEnded);
        QTRY_COMPARE(QApplication::focusWidget(), b);
    }
    QCOMPARE(menu->FocusedButton, 1);
    // Still answering: the open button works as ever.
    f.desktop.expectFileDialog([](const desktop::FileRequest&) { return desktop::FileReply{}; });
    QTest::mouseClick(menu->Open_File_Btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(menu->FocusedButton, 2);
}

void MenuTest::captionsFitUnderTheirPictures() {
    ShowFixture f;
    MENU_Frm* menu = f.forms->menu();
    const QStringList captions = {"Lumora from Folder", "Make Lumora File", "Open Lumora File",
                                  "About 10. Lumora"};
    int i = 0;
    QRect previous;
    for (PictureButton* b :
         {menu->Open_Folder_Btn, menu->Make_File_Btn, menu->Open_File_Btn, menu->About_Btn}) {
        QCOMPARE(b->text(), captions[i++]);
        QVERIFY(menu->rect().contains(b->geometry()));
        if (previous.isValid())
            QCOMPARE(b->x() - previous.right() - 1, 2); // side by side, 30 twips apart
        previous = b->geometry();
        QVERIFY(b->rect().contains(b->pictureRect()));
        QVERIFY(!b->captionRect().intersects(b->pictureRect()));
        const QRectF used = QFontMetricsF(b->captionFont())
                                .boundingRect(QRectF(b->captionRect()),
                                              Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, b->text());
        QVERIFY2(QRectF(b->captionRect()).adjusted(-0.5, -0.5, 0.5, 0.5).contains(used),
                 qPrintable(b->text()));
        QVERIFY(b->captionFont().pointSizeF() >= 6.0);
    }
    QVERIFY(!menu->rect().intersects(menu->Open_File_Path_Txt->geometry()));
}

QTEST_MAIN(MenuTest)
#include "test_menu.moc"
