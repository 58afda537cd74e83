#include "maker/MakerShow.h"

#include <QTest>

namespace {

// A show file's text: each line quoted and ended by CR LF, as the writers write it.
QString quoted(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += u'"' + line + QStringLiteral("\"\r\n");
    return text;
}

const QStringList standard{"Strech=True", "Ratio=0",   "Shuff=1",    "Delay=12",        "BackCol=255",
                           "Loop=0",      "Message=0", "UseMusic=1", "Music=/m/a=b.mp3"};

// Options unlike every value the files below set, so that a slot that was taken shows.
ShowSettings before() {
    ShowSettings s;
    s.stretch = false;
    s.keepRatio = true;
    s.shuffle = false;
    s.delaySeconds = 5;
    s.backColour = 0;
    s.loop = true;
    s.pauseMessage = true;
    s.useMusic = false;
    s.musicPath = QStringLiteral("/old.mid");
    return s;
}

QStringList replaced(QStringList lines, int slot, const QString& line) {
    lines[slot - 1] = line;
    return lines;
}

} // namespace

class TestMakerShow : public QObject {
    Q_OBJECT

private slots:
    void savePaths_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("lacks");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain name") << "/s/holiday" << true << "/s/holiday.lmr";
        QTest::newRow("upper-case extension") << "/s/Holiday.LMR" << false << "/s/Holiday.LMR";
        QTest::newRow("other extension") << "/s/holiday.txt" << true << "/s/holiday.txt.lmr";
        QTest::newRow("extension alone") << ".lmr" << false << ".lmr";
        QTest::newRow("shorter than the extension") << "lmr" << true << "lmr.lmr";
    }
    void savePaths() {
        QFETCH(QString, chosen);
        QFETCH(bool, lacks);
        QFETCH(QString, written);
        QCOMPARE(maker_show::Lacks_Extension(chosen, QStringLiteral(".lmr")), lacks);
        QCOMPARE(maker_show::savePath(chosen), written);
    }

    void takesAWholeShow() {
        const auto loaded = maker_show::take(
            show_file::parse(quoted(standard + QStringList{"/p/a,b.jpg", "", "/p/c.jpg"})), before());
        QVERIFY(loaded.ok);
        const ShowSettings& o = loaded.options;
        QCOMPARE(o.stretch, true);
        QCOMPARE(o.keepRatio, false);
        QCOMPARE(o.shuffle, true);
        QCOMPARE(o.delaySeconds, 12);
        QCOMPARE(o.backColour, 255);
        QCOMPARE(o.loop, false);
        QCOMPARE(o.pauseMessage, false);
        QCOMPARE(o.useMusic, true);
        QCOMPARE(o.musicPath, QStringLiteral("/m/a=b.mp3"));
        // A comma inside quotes and an empty line both stay entries of their own.
        QCOMPARE(loaded.pictures, (QStringList{"/p/a,b.jpg", "", "/p/c.jpg"}));
    }

    // Which options a file changes, which fields become pictures, and where a load fails.
    void takesWhatItCan_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("optionsTaken"); // slots 1..n set their options (unrecognised ones aside)
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<int>("delay");

        QTest::newRow("unknown stretch word is a picture")
            << quoted(replaced(standard, 1, "Strech=Maybe") + QStringList{"/p/a.jpg"}) << true << 9
            << QStringList{"Strech=Maybe", "/p/a.jpg"} << 12;
        QTest::newRow("delay rounds halves to even")
            << quoted(replaced(standard, 4, "Delay=2.5")) << true << 9 << QStringList{} << 2;
        QTest::newRow("delay 60.4 rounds into range")
            << quoted(replaced(standard, 4, "Delay=60.4")) << true << 9 << QStringList{} << 60;
        QTest::newRow("delay beyond 60 fails at its slot")
            << quoted(replaced(replaced(standard, 2, "x.jpg"), 4, "Delay=70") + QStringList{"/p/a.jpg"})
            << false << 3 << QStringList{"x.jpg"} << 5;
        QTest::newRow("negative delay fails")
            << quoted(replaced(standard, 4, "Delay=-1")) << false << 3 << QStringList{} << 5;
        QTest::newRow("delay not a number fails")
            << quoted(replaced(standard, 4, "Delay=soon") + QStringList{"/p/a.jpg"}) << false << 3
            << QStringList{} << 5;
        QTest::newRow("colour no show can use fails at its slot")
            << quoted(replaced(standard, 5, "BackCol=16777216") + QStringList{"/p/a.jpg"}) << false << 4
            << QStringList{} << 12;
        QTest::newRow("system colour is taken")
            << quoted(replaced(standard, 5, "BackCol=-2147483633")) << true << 9 << QStringList{} << 12;
        QTest::newRow("eight lines fail after taking them")
            << quoted(standard.mid(0, 8)) << false << 8 << QStringList{} << 12;
        QTest::newRow("bare paths are all pictures")
            << quoted({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}) << true << 0
            << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"} << 5;
    }
    void takesWhatItCan() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, optionsTaken);
        QFETCH(QStringList, pictures);
        QFETCH(int, delay);
        const auto loaded = maker_show::take(show_file::parse(text), before());
        QCOMPARE(loaded.ok, ok);
        QCOMPARE(loaded.pictures, pictures);
        QCOMPARE(loaded.options.delaySeconds, delay);
        const ShowSettings& o = loaded.options;
        const ShowSettings old = before();
        // Slot 1 is recognised in every row that takes it except the Maybe row, whose stretch stays.
        const bool stretchTaken = optionsTaken >= 1 && !text.contains(QLatin1String("Maybe"));
        QCOMPARE(o.stretch, stretchTaken ? true : old.stretch);
        QCOMPARE(o.shuffle, optionsTaken >= 3 ? true : old.shuffle);
        QCOMPARE(o.backColour, optionsTaken >= 5
                                   ? (text.contains(QLatin1String("-2147483633")) ? -2147483633 : 255)
                                   : old.backColour);
        QCOMPARE(o.loop, optionsTaken >= 6 ? false : old.loop);
        QCOMPARE(o.useMusic, optionsTaken >= 8 ? true : old.useMusic);
        QCOMPARE(o.musicPath, optionsTaken >= 9 ? QStringLiteral("/m/a=b.mp3") : old.musicPath);
    }
};

QTEST_GUILESS_MAIN(TestMakerShow)
#include "test_makershow.moc"
