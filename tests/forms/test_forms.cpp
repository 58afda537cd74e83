#include "ScriptedDesktop.h"
#include "forms/Forms.h"
#include "forms/ShowHandOver.h"
#include "platform/QtDesktop.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

// A window of the tests' own, with a control of each kind the hooks treat differently.
class HookedForm : public Form {
    Q_OBJECT
public:
    HookedForm(Forms& owner, FormId id) : Form(owner, id) {
        resize(300, 200);
        Btn->setGeometry(10, 10, 80, 30);
        Lbl->setGeometry(10, 60, 80, 30);
        Txt->setGeometry(10, 110, 80, 30);
        Other_Txt->setGeometry(110, 110, 80, 30);
        onClick(Btn, [this] { ++btnClicks; });
        onClick(Lbl, [this] { ++lblClicks; });
        onDoubleClick(Lbl, [this] { ++lblDoubleClicks; });
        onFocus(Txt, [this] { ++txtFocus; });
        onFocus(Other_Txt, [this] { ++otherFocus; });
    }
    void Form_Load() override { ++loads; }
    void Form_Unload() override { ++unloads; }
    bool Form_QueryUnload() override {
        ++questions;
        return !staysOpen;
    }

    QPushButton* Btn = new QPushButton(QStringLiteral("Btn"), this);
    QLabel* Lbl = new QLabel(QStringLiteral("Lbl"), this);
    QLineEdit* Txt = new QLineEdit(this);
    QLineEdit* Other_Txt = new QLineEdit(this);
    int btnClicks = 0, lblClicks = 0, lblDoubleClicks = 0, txtFocus = 0, otherFocus = 0;
    int loads = 0, unloads = 0, windowReleases = 0, questions = 0;
    bool staysOpen = false;

protected:
    void mouseReleaseEvent(QMouseEvent*) override { ++windowReleases; }
};

class HandOverMenu : public Form, public ShowHandOver {
    Q_OBJECT
public:
    explicit HandOverMenu(Forms& owner) : Form(owner, FormId::Menu) {}
    QString handOverText() const override { return text; }
    void setHandOverText(const QString& t) override { text = t; }
    QString text = QStringLiteral("Text1");
};

} // namespace

class FormsTest : public QObject {
    Q_OBJECT
private slots:
    void windowsComeFromTheirRegisteredFactories();
    void theHandOverFieldIsTheMenus();
    void controlHooks();
    void focusComingBackIsNoNewFocus();
    void aWindowDestroyedOutsideClosesAsByItsCloseBox();
    void aWindowGoesOnlyOnceItsBoxesHaveReturned();
    void focusComesBackAfterEveryBoxAndDialog();
};

void FormsTest::windowsComeFromTheirRegisteredFactories() {
    ScriptedDesktop desktop;
    Forms forms(desktop);
    bool ended = false;
    forms.onLastWindowGone = [&] { ended = true; };
    QVERIFY(!forms.load(FormId::Setup)); // no factory: a window this build does not have

    forms.registerForm(FormId::Setup, [](Forms& f) { return new HookedForm(f, FormId::Setup); });
    auto* setup = forms.as<HookedForm>(FormId::Setup);
    QVERIFY(!setup); // typed access does not load
    setup = qobject_cast<HookedForm*>(forms.show(FormId::Setup));
    QVERIFY(setup && setup->isVisible());
    QCOMPARE(setup->loads, 1);
    QCOMPARE(forms.load(FormId::Setup), setup);
    QCOMPARE(forms.as<HookedForm>(FormId::Setup), setup);
    QVERIFY(!forms.as<HandOverMenu>(FormId::Setup));

    // The close box leaves through the owner: Form_Unload runs, and the last window ends the program.
    QPointer<HookedForm> gone = setup;
    setup->close();
    QCOMPARE(gone->unloads, 1);
    QVERIFY(!forms.isLoaded(FormId::Setup));
    QTRY_VERIFY(ended && !gone);

    // A later registration replaces the earlier one.
    forms.registerForm(FormId::Setup, [](Forms& f) { return new HandOverMenu(f); });
    QVERIFY(forms.as<HandOverMenu>(FormId::Setup) == nullptr && forms.load(FormId::Setup));
    QVERIFY(forms.as<HandOverMenu>(FormId::Setup));
}

void FormsTest::theHandOverFieldIsTheMenus() {
    ScriptedDesktop desktop;
    Forms forms(desktop);
    forms.onLastWindowGone = [] {};
    // Without a menu there is no field to write, and no show starts.
    forms.registerForm(FormId::Player, [](Forms& f) { return new HookedForm(f, FormId::Player); });
    QCOMPARE(forms.handOver(), QString());
    forms.playShow(QStringLiteral("/shows/a.lmr"));
    QVERIFY(!forms.isLoaded(FormId::Player));

    forms.registerForm(FormId::Menu, [](Forms& f) { return new HandOverMenu(f); });
    QCOMPARE(forms.handOver(), QStringLiteral("Text1"));
    auto* menu = forms.as<HandOverMenu>(FormId::Menu);
    QVERIFY(menu && !menu->isVisible()); // loaded hidden, only to carry the field
    forms.setHandOver(QStringLiteral("/shows/b.lmr"));
    QCOMPARE(menu->text, QStringLiteral("/shows/b.lmr"));
    forms.playShow(QStringLiteral("/shows/c.lmr"));
    QCOMPARE(forms.handOver(), QStringLiteral("/shows/c.lmr"));
    QVERIFY(forms.form(FormId::Player) && forms.form(FormId::Player)->isVisible());
    QVERIFY(!menu->isVisible());
}

