#include "maker/Maker_Frm.h"

#include "controls/FileList.h"
#include "controls/FittingFont.h"
#include "controls/FocusMark.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "controls/PalettePicker.h"
#include "controls/StepScrollBar.h"
#include "controls/VolumeList.h"
#include "dialogs/OpenSaveDialog.h"
#include "forms/Forms.h"
#include "maker/DragList.h"
#include "maker/DroppedPictures.h"
#include "maker/ListDrop.h"
#include "maker/ListMoves.h"
#include "maker/MakerArt.h"
#include "maker/PictureListModel.h"
#include "maker/PreviewLoader.h"
#include "platform/General.h"
#include "platform/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>

namespace {

// The list's entries as wide as the list, never wider: a path longer than that is drawn elided (at
// the left, as the view says, so that the file name shows), not cut off or scrolled sideways.
class ListWideDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // A list view stretches each entry to its viewport.
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

// The design's client area, in twips.
constexpr int DesignWidth = 6090;
constexpr int DesignHeight = 7200;
// Arrange_Controls' margins, in twips: below the toolbar, and right of its tenth button.
constexpr int BelowToolbar = 50;
constexpr int RightOfToolbar = 150;

int pixels(int twipsValue) {
    return twipsValue / TwipsPerPixel;
}

// Debian's fonts are wider than the design's: a caption that would not fit its box gets a smaller
// font rather than a larger box. `reserved` is what the control needs beside its text.
void fitCaption(QWidget* control, const QString& text, int reserved,
                int flags = Qt::AlignLeft | Qt::AlignVCenter) {
    const QSize box(control->width() - reserved, control->height());
    if (box.width() > 0)
        control->setFont(fitting::font(control->font(), text, box, flags));
}

int indicatorSpace(const QWidget* control, QStyle::PixelMetric indicator) {
    const QStyle* style = control->style();
    return style->pixelMetric(indicator, nullptr, control) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control) + 2;
}

} // namespace

Maker_Frm::Maker_Frm(Forms& owner) : Form(owner, FormId::Maker) {
    setWindowTitle(QStringLiteral("10. Lumora Maker v0.4b by Corvath"));
    // A fixed border with a title bar and only the close box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(pixels(DesignWidth), pixels(DesignHeight));
    createControls();
    createToolbar();
    placeControls();
    wireControls();
}

Maker_Frm::~Maker_Frm() = default;

// Made in the order the window has always had them: the order gives the Tab chain's start and
// which control lies over which.
void Maker_Frm::createControls() {
    createBrowser();
    createOptions();
    createPictureList();
    createPreview();
    nameControls();
}

void Maker_Frm::createBrowser() {
    Drive1 = new VolumeList(forms_.desktop(), forms_.browserState(), this);
    Dir1 = new FolderList(this);
    File1 = new FileList(this);
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Add_Btn = new QPushButton(QStringLiteral("ADD"), this);
    Text1 = new HiddenTextField(this);
}

void Maker_Frm::createOptions() {
    Display_Fra = new QGroupBox(QStringLiteral("Display Mode"), this);
    Maintain_Opt = new QRadioButton(QStringLiteral("Maintain Dimentions"), Display_Fra);
    Strech_Opt = new QRadioButton(QStringLiteral("Strech to Fullscreen"), Display_Fra);
    Ratio_Chk = new QCheckBox(QStringLiteral("Keep Ratio"), Display_Fra);

    Delay_Fra = new QGroupBox(QStringLiteral("Delay"), this);
    Delay_Lbl = new QLabel(Delay_Fra);
    Delay_Lbl->setAlignment(Qt::AlignCenter);
    Delay_Scroll = new StepScrollBar(Qt::Horizontal, Delay_Fra);

    Colour_Fra = new QGroupBox(QStringLiteral("Background Colour"), this);
    Palette = new PalettePicker(Colour_Fra, false); // a click on the swatch chooses nothing here

    Music_Fra = new QGroupBox(QStringLiteral("Sound\\Music"), this);
    Music_Chk = new QPushButton(Music_Fra);
    Music_Chk->setCheckable(true);
    Music_Chk->setIcon(makerart::musicPicture());
    Music_Chk->setIconSize(QSize(16, 16));
    Music_Txt = new QLineEdit(Music_Fra);
    Music_Txt->setReadOnly(true);
    Music_Btn = new QPushButton(QStringLiteral("..."), Music_Fra);
}

