#include "player/ShowSequence.h"

#include <QSet>
#include <QTest>

namespace {

// Loads succeed for the paths it is told are pictures and counts every attempt.
class FakeSource final : public PictureSource {
public:
    QSet<QString> good;
    QStringList attempts;
    QList<QStringList> plans;

    void planAhead(const QStringList& upcoming, const ShowGeometry&) override { plans << upcoming; }

    LoadedPicture load(const QString& path, const ShowGeometry&) override {
        attempts << path;
        LoadedPicture p;
        if (good.contains(path)) {
            p.ok = true;
            p.size = path.isEmpty() ? QSize(0, 0) : QSize(40, 30);
        }
        return p;
    }
};

struct Sequence {
    PlayerState state;
    FakeSource source;
    ShowSequence seq{state, source};

    Sequence(const QStringList& entries, const QStringList& good, bool loop) {
        seq.entries() = entries;
        seq.setScreen(QSize(800, 600));
        source.good = QSet<QString>(good.begin(), good.end());
        state.loop = loop;
    }
};

} // namespace

class SequenceTest : public QObject {
    Q_OBJECT
private slots:
    void timerStepsWrapAndEndWithoutLoop();
    void failedEntriesAreSkippedAtOnce();
    void loopingShowGivesUpAfterEveryEntryFailedOnce();
    void showWithoutLoopEndsQuietlyOnFailedLastEntry();
    void showWithoutLoopEndsAfterItsLastLoadablePicture();
    void arrowsWrapBothWaysAndStopAfterOneRound();
    void singleEntry();
    void planningHeldUntilLetGo();
    void removingTheCurrentEntry();
    void shufflePlaysEveryEntryOnce();
};

void SequenceTest::timerStepsWrapAndEndWithoutLoop() {
    Sequence s({"a", "b", "c"}, {"a", "b", "c"}, false);
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        const auto out = s.seq.Show_Pics();
        QCOMPARE(out.kind, StepOutcome::Shown);
        shown << s.state.currentPath;
    }
    QCOMPARE(shown, QStringList({"a", "b", "c"}));
    // Past the last picture the first one comes back, and the show is over.
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::ShownThenEnd);
    QCOMPARE(s.state.currentIndex, 0);

    Sequence looping({"a", "b"}, {"a", "b"}, true);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(looping.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(looping.state.currentPath, QStringLiteral("a"));
}

void SequenceTest::failedEntriesAreSkippedAtOnce() {
    Sequence s({"a", "x", "", "y", "b"}, {"a", "b"}, true);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::Shown);
    s.state.failedCount = 0;
    const auto out = s.seq.Show_Pics();
    QCOMPARE(out.kind, StepOutcome::Shown);
    QCOMPARE(s.state.currentPath, QStringLiteral("b"));
    QCOMPARE(s.source.attempts, QStringList({"a", "x", "", "y", "b"}));
    QCOMPARE(s.state.failedCount, 0);
}

void SequenceTest::loopingShowGivesUpAfterEveryEntryFailedOnce() {
    Sequence s({"x", "y", "z"}, {}, true);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::NoValidPictures);
    QCOMPARE(s.source.attempts.size(), 4); // n + 1 loads in a row

    // An empty picture cannot keep its ratio; that failure must count too, or the loop never ends.
    Sequence empty({"", ""}, {""}, true);
    empty.state.stretch = empty.state.keepRatio = true;
    QCOMPARE(empty.seq.Show_Pics().kind, StepOutcome::NoValidPictures);
}

void SequenceTest::showWithoutLoopEndsQuietlyOnFailedLastEntry() {
    Sequence s({"a", "b", "gone"}, {"a", "b"}, false);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::EndedQuietly);

    Sequence none({"x", "y"}, {}, false);
    QCOMPARE(none.seq.Show_Pics().kind, StepOutcome::EndedQuietly);
}