void FormsTest::controlHooks() {
    ScriptedDesktop desktop;
    Forms forms(desktop);
    forms.onLastWindowGone = [] {};
    forms.registerForm(FormId::Maker, [](Forms& f) { return new HookedForm(f, FormId::Maker); });
    auto* w = qobject_cast<HookedForm*>(forms.show(FormId::Maker));
    QVERIFY(w && QTest::qWaitForWindowActive(w));

    // A button is clicked by the mouse and by the keyboard.
    QTest::mouseClick(w->Btn, Qt::LeftButton);
    w->Btn->setFocus();
    QTest::keyClick(w->Btn, Qt::Key_Space);
    QCOMPARE(w->btnClicks, 2);

    // Either main button over a plain control; the release stops there and never reaches the window.
    QTest::mouseClick(w->Lbl, Qt::LeftButton);
    QTest::mouseClick(w->Lbl, Qt::RightButton);
    QTest::mouseClick(w->Lbl, Qt::MiddleButton);
    QCOMPARE(w->lblClicks, 2);
    // Pressed on the control, let go outside it: nobody's click.
    QTest::mousePress(w->Lbl, Qt::LeftButton);
    QTest::mouseRelease(w->Lbl, Qt::LeftButton, {}, QPoint(w->Lbl->width() + 20, 5));
    QCOMPARE(w->lblClicks, 2);
    QCOMPARE(w->windowReleases, 0);

    QTest::mouseDClick(w->Lbl, Qt::LeftButton);
    QCOMPARE(w->lblDoubleClicks, 1);
}

void FormsTest::focusComingBackIsNoNewFocus() {
    ScriptedDesktop desktop;
    Forms forms(desktop);
    forms.onLastWindowGone = [] {};
    forms.registerForm(FormId::Maker, [](Forms& f) { return new HookedForm(f, FormId::Maker); });
    auto* w = qobject_cast<HookedForm*>(forms.show(FormId::Maker));
    QVERIFY(w && QTest::qWaitForWindowActive(w));
    w->Txt->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(w->txtFocus, 1);

    // Away to another window (a message box, a file dialog) and back: the same control, no new focus.
    {
        QWidget box;
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
    }
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTRY_COMPARE(QApplication::focusWidget(), w->Txt);
    QCOMPARE(w->txtFocus, 1);

    // Moving to another control and back is a new focus each time.
    w->Other_Txt->setFocus(Qt::TabFocusReason);
    w->Txt->setFocus(Qt::MouseFocusReason);
    QCOMPARE(w->otherFocus, 1);
    QCOMPARE(w->txtFocus, 2);
}

void FormsTest::aWindowDestroyedOutsideClosesAsByItsCloseBox() {
    ScriptedDesktop desktop;
    Forms forms(desktop);
    bool ended = false;
    forms.onLastWindowGone = [&] { ended = true; };
    forms.registerForm(FormId::Maker, [](Forms& f) { return new HookedForm(f, FormId::Maker); });
    auto* w = qobject_cast<HookedForm*>(forms.show(FormId::Maker));
    QVERIFY(w && QTest::qWaitForWindowExposed(w));
    // Some other window, or one of the program's own that it closed itself: nothing happens.
    forms.windowDestroyedOutside(w->internalWinId() + 1);
    QCOMPARE(w->questions, 0);

    // A form that will not close comes back on screen, in a new window.
    w->staysOpen = true;
    forms.windowDestroyedOutside(w->internalWinId());
    QCOMPARE(w->questions, 1);
    QVERIFY(forms.isLoaded(FormId::Maker) && w->isVisible() && w->internalWinId() != 0);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->unloads, 0);
    // One that closes is unloaded; it was the last window, so the program ends.
    w->staysOpen = false;
    forms.windowDestroyedOutside(w->internalWinId());
    QCOMPARE(w->unloads, 1);
    QVERIFY(!forms.isLoaded(FormId::Maker));
    QTRY_VERIFY(ended);
}