void Maker_Frm::createPictureList() {
    List1Items = new PictureListModel(this);
    List1 = new QListView(this);
    List1->setModel(List1Items);
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Entries are whole paths: drawn elided at the left so that the file name always shows; the
    // tooltip and the accessible name give the whole path.
    List1->setTextElideMode(Qt::ElideLeft);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->setItemDelegate(new ListWideDelegate(List1));
    focus_mark::attach(*List1);
    cmdUp = new QPushButton(this);
    cmdUp->setIcon(makerart::upArrow());
    cmdUp->setIconSize(makerart::arrowSize());
    cmdDown = new QPushButton(this);
    cmdDown->setIcon(makerart::downArrow());
    cmdDown->setIconSize(makerart::arrowSize());
}

// The preview, the count, the hidden option boxes the toolbar mirrors, and the workers behind them.
void Maker_Frm::createPreview() {
    Image1 = new QLabel(this);
    Image1->setFrameShape(QFrame::Box);
    Image1->setScaledContents(true);
    Image2 = new QFrame(this);
    Image2->setFrameShape(QFrame::Box);
    Check1 = new QCheckBox(QStringLiteral("Show Thumbnail"), this);
    QFont small(QStringLiteral("Arial"));
    small.setPointSizeF(8.25);
    Check1->setFont(small);
    Check1->setChecked(true);
    Label1 = new QLabel(QStringLiteral("Pictures Loaded:"), this);
    Label2 = new QLabel(QStringLiteral("0"), this);
    Label2->setAlignment(Qt::AlignCenter);

    Loop_Chk = new QCheckBox(QStringLiteral("Loop"), this);
    Message_Chk = new QCheckBox(QStringLiteral("Message"), this);
    Shuff_Chk = new QCheckBox(QStringLiteral("Shuffle"), this);
    Loop_Chk->setChecked(true);
    Message_Chk->setChecked(true);
    for (QCheckBox* hidden : {Loop_Chk, Message_Chk, Shuff_Chk})
        hidden->hide();
    Dialog1 = new OpenSaveDialog(forms_.desktop(), this);
    options_ = {Maintain_Opt, Strech_Opt, Ratio_Chk, Delay_Lbl,   Delay_Scroll,
                Palette,      Shuff_Chk,  Loop_Chk,  Message_Chk, Music_Chk};
    options_.prepare();

    preview_ = new PreviewLoader(this);
    dragList_ = new DragList(*List1, this);
    listDrop_ = new ListDrop(
        *List1,
        [this](const QStringList& dropped) {
            return dropped_pictures::anyTaken(dropped, folder_listing::Pattern(File1->pattern()));
        },
        this);
}

void Maker_Frm::nameControls() {
    // Names for the controls that show no caption of their own.
    const std::pair<QWidget*, const char*> names[] = {
        {Drive1, "Volumes"},
        {Dir1, "Folders"},
        {File1, "Files"},
        {List1, "Picture list"},
        {cmdUp, "Move up"},
        {cmdDown, "Move down"},
        {Image1, "Preview"},
        {Image2, "Preview frame"},
        {Music_Chk, "Background music"},
        {Music_Txt, "Music file"},
        {Delay_Scroll, "Delay in seconds"},
        {Palette->Pal, "Palette"},
        {Palette->lbColor, "Colour under the pointer"},
        {Palette->Save_Colour, "Chosen colour"},
    };
    for (const auto& [control, name] : names)
        control->setAccessibleName(QLatin1String(name));
    // A label is read out by its name, so these keep their text (the delay, the count) as their name
    // and say what it is in the description.
    Delay_Lbl->setAccessibleDescription(QStringLiteral("Delay"));
    Label2->setAccessibleDescription(QStringLiteral("Pictures loaded"));
    const std::pair<QObject*, const char*> objectNames[] = {
        {Drive1, "Drive1"},
        {Dir1, "Dir1"},
        {File1, "File1"},
        {Add_Btn, "Add_Btn"},
        {Text1, "Text1"},
        {Display_Fra, "Display_Fra"},
        {Maintain_Opt, "Maintain_Opt"},
        {Strech_Opt, "Strech_Opt"},
        {Ratio_Chk, "Ratio_Chk"},
        {Delay_Fra, "Delay_Fra"},
        {Delay_Lbl, "Delay_Lbl"},
        {Delay_Scroll, "Delay_Scroll"},
        {Colour_Fra, "Colour_Fra"},
        {Music_Fra, "Music_Fra"},
        {Music_Chk, "Music_Chk"},
        {Music_Txt, "Music_Txt"},
        {Music_Btn, "Music_Btn"},
        {List1, "List1"},
        {cmdUp, "cmdUp"},
        {cmdDown, "cmdDown"},
        {Image1, "Image1"},
        {Image2, "Image2"},
        {Check1, "Check1"},
        {Label1, "Label1"},
        {Label2, "Label2"},
        {Loop_Chk, "Loop_Chk"},
        {Message_Chk, "Message_Chk"},
        {Shuff_Chk, "Shuff_Chk"},
        {Dialog1, "Dialog1"},
    };
    for (const auto& [object, name] : objectNames)
        object->setObjectName(QLatin1String(name));
}