void SequenceTest::showWithoutLoopEndsAfterItsLastLoadablePicture() {
    // The first pictures are gone (deleted in an earlier run): leaving the last picture wraps past
    // them to the first that loads, and that ends the show instead of starting it again.
    struct Case {
        QStringList entries;
        QStringList good;
        QStringList shownBeforeEnd;
    };
    const Case cases[] = {
        {{"x", "a", "b"}, {"a", "b"}, {"a", "b"}},
        {{"x", "y", "a", "b"}, {"a", "b"}, {"a", "b"}},
        {{"x", "a", "y", "b"}, {"a", "b"}, {"a", "b"}},
        {{"x", "a"}, {"a"}, {"a"}},
    };
    for (const Case& c : cases) {
        Sequence s(c.entries, c.good, false);
        QStringList shown;
        StepOutcome::Kind kind;
        while ((kind = s.seq.Show_Pics().kind) == StepOutcome::Shown)
            shown << s.state.currentPath;
        QCOMPARE(shown, c.shownBeforeEnd);
        QCOMPARE(kind, StepOutcome::ShownThenEnd);
    }

    // Everything after the wrap failed as well (files deleted while the show ran): the step ends
    // quietly on the last entry, as a failed last entry always does.
    Sequence gone({"x", "a", "b"}, {"a", "b"}, false);
    gone.seq.Show_Pics();
    gone.seq.Show_Pics();
    gone.source.good.clear();
    QCOMPARE(gone.seq.Show_Pics().kind, StepOutcome::EndedQuietly);

    // A looping show still plays its round again.
    Sequence looping({"x", "a", "b"}, {"a", "b"}, true);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(looping.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(looping.state.currentPath, QStringLiteral("a"));
}

void SequenceTest::arrowsWrapBothWaysAndStopAfterOneRound() {
    Sequence s({"a", "b", "c"}, {"a", "b", "c"}, false);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(s.seq.Prev_Pic().kind, StepOutcome::Shown); // back from the first even without loop
    QCOMPARE(s.state.currentPath, QStringLiteral("c"));
    QCOMPARE(s.seq.Next_Pic().kind, StepOutcome::ShownThenEnd);

    Sequence holes({"a", "x", "c"}, {"a", "c"}, true);
    holes.seq.Show_Pics();
    QCOMPARE(holes.seq.Next_Pic().kind, StepOutcome::Shown);
    QCOMPARE(holes.state.currentPath, QStringLiteral("c"));
    QCOMPARE(holes.seq.Prev_Pic().kind, StepOutcome::Shown);
    QCOMPARE(holes.state.currentPath, QStringLiteral("a"));

    // Every file went away while the show ran: the arrows stop after trying each entry once.
    holes.source.good.clear();
    holes.source.attempts.clear();
    QCOMPARE(holes.seq.Next_Pic().kind, StepOutcome::NoValidPictures);
    QCOMPARE(holes.source.attempts.size(), 3);
    holes.source.attempts.clear();
    QCOMPARE(holes.seq.Prev_Pic().kind, StepOutcome::NoValidPictures);
    QCOMPARE(holes.source.attempts.size(), 3);
}

void SequenceTest::singleEntry() {
    Sequence s({"a"}, {"a"}, false);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(s.seq.Next_Pic().kind, StepOutcome::Nothing);
    QCOMPARE(s.seq.Prev_Pic().kind, StepOutcome::Nothing);
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::ShownThenEnd);
}

void SequenceTest::planningHeldUntilLetGo() {
    Sequence s({"a", "b", "c", "d"}, {"a", "b", "c", "d"}, true);
    s.seq.planAhead(+1, 1);
    QCOMPARE(s.source.plans, QList<QStringList>{{"a"}});
    s.seq.holdPlanning(true);
    s.seq.Show_Pics();
    s.seq.Prev_Pic();
    QCOMPARE(s.source.plans.size(), 1);
    // Let go: planned from where the show stands, in the direction of its last step.
    s.seq.holdPlanning(false);
    QCOMPARE(s.source.plans.last(), (QStringList{"c", "b", "a", "d"}));
    s.seq.Show_Pics();
    QCOMPARE(s.source.plans.last(), (QStringList{"b", "c", "d", "a"}));
    // Without loop, the show ends on the first picture after its last entry: nothing after that is
    // decoded for it.
    Sequence once({"a", "b", "c", "d"}, {"a", "b", "c", "d"}, false);
    for (int step = 0; step < 3; ++step)
        once.seq.Show_Pics();
    QCOMPARE(once.source.plans.last(), (QStringList{"d", "a"}));
    once.seq.Show_Pics();
    QCOMPARE(once.source.plans.last(), (QStringList{"a"}));
    // Held and let go without a step in between: nothing new to plan.
    const qsizetype plans = s.source.plans.size();
    s.seq.holdPlanning(true);
    s.seq.holdPlanning(false);
    QCOMPARE(s.source.plans.size(), plans);
}

void SequenceTest::removingTheCurrentEntry() {
    Sequence s({"a", "b", "c"}, {"a", "b", "c"}, false);
    s.seq.Show_Pics();
    s.seq.Show_Pics();
    QCOMPARE(s.seq.removeCurrent(), QStringLiteral("b"));
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::Shown);
    QCOMPARE(s.state.currentPath, QStringLiteral("c"));
    QCOMPARE(s.seq.entries().size(), 2);
    // Removing the last entry of a show without loop wraps to the first and ends.
    QCOMPARE(s.seq.removeCurrent(), QStringLiteral("c"));
    QCOMPARE(s.seq.Show_Pics().kind, StepOutcome::ShownThenEnd);
    QCOMPARE(s.state.currentPath, QStringLiteral("a"));
}

void SequenceTest::shufflePlaysEveryEntryOnce() {
    QStringList entries;
    for (int i = 0; i < 200; ++i)
        entries << QString::number(i % 150); // duplicates are separate entries
    Sequence s(entries, entries, false);
    s.seq.shuffle();
    QStringList sorted = s.seq.entries();
    QStringList original = entries;
    sorted.sort();
    original.sort();
    QCOMPARE(sorted, original);
    QVERIFY(s.seq.entries() != entries);

    Sequence other(entries, entries, false);
    other.seq.shuffle();
    QVERIFY(other.seq.entries() != s.seq.entries());

    QStringList played;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        s.seq.Show_Pics();
        played << s.state.currentPath;
    }
    QCOMPARE(played, s.seq.entries());
}

QTEST_APPLESS_MAIN(SequenceTest)
#include "test_sequence.moc"
