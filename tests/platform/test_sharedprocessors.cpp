#include "platform/SharedProcessors.h"

#include <QTest>

#include <sched.h>

namespace {

int processorsOfThisThread() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
}

} // namespace

class SharedProcessorsTest : public QObject {
    Q_OBJECT
private slots:
    void aDecodeBesideAnotherIsHeldOnOneProcessor();
};

void SharedProcessorsTest::aDecodeBesideAnotherIsHeldOnOneProcessor() {
    const int all = processorsOfThisThread();
    if (all < 2)
        QSKIP("one processor: nothing to share");
    {
        // Alone: the library may use every processor.
        const SharedProcessors first;
        QVERIFY(!first.held());
        QCOMPARE(processorsOfThisThread(), all);
        {
            const SharedProcessors second;
            QVERIFY(second.held());
            QCOMPARE(processorsOfThisThread(), 1);
        }
        QCOMPARE(processorsOfThisThread(), all);
    }
    // Every decode over: the next one is alone again.
    const SharedProcessors again;
    QVERIFY(!again.held());
}

QTEST_GUILESS_MAIN(SharedProcessorsTest)
#include "test_sharedprocessors.moc"