// The boxes here are real ones, each running its own event loop on top of the code that opened it,
// which stands for the form's own code.
void FormsTest::aWindowGoesOnlyOnceItsBoxesHaveReturned() {
    ScriptedDesktop desktop;
    desktop::QtDesktop boxes;
    Forms forms(desktop);
    forms.onLastWindowGone = [] {};
    forms.registerForm(FormId::Maker, [](Forms& f) { return new HookedForm(f, FormId::Maker); });
    const auto question = [&](QWidget* over) {
        return boxes.message(over, {QStringLiteral("Sure?"), QStringLiteral("Lumora Maker"),
                                    desktop::Icon::Question, desktop::Buttons::YesNoCancel});
    };
    const auto whenBoxIsOpen = [](std::function<void(QWidget * box)> act) {
        QTimer::singleShot(0, [act] {
            QPointer<QWidget> box = QApplication::activeModalWidget();
            QVERIFY(box);
            act(box);
            // A box left open would hold the test: answered Yes, which no dismissal gives.
            QTimer::singleShot(10000, box, [box] {
                static_cast<QMessageBox*>(box.data())->button(QMessageBox::Yes)->click();
            });
        });
    };
    QPointer<HookedForm> w = qobject_cast<HookedForm*>(forms.show(FormId::Maker));
    QVERIFY(w && QTest::qWaitForWindowExposed(w));

    // The box itself destroyed: Escape on it, and the window answers again.
    whenBoxIsOpen([&](QWidget* box) { forms.windowDestroyedOutside(box->internalWinId()); });
    QCOMPARE(question(w->Btn), desktop::Answer::Cancel);
    QVERIFY(forms.isLoaded(FormId::Maker) && w->isVisible());
    QCOMPARE(w->questions, 0);

    // The window destroyed under a box, and the code after that box opening another: each box is
    // dismissed as by Escape, and only then does the window close as its close box would.
    w->staysOpen = true;
    whenBoxIsOpen([&](QWidget*) { forms.windowDestroyedOutside(w->internalWinId()); });
    QCOMPARE(question(w), desktop::Answer::Cancel);
    QCOMPARE(question(w->Txt), desktop::Answer::Cancel);
    QCOMPARE(w->questions, 0);
    // It would not close: it is back on screen.
    QTRY_COMPARE(w->questions, 1);
    QVERIFY(forms.isLoaded(FormId::Maker) && w->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w));

    // Unloaded from code while its box is open (a timer's work): the box goes, then the window.
    whenBoxIsOpen([&](QWidget*) { forms.unload(FormId::Maker); });
    QCOMPARE(question(w), desktop::Answer::Cancel);
    QVERIFY(w);
    QCOMPARE(w->unloads, 1);
    QTRY_VERIFY(!w);
}

void FormsTest::focusComesBackAfterEveryBoxAndDialog() {
    ScriptedDesktop desktop;
    desktop::QtDesktop boxes;
    Forms forms(desktop);
    forms.onLastWindowGone = [] {};
    forms.registerForm(FormId::Maker, [](Forms& f) { return new HookedForm(f, FormId::Maker); });
    auto* w = qobject_cast<HookedForm*>(forms.show(FormId::Maker));
    QVERIFY(w && QTest::qWaitForWindowActive(w));
    w->Other_Txt->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(w->otherFocus, 1);
    // Answered as a person would: No on the box, Cancel on the dialog.
    const auto answerWhenOpen = [] {
        QTimer::singleShot(0, [] {
            QWidget* open = QApplication::activeModalWidget();
            QVERIFY(open);
            if (auto* box = qobject_cast<QMessageBox*>(open))
                box->button(QMessageBox::No)->click();
            else if (auto* dialog = qobject_cast<QDialog*>(open)) {
                // Closed however the checks end: a dialog left open would hold the test.
                const auto close = qScopeGuard([dialog] { dialog->reject(); });
                // The details show whole columns: each as wide as its widest text at least.
                auto* details = dialog->findChild<QTreeView*>("treeView");
                QVERIFY(details);
                QTRY_VERIFY(details->model()->rowCount(details->rootIndex()) > 0);
                for (int column = 1; column < 4; ++column) {
                    QCOMPARE(details->header()->sectionResizeMode(column), QHeaderView::ResizeToContents);
                    QTRY_VERIFY(details->header()->sectionSize(column) >=
                                static_cast<QAbstractItemView*>(details)->sizeHintForColumn(column));
                }
            }
        });
    };
    const auto keysReach = [w](const QString& typed) {
        // Keys go where the application's focus is, as a person's keys do.
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), w->Other_Txt);
        QTest::keyClicks(nullptr, typed);
        QCOMPARE(w->Other_Txt->text().right(typed.size()), typed);
    };
    answerWhenOpen();
    QCOMPARE(boxes.message(w, {QStringLiteral("Run it now?"), QStringLiteral("Lumora Maker"),
                               desktop::Icon::Question, desktop::Buttons::YesNo}),
             desktop::Answer::No);
    keysReach("ab");
    answerWhenOpen();
    desktop::FileRequest request;
    request.title = QStringLiteral("Save Lumora File");
    request.save = true;
    QTemporaryDir folder;
    for (const char* name : {"a picture show with a long name.lmr", "b.lmr"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(490, 'x')) == 490);
    }
    request.initialFolder = folder.path();
    QVERIFY(!boxes.chooseFile(w, request).accepted);
    keysReach("cd");
    // Each return is the window's focus coming back, no new focus of the control.
    QCOMPARE(w->otherFocus, 1);
    QCOMPARE(w->txtFocus, 0);
}

QTEST_MAIN(FormsTest)
#include "test_forms.moc"