void Maker_Frm::createToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAccessibleName(QStringLiteral("Toolbar"));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    struct Button {
        const char* key;
        const char* tip;
        bool check;
        bool pressed;
        QKeySequence::StandardKey standardKey;
        QKeyCombination ownKey;
    };
    // The keys users know for these actions where there is one; Clear empties the list as "New"
    // does elsewhere, and the toggles take their first letters (R for random order).
    static constexpr Button buttons[] = {
        {"Loop", "Loop the Lumora", true, true, QKeySequence::UnknownKey, Qt::CTRL | Qt::Key_L},
        {"Shuffle", "Shuffle the pictures in the Lumora", true, false, QKeySequence::UnknownKey,
         Qt::CTRL | Qt::Key_R},
        {"Message", "Display Pause Message", true, true, QKeySequence::UnknownKey, Qt::CTRL | Qt::Key_M},
        {nullptr, nullptr, false, false, QKeySequence::UnknownKey, {}},
        {"Clear", "Clear Loaded Images", false, false, QKeySequence::New, {}},
        {nullptr, nullptr, false, false, QKeySequence::UnknownKey, {}},
        {"Load", "Load Lumora", false, false, QKeySequence::Open, {}},
        {"Save", "Save Lumora", false, false, QKeySequence::Save, {}},
        {nullptr, nullptr, false, false, QKeySequence::UnknownKey, {}},
        {"Preview", "Preview Lumora", false, false, QKeySequence::UnknownKey, QKeyCombination(Qt::Key_F5)},
    };
    for (const Button& b : buttons) {
        if (!b.key) {
            Toolbar1->addSeparator();
            continue;
        }
        const QString key = QLatin1String(b.key);
        QAction* action = Toolbar1->addAction(makerart::toolbarPicture(key), key);
        action->setObjectName(key);
        action->setToolTip(QLatin1String(b.tip));
        action->setCheckable(b.check);
        action->setChecked(b.pressed);
        // The tooltip was set above, so the shortcut does not change it.
        action->setShortcut(b.standardKey != QKeySequence::UnknownKey ? QKeySequence(b.standardKey)
                                                                      : QKeySequence(b.ownKey));
        if (QWidget* button = Toolbar1->widgetForAction(action)) {
            button->setObjectName(key + QStringLiteral("_Button"));
            button->setAccessibleName(key);
            // A toolbar keeps its buttons out of the Tab chain; this one is the only way to most of
            // the maker's actions, so Tab reaches each of them and Space presses it.
            button->setFocusPolicy(Qt::TabFocus);
        }
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    }
}

QAction* Maker_Frm::toolbarButton(const QString& key) const {
    for (QAction* action : Toolbar1->actions())
        if (action->objectName() == key)
            return action;
    return nullptr;
}

