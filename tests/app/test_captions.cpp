// Every label, check box, option button and frame title of every window shows its whole text, in
// the states that change it. Run at device pixel ratio 1 and 2, where fonts are laid out differently.
#include "MakerDriver.h"
#include "PlayerDriver.h"
#include "SetupDriver.h"
#include "ShowFixture.h"
#include "app/MENU_Frm.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/PictureButton.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "maker/Maker_Frm.h"
#include "maker/PictureListModel.h"
#include "player/Main_Frm.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>

namespace {

QString plain(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// How far the text of `control` runs past the room its control gives it, in pixels; 0 or less when
// it shows whole.
qreal overflow(const QWidget* control) {
    const QFontMetricsF metrics(control->font(), const_cast<QWidget*>(control));
    const QStyle* style = control->style();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
            return 0;
        const int m = label->margin();
        const QRectF room = QRectF(label->contentsRect()).adjusted(m, m, -m, -m);
        const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
        const QRectF used = metrics.boundingRect(room, flags, label->text());
        // A line too tall for the box loses none of its letters unless the text runs onto more lines.
        const bool lines = label->wordWrap() || label->text().contains(u'\n');
        return std::max(used.width() - room.width(), lines ? used.height() - room.height() : 0.0);
    }
    if (const auto* button = qobject_cast<const PictureButton*>(control)) {
        const QRectF room = button->captionRect();
        const QRectF used =
            QFontMetricsF(button->captionFont(), const_cast<PictureButton*>(button))
                .boundingRect(room, Qt::AlignHCenter | Qt::TextWordWrap, plain(button->text()));
        return std::max(used.width() - room.width(), used.height() - room.height());
    }
    const bool radio = qobject_cast<const QRadioButton*>(control);
    if (radio || qobject_cast<const QCheckBox*>(control)) {
        const auto* button = static_cast<const QAbstractButton*>(control);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = style->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
        return metrics.horizontalAdvance(plain(button->text())) - (button->width() - room.left());
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.textAlignment = frame->alignment();
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        return title.left() + metrics.horizontalAdvance(plain(frame->title())) - frame->width();
    }
    return 0;
}

} // namespace

class CaptionsTest : public QObject {
    Q_OBJECT

    ShowFixture* f_ = nullptr;
    QStringList cut_;

    // Notes every caption of `window` that is cut in the state `state`.
    void look(QWidget* window, const QString& state) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(window))
                continue;
            if (const qreal by = overflow(control); by > 0.01) {
                const QString text = control->property("text").toString();
                cut_ << QStringLiteral("%1 %2 (%3): \"%4\" by %5 px")
                            .arg(window->objectName().isEmpty() ? window->metaObject()->className()
                                                                : window->objectName(),
                                 control->objectName(), state,
                                 text.isEmpty() ? control->property("title").toString() : text)
                            .arg(by, 0, 'f', 1);
            }
        }
    }
    void verifyNothingCut() {
        const QStringList cut = std::exchange(cut_, {});
        for (const QString& c : cut)
            qWarning("cut: %s", qPrintable(c));
        QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("%1 captions cut").arg(cut.size())));
    }
    template <typename W> W* open(FormId id) {
        auto* w = qobject_cast<W*>(f_->forms->show(id));
        if (!w || !QTest::qWaitForWindowExposed(w))
            qFatal("window %d never came up", int(id));
        return w;
    }
    // A folder of `count` pictures (empty files: only their names are listed).
    QString folderOf(int count) {
        const QString folder = f_->path(QString::number(count));
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i)
            QFile(folder + QStringLiteral("/%1.jpg").arg(i)).open(QIODevice::WriteOnly);
        return folder;
    }

private slots:
    void init() { f_ = new ShowFixture; }
    void cleanup() {
        f_->desktop.verifyDone();
        delete f_;
        f_ = nullptr;
    }

    void menuAndAbout() {
        f_->start();
        look(open<MENU_Frm>(FormId::Menu), "shown");
        look(open<QWidget>(FormId::About), "shown");
        verifyNothingCut();
    }

    void setup() {
        SetupDriver setup(open<Setup_Frm>(FormId::Setup));
        setup.setDelay(0);
        for (int value = 0; value <= 60; ++value) {
            if (value > 0)
                QTest::keyClick(setup.delayBar(), Qt::Key_Right);
            look(setup.window(), QStringLiteral("delay %1").arg(value));
        }
        setup.setStretch(true);
        for (int count : {0, 1000, 10000}) {
            setup.chooseFolder(folderOf(count));
            for (bool subfolders : {false, true}) {
                if (setup.subfolders() != subfolders)
                    setup.toggleSubfolders();
                look(setup.window(), QStringLiteral("%1 files, subfolders %2").arg(count).arg(subfolders));
            }
        }
        verifyNothingCut();
    }

    void search() {
        // Not loaded, so that no walk starts: only its label is looked at.
        Search_Frm search(*f_->forms);
        search.show();
        QVERIFY(QTest::qWaitForWindowExposed(&search));
        search.Dir1_Change(QStringLiteral("/home/someone/Pictures/Holiday 2024/Sub one"));
        look(&search, "walking");
        verifyNothingCut();
    }

    void maker() {
        MakerDriver maker(open<Maker_Frm>(FormId::Maker));
        maker->Form_Activate(); // arranged as on screen
        maker.setDelay(0);
        for (int value = 0; value <= 60; ++value) {
            if (value > 0)
                QTest::keyClick(maker.delayBar(), Qt::Key_Right);
            look(maker.window(), QStringLiteral("delay %1").arg(value));
        }
        maker.setStretch(true);
        for (int count : {1, 1000, 100000, 1000000}) {
            maker.model().clear();
            maker.given(QStringList(count, QStringLiteral("/p.jpg")));
            maker->Update_Count();
            look(maker.window(), QStringLiteral("%1 pictures").arg(count));
        }
        maker.model().clear();
        maker->Update_Count();
        maker.setThumbnails(false);
        look(maker.window(), "no thumbnails");
        verifyNothingCut();
        maker->close();
    }

    void player() {
        PlayerDriver player =
            f_->play(f_->show("show.lmr", plainSettings(true), {f_->picture("a.bmp", Qt::red)}));
        QVERIFY(player);
        QTest::keyClick(player, Qt::Key_Space);
        QVERIFY(player.paused());
        look(player, "paused");
        verifyNothingCut();
        QTest::keyClick(player, Qt::Key_Escape);
    }
};

QTEST_MAIN(CaptionsTest)
#include "test_captions.moc"
