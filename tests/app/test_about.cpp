#include "AboutDriver.h"
#include "MenuDriver.h"
#include "ShowFixture.h"
#include "app/About_Frm.h"
#include "app/MENU_Frm.h"
#include "controls/FittingFont.h"
#include "controls/PictureButton.h"
#include "forms/Forms.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QTest>
#include <QWindow>

namespace {

// The program started without a command line, its about window opened with the menu's button.
struct AboutOpen {
    ShowFixture f;
    About_Frm* about = nullptr;

    AboutOpen() {
        f.start();
        auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
        if (!menu || !QTest::qWaitForWindowActive(menu))
            qFatal("the menu never became active");
        MenuDriver(menu).about();
        about = static_cast<About_Frm*>(f.forms->form(FormId::About));
        if (!about || !QTest::qWaitForWindowActive(about))
            qFatal("the about window never became active");
    }
    bool open() const { return f.forms->isLoaded(FormId::About); }
    // Through the window, as the pointer's clicks go, so whatever lies on top at that point gets it.
    void click(QPoint where, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(about->windowHandle(), button, {}, where);
    }
    QPoint emptyArea() const { return QPoint(2, about->height() - 2); }
};

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void linkOpensTheWebPageAndStaysOpen();
    void anyOtherClickClosesAndTheMenuReturns_data();
    void anyOtherClickClosesAndTheMenuReturns();
    void pressReleasedOffTheLinkIsNoClick();
    void everyTextFitsItsBox();
    void smallerFontOnlyWhenTheTextWouldNotFit();
};

void AboutTest::linkOpensTheWebPageAndStaysOpen() {
    AboutOpen a;
    a.click(AboutDriver(a.about).link()->geometry().center());
    a.click(AboutDriver(a.about).link()->geometry().center());
    QCOMPARE(a.f.desktop.openedUrls, QStringList(2, About_Frm::WebAddress));
    QVERIFY(a.open() && a.about->isVisible());
    QVERIFY(!a.f.forms->isLoaded(FormId::Menu));
}

void AboutTest::anyOtherClickClosesAndTheMenuReturns_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<Qt::MouseButton>("button");
    for (const char* name : {"Image1", "Image2", "Label1", "Label2", "Label3", "Label4", "Label5"})
        QTest::newRow(name) << QString(name) << Qt::LeftButton;
    QTest::newRow("right click on a text") << "Label3" << Qt::RightButton;
    QTest::newRow("empty area") << "empty" << Qt::LeftButton;
    QTest::newRow("outline of a frame") << "Shape2" << Qt::LeftButton;
    QTest::newRow("inside a frame") << "Shape1" << Qt::LeftButton;
    QTest::newRow("close box") << "close" << Qt::LeftButton;
    QTest::newRow("Escape") << "Escape" << Qt::NoButton;
}

void AboutTest::anyOtherClickClosesAndTheMenuReturns() {
    QFETCH(QString, target);
    QFETCH(Qt::MouseButton, button);
    AboutOpen a;
    const QRect picture = AboutDriver(a.about).picture()->geometry();
    if (target == "close")
        a.about->close();
    else if (target == "Escape")
        QTest::keyClick(a.about, Qt::Key_Escape);
    else if (target == "empty")
        a.click(a.emptyArea(), button);
    else if (target == "Shape2")
        a.click(AboutDriver(a.about).lowerRule()->geometry().topLeft() + QPoint(40, 0), button);
    else if (target == "Shape1") // between the picture and the texts
        a.click(QPoint(picture.right() + 4, picture.bottom() - 2), button);
    else
        a.click(a.about->findChild<QWidget*>(target)->geometry().center(), button);

    QVERIFY(!a.open());
    QVERIFY(a.f.desktop.openedUrls.isEmpty());
    auto* menu = static_cast<MENU_Frm*>(a.f.forms->form(FormId::Menu));
    QVERIFY(menu && QTest::qWaitForWindowActive(menu));
    QTRY_COMPARE(QApplication::focusWidget(), MenuDriver(menu).aboutButton());
    QCoreApplication::processEvents();
    QVERIFY(!a.f.programEnded);
}

void AboutTest::pressReleasedOffTheLinkIsNoClick() {
    AboutOpen a;
    QTest::mousePress(a.about->windowHandle(), Qt::LeftButton, {},
                      AboutDriver(a.about).link()->geometry().center());
    QTest::mouseRelease(a.about->windowHandle(), Qt::LeftButton, {}, a.emptyArea());
    // Neither the link's click nor the window's.
    QVERIFY(a.open());
    QVERIFY(a.f.desktop.openedUrls.isEmpty());
}

void AboutTest::everyTextFitsItsBox() {
    ShowFixture f;
    auto* about = static_cast<About_Frm*>(f.forms->load(FormId::About));
    for (QLabel* l : AboutDriver(about).texts()) {
        const QRectF box(l->contentsRect());
        const int flags = int(l->alignment()) | (l->wordWrap() ? int(Qt::TextWordWrap) : 0);
        const QRectF used = QFontMetricsF(l->font()).boundingRect(box, flags, l->text());
        QVERIFY2(about->rect().contains(l->geometry()), qPrintable(l->objectName()));
        QVERIFY2(box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(used), qPrintable(l->objectName()));
    }
    f.forms->unload(FormId::About);
}

void AboutTest::smallerFontOnlyWhenTheTextWouldNotFit() {
    QFont wanted;
    wanted.setPointSizeF(12);
    const QString text = "Designed on Win 2000";
    const qreal natural = QFontMetricsF(wanted).horizontalAdvance(text);
    QCOMPARE(fitting::font(wanted, text, QSize(int(natural) + 4, 40), Qt::AlignLeft).pointSizeF(), 12.0);

    const QFont narrower = fitting::font(wanted, text, QSize(int(natural * 0.7), 40), Qt::AlignLeft);
    QVERIFY(narrower.pointSizeF() < 12.0);
    QVERIFY(QFontMetricsF(narrower).horizontalAdvance(text) <= natural * 0.7 + 1);

    // A box nothing fits in ends at the smallest size rather than running on.
    QCOMPARE(fitting::font(wanted, text, QSize(3, 3), Qt::AlignLeft).pointSizeF(),
             fitting::SmallestPointSize);
}

QTEST_MAIN(AboutTest)
#include "test_about.moc"
