#include "app/About_Frm.h"

#include "app/Artwork.h"
#include "controls/FittingFont.h"
#include "forms/Forms.h"
#include "platform/Desktop.h"
#include "platform/Twips.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

namespace {

QFont labelFont(bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    font.setBold(bold);
    return font;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry, bool bold,
              Qt::Alignment alignment, bool wrap = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setAlignment(alignment | Qt::AlignTop);
    l->setWordWrap(wrap);
    // The box sizes come from a font of Arial's width; a wider stand-in is made to fit.
    const int flags = int(alignment | Qt::AlignTop) | (wrap ? int(Qt::TextWordWrap) : 0);
    l->setFont(fitting::font(labelFont(bold), text, geometry.size(), flags));
    return l;
}

QFrame* rectangle(QWidget* parent, const char* name, QRect geometry) {
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameStyle(QFrame::Box | QFrame::Plain);
    f->setLineWidth(1);
    f->setGeometry(geometry);
    // An outline takes no clicks of its own: a click on it is a click on the window.
    f->setAttribute(Qt::WA_TransparentForMouseEvents);
    return f;
}

} // namespace

About_Frm::About_Frm(Forms& owner) : Form(owner, FormId::About) {
    setWindowTitle(QStringLiteral("About 10. Lumora"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips::rect(0, 0, 3930, 3810).size());

    // The outlines first, so that everything inside them lies on top.
    Shape1 = rectangle(this, "Shape1", twips::rect(90, 915, 3735, 1455));
    Shape2 = rectangle(this, "Shape2", twips::rect(90, 2430, 3735, 1320));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QPixmap banner = artwork::banner();
    Image1->setPixmap(banner);
    Image1->setGeometry(QRect(twips::rect(195, 45, 0, 0).topLeft(), banner.size()));

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(twips::rect(315, 1125, 1020, 1020));
    // Drawn at the box's size rather than blown up from 32 pixels, so it stays sharp.
    Image2->setPixmap(artwork::projectorIcon(Image2->width()));
    Image2->setScaledContents(true);

    const Qt::Alignment left = Qt::AlignLeft;
    const Qt::Alignment centre = Qt::AlignHCenter;
    Label3 = label(this, "Label3", QStringLiteral("10. Lumora v0.4b"), twips::rect(1530, 1155, 2145, 255),
                   true, left);
    Label4 = label(this, "Label4", QStringLiteral("Designed on Win 2000"), twips::rect(1530, 1515, 2235, 255),
                   true, left);
    Label5 = label(this, "Label5", QStringLiteral("by"), twips::rect(1530, 1890, 300, 255), true, left);

    Link_Lbl = new QLabel(QStringLiteral("Corvath Software"), this);
    Link_Lbl->setObjectName(QStringLiteral("Link_Lbl"));
    Link_Lbl->setGeometry(twips::rect(1845, 1890, 1650, 255));
    Link_Lbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont linkFont = labelFont(true);
    linkFont.setUnderline(true);
    Link_Lbl->setFont(fitting::font(linkFont, Link_Lbl->text(), Link_Lbl->size(), Qt::AlignHCenter));
    QPalette linkColours = Link_Lbl->palette();
    linkColours.setColor(QPalette::WindowText, QColor(0, 0, 192));
    Link_Lbl->setPalette(linkColours);
    Link_Lbl->setCursor(Qt::PointingHandCursor);

    Label1 =
        label(this, "Label1",
              QStringLiteral("Big Thank You to the Beta Testers, without which this program would be even "
                             "more buggy then it already is. :)"),
              twips::rect(180, 2520, 3540, 795), false, centre, true);
    Label2 = label(this, "Label2", QStringLiteral("Mossbeard, Kettlewick and ><(((\u00BA>"),
                   twips::rect(180, 3375, 3540, 255), true, centre);

    onClick(this, [this] { Form_Click(); });
    onClick(Image1, [this] { Image1_Click(); });
    onClick(Image2, [this] { Image2_Click(); });
    onClick(Label1, [this] { Label1_Click(); });
    onClick(Label2, [this] { Label2_Click(); });
    onClick(Label3, [this] { Label3_Click(); });
    onClick(Label4, [this] { Label4_Click(); });
    onClick(Label5, [this] { Label5_Click(); });
    onClick(Link_Lbl, [this] { Link_Lbl_Click(); });
    // Escape closes it, as any click off the link does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &About_Frm::closeWindow);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
}

void About_Frm::closeWindow() {
    forms_.unload(FormId::About);
}

void About_Frm::Form_Click() {
    closeWindow();
}
void About_Frm::Image1_Click() {
    closeWindow();
}
void About_Frm::Image2_Click() {
    closeWindow();
}
void About_Frm::Label1_Click() {
    closeWindow();
}
void About_Frm::Label2_Click() {
    closeWindow();
}
void About_Frm::Label3_Click() {
    closeWindow();
}
void About_Frm::Label4_Click() {
    closeWindow();
}
void About_Frm::Label5_Click() {
    closeWindow();
}

void About_Frm::Link_Lbl_Click() {
    gotoweb();
}

void About_Frm::gotoweb() {
    // Handed over and forgotten: the browser opens on its own and a failure is not the window's concern.
    forms_.desktop().openUrl(QString::fromLatin1(WebAddress));
}

void About_Frm::Form_Unload() {
    forms_.show(FormId::Menu);
}
