#include "ScriptedDesktop.h"
#include "controls/PalettePicker.h"
#include "controls/ShowOptions.h"
#include "dialogs/OpenSaveDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

Q_DECLARE_METATYPE(ShowSettings)

namespace {

// A window's option controls, made as a window makes them, with handlers that do what both
// windows' handlers do and count their calls.
struct Window {
    Window() {
        options = {new QRadioButton("Maintain Dimentions", &widget),
                   new QRadioButton("Strech to Fullscreen", &widget),
                   new QCheckBox("Keep Ratio", &widget),
                   new QLabel(&widget),
                   new QScrollBar(Qt::Horizontal, &widget),
                   new PalettePicker(&widget, false),
                   new QCheckBox("Shuffle", &widget),
                   new QCheckBox("Loop", &widget),
                   new QCheckBox("Message", &widget),
                   new QPushButton(&widget)};
        options.music->setCheckable(true);
        options.prepare();
        options.connectHandlers(&widget, {[this] { ++stretchClicks, options.followDisplayMode(); },
                                          [this] { ++maintainClicks, options.followDisplayMode(); },
                                          [this] { ++delayChanges, options.updateDelay(); },
                                          [this] { ++delayScrolls; }});
    }
    QWidget widget;
    show_options::Controls options;
    int stretchClicks = 0;
    int maintainClicks = 0;
    int delayChanges = 0;
    int delayScrolls = 0;
};

ShowSettings settingsOf(bool stretch, bool ratio, bool shuffle, int delay, qint32 colour, bool loop,
                        bool message, bool music) {
    return {stretch, ratio, shuffle, delay, colour, loop, message, music, QStringLiteral("/m/tune.mp3")};
}

QString described(const ShowSettings& s) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(s.stretch)
        .arg(s.keepRatio)
        .arg(s.shuffle)
        .arg(s.delaySeconds)
        .arg(s.backColour)
        .arg(s.loop)
        .arg(s.pauseMessage)
        .arg(s.useMusic)
        .arg(s.musicPath);
}

} // namespace

class ShowOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void delayInWords_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("words");
        QTest::newRow("0") << 0 << "Forever";
        QTest::newRow("1") << 1 << "1 Second";
        QTest::newRow("2") << 2 << "2 Seconds";
        QTest::newRow("5") << 5 << "5 Seconds";
        QTest::newRow("60") << 60 << "60 Seconds";
    }

    void delayInWords() {
        QFETCH(int, seconds);
        QFETCH(QString, words);
        QCOMPARE(show_options::delayText(seconds), words);
        Window w;
        w.options.delay->setValue(seconds);
        QCOMPARE(w.options.delayLabel->text(), words);
    }

    void designState() {
        Window w;
        QVERIFY(w.options.maintain->isChecked());
        QVERIFY(!w.options.ratio->isEnabled());
        QCOMPARE(w.options.delay->minimum(), 0);
        QCOMPARE(w.options.delay->maximum(), 60);
        QCOMPARE(w.options.delay->singleStep(), 1);
        QCOMPARE(w.options.delay->pageStep(), 1);
        QCOMPARE(w.options.delay->value(), 5);
        QCOMPARE(w.options.delayLabel->text(), "5 Seconds");
    }

    // Set from a show's settings, the controls give the same settings back; each change runs its
    // handler, and Keep Ratio is offered exactly while stretching, keeping its mark either way.
    void settingsRoundTripThroughTheControls_data() {
        QTest::addColumn<ShowSettings>("settings");
        QTest::newRow("all on") << settingsOf(true, true, true, 60, 255, true, true, true);
        QTest::newRow("all off") << settingsOf(false, false, false, 0, 0, false, false, false);
        QTest::newRow("own size, ratio kept")
            << settingsOf(false, true, false, 1, 16711680, true, false, true);
        QTest::newRow("stretch, ratio off")
            << settingsOf(true, false, true, 7, qint32(0x8000000F), false, true, false);
    }

    void settingsRoundTripThroughTheControls() {
        QFETCH(ShowSettings, settings);
        Window w;
        w.options.setSettings(settings);
        QCOMPARE(described(w.options.settings(settings.musicPath)), described(settings));
        QCOMPARE(w.options.ratio->isEnabled(), settings.stretch);
        QCOMPARE(w.options.delayLabel->text(), show_options::delayText(settings.delaySeconds));
        QCOMPARE(w.stretchClicks, settings.stretch ? 1 : 0);
        QCOMPARE(w.maintainClicks, 0); // already selected by design
        QCOMPARE(w.delayChanges, settings.delaySeconds == 5 ? 0 : 1);

        // The other display mode, chosen by the user.
        QRadioButton* other = settings.stretch ? w.options.maintain : w.options.stretch;
        QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(5, other->height() / 2));
        QCOMPARE(w.options.ratio->isEnabled(), !settings.stretch);
        QCOMPARE(w.options.settings(QString()).keepRatio, settings.keepRatio);
        QCOMPARE(w.options.settings(QString()).stretch, !settings.stretch);
    }

    void draggingTheThumbRunsTheScrollHandler() {
        Window w;
        w.widget.resize(300, 100);
        w.options.delay->setGeometry(0, 0, 200, 20);
        w.widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
        w.options.delay->setSliderDown(true);
        w.options.delay->setSliderPosition(30);
        w.options.delay->setSliderDown(false);
        QCOMPARE(w.delayScrolls, 1);
        QCOMPARE(w.options.delayLabel->text(), "30 Seconds");
    }

    // Cancelled: nothing. Chosen: the file. A path a show file cannot hold: the window's refusal,
    // and nothing.
    void musicChooser_data() {
        QTest::addColumn<QStringList>("reply");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<bool>("refused");
        QTest::newRow("cancelled") << QStringList() << QString() << false;
        QTest::newRow("chosen") << QStringList{"/m/a, b=c.mid"} << "/m/a, b=c.mid" << false;
        QTest::newRow("quoted") << QStringList{"/m/say \"hi\".mp3"} << QString() << true;
    }

    void musicChooser() {
        QFETCH(QStringList, reply);
        QFETCH(QString, taken);
        QFETCH(bool, refused);
        ScriptedDesktop desktop;
        QWidget window;
        OpenSaveDialog dialog(desktop, &window);
        dialog.setFileName("/old/file.mp3");
        desktop::FileRequest asked;
        desktop.expectFileDialog([&](const desktop::FileRequest& r) {
            asked = r;
            return desktop::FileReply{!reply.isEmpty(), reply};
        });
        if (refused)
            desktop.expectMessage("Refused", "no: " + reply.value(0), desktop::Icon::Exclamation,
                                  desktop::Buttons::Ok);
        const auto chosen = show_options::chooseMusic(dialog, desktop, &window, [](const QString& path) {
            return desktop::MessageBox{"no: " + path, "Refused", desktop::Icon::Exclamation,
                                       desktop::Buttons::Ok};
        });
        desktop.verifyDone();
        QCOMPARE(chosen.value_or(QString()), taken);
        QCOMPARE(chosen.has_value(), !taken.isEmpty());
        QCOMPARE(asked.title, "Load Music File");
        QCOMPARE(asked.save, false);
        QCOMPARE(asked.nameFilters,
                 (QStringList{"All Supported Files (*.mp3,*.wav,*.mid) (*.mp3 *.wav *.mid)",
                              "All Files (*.*) (*)"}));
    }

    void releasedOverCountsTheEdges_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("over");
        QTest::newRow("top left corner") << QPoint(0, 0) << true;
        QTest::newRow("bottom right edge") << QPoint(28, 28) << true;
        QTest::newRow("middle") << QPoint(14, 10) << true;
        QTest::newRow("left of it") << QPoint(-1, 10) << false;
        QTest::newRow("above it") << QPoint(10, -1) << false;
        QTest::newRow("right of it") << QPoint(29, 10) << false;
        QTest::newRow("below it") << QPoint(10, 29) << false;
    }

    void releasedOverCountsTheEdges() {
        QFETCH(QPoint, at);
        QFETCH(bool, over);
        QWidget box;
        box.resize(28, 28);
        QCOMPARE(show_options::releasedOver(&box, at), over);
    }
};

QTEST_MAIN(ShowOptionsTest)
#include "test_showoptions.moc"
