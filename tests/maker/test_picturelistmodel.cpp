#include "maker/PictureListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class TestPictureListModel : public QObject {
    Q_OBJECT

private slots:
    // Every change goes past Qt's own model checker, which fails the test on a broken notification.
    void changesKeepTheModelConsistent() {
        PictureListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.append("/p/a.jpg");
        model.appendPaths({"/p/b.jpg", "/p/c, d.jpg"});
        model.appendEntries({PictureEntry{"/p/b.jpg", -7}, PictureEntry{"", 2147483647}});
        QCOMPARE(model.paths(), QStringList({"/p/a.jpg", "/p/b.jpg", "/p/c, d.jpg", "/p/b.jpg", ""}));
        QCOMPARE(model.data(model.index(3)).toString(), "/p/b.jpg");
        QCOMPARE(model.data(model.index(3), Qt::UserRole).toInt(), -7);
        QCOMPARE(model.data(model.index(0), Qt::UserRole).toInt(), 0);

        QVERIFY(model.moveEntry(0, 4) && model.moveEntry(3, 0));
        QVERIFY(!model.moveEntry(0, 5) && !model.moveEntry(-1, 0));
        QCOMPARE(model.paths(), QStringList({"", "/p/b.jpg", "/p/c, d.jpg", "/p/b.jpg", "/p/a.jpg"}));
        QCOMPARE(model.entry(0).itemData, 2147483647);

        QVERIFY(model.removeRows(1, 2));
        QVERIFY(!model.removeRows(2, 2) && !model.removeRows(-1, 1) && !model.removeRows(0, 0));
        QCOMPARE(model.paths(), QStringList({"", "/p/b.jpg", "/p/a.jpg"}));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    // Adding many files is one insertion for the views, and nothing stops at 16 bits.
    void bulkAppendIsOneInsertion() {
        PictureListModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QStringList paths;
        for (int i = 0; i < 100000; ++i)
            paths << QStringLiteral("/pictures/%1.jpg").arg(i);
        model.appendPaths(paths);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(2).toInt(), 99999);
        QCOMPARE(model.entry(99999).path, "/pictures/99999.jpg");
        QCOMPARE(model.paths(), paths);
    }
};

QTEST_MAIN(TestPictureListModel)
#include "test_picturelistmodel.moc"