void Maker_Frm::placeControls() {
    Toolbar1->setGeometry(twips::rect(0, 0, DesignWidth, 720));
    Drive1->setGeometry(twips::rect(120, 720, 3015, 315));
    Dir1->setGeometry(twips::rect(120, 1080, 3015, 1665));
    File1->setGeometry(twips::rect(3240, 720, 2775, 1650));
    Add_Btn->setGeometry(twips::rect(3285, 2430, 2670, 285));
    Text1->setGeometry(twips::rect(5160, 1560, 150, 375));
    Display_Fra->setGeometry(twips::rect(135, 2880, 2130, 1455));
    Maintain_Opt->setGeometry(twips::rect(180, 405, 1725, 285));
    Strech_Opt->setGeometry(twips::rect(180, 720, 1725, 285));
    Ratio_Chk->setGeometry(twips::rect(585, 1080, 1230, 240));
    Delay_Fra->setGeometry(twips::rect(2385, 2880, 1725, 1455));
    // The design's box is narrower than "60 Seconds" in Debian's fonts: the label takes the free room
    // on both sides of it, centred where the design has it.
    Delay_Lbl->setGeometry(twips::rect(135, 495, 1410, 285));
    Delay_Scroll->setGeometry(twips::rect(135, 945, 1455, 285));
    Colour_Fra->setGeometry(twips::rect(4230, 2880, 1770, 1455));
    Palette->Pal->setGeometry(twips::rect(135, 270, 1545, 810));
    Palette->lbColor->setGeometry(twips::rect(135, 1080, 1230, 285));
    Palette->Save_Colour->setGeometry(twips::rect(1400, 1080, 285, 285));
    Music_Fra->setGeometry(twips::rect(135, 4410, 5865, 735));
    Music_Chk->setGeometry(twips::rect(135, 270, 375, 330));
    Music_Txt->setGeometry(twips::rect(630, 270, 4740, 330));
    Music_Btn->setGeometry(twips::rect(5445, 270, 285, 330));
    List1->setGeometry(twips::rect(120, 5220, 3435, 1620));
    cmdUp->setGeometry(twips::rect(3600, 5265, 270, 765));
    cmdDown->setGeometry(twips::rect(3600, 6030, 270, 765));
    Image1->setGeometry(twips::rect(3960, 5220, 2055, 1590));
    Image2->setGeometry(twips::rect(3960, 5220, 2055, 1590));
    Check1->setGeometry(twips::rect(4230, 6885, 1620, 255));
    Label1->setGeometry(twips::rect(195, 6885, 1215, 255));
    Label2->setGeometry(twips::rect(1395, 6885, 375, 255));
    Loop_Chk->setGeometry(twips::rect(2970, 7650, 870, 195));
    Message_Chk->setGeometry(twips::rect(1890, 7650, 1005, 240));
    Shuff_Chk->setGeometry(twips::rect(3915, 7650, 870, 240));
    Dialog1->move(twips::rect(3240, 720, 0, 0).topLeft()); // over the file list, hidden as a component is

    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{Maintain_Opt, Strech_Opt})
        fitCaption(b, b->text(), indicatorSpace(b, QStyle::PM_ExclusiveIndicatorWidth));
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{Ratio_Chk, Check1})
        fitCaption(b, b->text(), indicatorSpace(b, QStyle::PM_IndicatorWidth));
    fitCaption(Label1, Label1->text(), 0);
    fitCaption(Add_Btn, Add_Btn->text(), 8, Qt::AlignCenter);

    // Tab order: the browser, the list, then the rest in the order they were made.
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, List1);
    setTabOrder(List1, Add_Btn);
}

void Maker_Frm::Arrange_Controls() {
    // The toolbar's real height moves everything below it down; its tenth button's right edge may
    // widen the window. Measured at the toolbar's full width, so that no button is in an overflow.
    Toolbar1->resize(std::max(width(), Toolbar1->sizeHint().width()), Toolbar1->sizeHint().height());
    Drive1->move(Drive1->x(), Toolbar1->height() + pixels(BelowToolbar));
    const int shift = Drive1->y() - File1->y();
    for (QWidget* w :
         std::initializer_list<QWidget*>{Music_Fra, Colour_Fra, Delay_Fra, cmdUp, cmdDown, List1, Image1,
                                         Image2, Check1, Add_Btn, Dir1, File1, Display_Fra, Label1, Label2})
        w->move(w->x(), w->y() + shift);
    setFixedHeight(height() + shift);

    QWidget* tenth = Toolbar1->widgetForAction(toolbarButton(QStringLiteral("Preview")));
    const int growth = pixels(RightOfToolbar) + (tenth ? tenth->geometry().right() + 1 : 0) - width();
    if (growth >= 0) {
        for (QWidget* w : std::initializer_list<QWidget*>{Music_Fra, Delay_Fra, List1, Add_Btn, File1,
                                                          Music_Txt, Delay_Lbl, Delay_Scroll})
            w->resize(w->width() + growth, w->height());
        for (QWidget* w :
             std::initializer_list<QWidget*>{Colour_Fra, cmdUp, cmdDown, Image1, Image2, Check1, Music_Btn})
            w->move(w->x() + growth, w->y());
        setFixedWidth(width() + growth);
    }
    Toolbar1->resize(width(), Toolbar1->height());
}

void Maker_Frm::showForm() {
    // Centred when it opens; shown again after a preview, it stays where the user put it.
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!placed_ && screen)
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry())
                 .topLeft());
    placed_ = true;
    Form::showForm();
}

void Maker_Frm::Form_Activate() {
    Arrange_Controls();
}
