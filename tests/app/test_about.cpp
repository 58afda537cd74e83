#include "ShowFixture.h"
#include "app/About_Frm.h"
#include "app/FittingFont.h"
#include "app/Forms.h"
#include "app/MENU_Frm.h"
#include "app/PictureButton.h"

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
        f.forms->start();
        auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
        if (!menu || !QTest::qWaitForWindowActive(menu))
            qFatal("the menu never became active");
        QTest::mouseClick(menu->About_Btn, Qt::LeftButton);
        about = static_cast<About_Frm*>(f.forms->form(FormId::About));
        if (!about || !QTest::qWaitForWindowActive(about))
            qFatal("the about window never became active");
    }
    bool open() const { return f.forms->isLoaded(FormId::About); }
};

// Clicks go through the window, as the pointer's would, so that whichever control lies on top at
// that point gets them.
void clickAt(About_Frm* about, QPoint where, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(about->windowHandle(), button, {}, where);
}

QPoint centreOf(const QWidget* w) {
    return w->geometry().center();
}

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void linkOpensTheWebPageAndStaysOpen();
    void anyOtherClickClosesAndTheMenuReturns_data();
    void anyOtherClickClosesAndTheMenuReturns();
    void pressOnATextReleasedElsewhereIsNoClick();
    void everyTextFitsItsBox();
    void smallerFontOnlyWhenTheTextWouldNotFit();
};

void AboutTest::linkOpensTheWebPageAndStaysOpen() {
    AboutOpen a;
    clickAt(a.about, centreOf(a.about->Link_Lbl));
    QCOMPARE(a.f.desktop.openedUrls, QStringList{About_Frm::WebAddress});
    QVERIFY(a.about->isVisible());
    clickAt(a.about, centreOf(a.about->Link_Lbl));
    QCOMPARE(a.f.desktop.openedUrls, QStringList({About_Frm::WebAddress, About_Frm::WebAddress}));
    QVERIFY(a.open());
    QVERIFY(!a.f.forms->isLoaded(FormId::Menu));
    QVERIFY(About_Frm::WebAddress.startsWith("https://"));
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
}

void AboutTest::anyOtherClickClosesAndTheMenuReturns() {
    QFETCH(QString, target);
    QFETCH(Qt::MouseButton, button);
    AboutOpen a;
    if (target == "close") {
        a.about->close();
    } else if (target == "empty") {
        clickAt(a.about, QPoint(2, a.about->height() - 2), button);
    } else if (target == "Shape2") {
        clickAt(a.about, a.about->Shape2->geometry().topLeft() + QPoint(40, 0), button);
    } else if (target == "Shape1") {
        // Inside the version frame, between the picture and the texts.
        const QRect picture = a.about->Image2->geometry();
        clickAt(a.about, QPoint(picture.right() + 4, picture.bottom() - 2), button);
    } else {
        auto* control = a.about->findChild<QWidget*>(target);
        QVERIFY(control);
        clickAt(a.about, centreOf(control), button);
    }
    QVERIFY(!a.open());
    QVERIFY(a.f.desktop.openedUrls.isEmpty());
    auto* menu = static_cast<MENU_Frm*>(a.f.forms->form(FormId::Menu));
    QVERIFY(menu);
    QVERIFY(QTest::qWaitForWindowActive(menu));
    QTRY_COMPARE(QApplication::focusWidget(), menu->About_Btn);
    QCoreApplication::processEvents();
    QVERIFY(!a.f.programEnded);
}

void AboutTest::pressOnATextReleasedElsewhereIsNoClick() {
    AboutOpen a;
    QWindow* w = a.about->windowHandle();
    QTest::mousePress(w, Qt::LeftButton, {}, centreOf(a.about->Label4));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(2, a.about->height() - 2));
    QVERIFY(a.open());
    // Nor does a press on the link that ends off it open the page.
    QTest::mousePress(w, Qt::LeftButton, {}, centreOf(a.about->Link_Lbl));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(2, a.about->height() - 2));
    QVERIFY(a.open());
    QVERIFY(a.f.desktop.openedUrls.isEmpty());
}

void AboutTest::everyTextFitsItsBox() {
    ShowFixture f;
    auto* about = static_cast<About_Frm*>(f.forms->load(FormId::About));
    QVERIFY(about);
    for (QLabel* l : about->findChildren<QLabel*>()) {
        if (l->text().isEmpty())
            continue; // a picture
        QVERIFY2(about->rect().contains(l->geometry()), qPrintable(l->objectName()));
        const int flags = int(l->alignment()) | (l->wordWrap() ? int(Qt::TextWordWrap) : 0);
        const QRectF used =
            QFontMetricsF(l->font()).boundingRect(QRectF(l->contentsRect()), flags, l->text());
        QVERIFY2(QRectF(l->contentsRect()).adjusted(-0.5, -0.5, 0.5, 0.5).contains(used),
                 qPrintable(l->objectName()));
    }
    // "by" and the link read as one line.
    QCOMPARE(about->Label5->y(), about->Link_Lbl->y());
    QVERIFY(about->Label5->geometry().right() < about->Link_Lbl->x());
    // The banner at its own size inside the window, the projector filling its box.
    QCOMPARE(about->Image1->size(), QSize(238, 49));
    QVERIFY(about->rect().contains(about->Image1->geometry()));
    QVERIFY(about->Image2->hasScaledContents());
    f.forms->unload(FormId::About);
}

void AboutTest::smallerFontOnlyWhenTheTextWouldNotFit() {
    QFont wanted;
    wanted.setPointSizeF(12);
    const int oneLine = Qt::AlignLeft;
    const QString text = "Designed on Win 2000";
    const qreal natural = QFontMetricsF(wanted).horizontalAdvance(text);

    QCOMPARE(fitting::font(wanted, text, QSize(int(natural) + 4, 40), oneLine).pointSizeF(), 12.0);

    const QFont smaller = fitting::font(wanted, text, QSize(int(natural * 0.7), 40), oneLine);
    QVERIFY(smaller.pointSizeF() < 12.0);
    QVERIFY(QFontMetricsF(smaller).horizontalAdvance(text) <= natural * 0.7 + 1);

    // Wrapping text shrinks until its lines fit the height as well.
    const QString words = "one two three four five six seven eight nine ten";
    const QSize box(int(natural), int(QFontMetricsF(wanted).height() * 2));
    const QFont wrapped = fitting::font(wanted, words, box, Qt::AlignLeft | Qt::TextWordWrap);
    QVERIFY(wrapped.pointSizeF() < 12.0);
    QVERIFY(QFontMetricsF(wrapped).boundingRect(QRectF(QPoint(), box), Qt::TextWordWrap, words).height() <=
            box.height() + 0.01);

    // A box nothing fits in ends at the smallest size rather than running on.
    QCOMPARE(fitting::font(wanted, text, QSize(3, 3), oneLine).pointSizeF(), fitting::SmallestPointSize);
}

QTEST_MAIN(AboutTest)
#include "test_about.moc"
