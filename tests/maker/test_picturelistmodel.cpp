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
        model.appendPaths({"/p/b.jpg", "/p/c, with comma.jpg", "/p/b.jpg"});
        model.appendEntries({PictureEntry{"/p/d.gif", -7}, PictureEntry{"", 2147483647}});
        model.appendPaths({});
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.paths(),
                 QStringList({"/p/a.jpg", "/p/b.jpg", "/p/c, with comma.jpg", "/p/b.jpg", "/p/d.gif", ""}));
        QCOMPARE(model.data(model.index(4), Qt::DisplayRole).toString(), "/p/d.gif");
        QCOMPARE(model.data(model.index(4), Qt::UserRole).toInt(), -7);
        QCOMPARE(model.data(model.index(5), Qt::UserRole).toInt(), 2147483647);
        QCOMPARE(model.data(model.index(0), Qt::UserRole).toInt(), 0);
        QVERIFY(!model.data(model.index(0), Qt::DecorationRole).isValid());
        QCOMPARE(model.rowCount(model.index(0)), 0);

        QVERIFY(model.moveEntry(0, 5));
        QVERIFY(model.moveEntry(4, 1));
        QVERIFY(model.moveEntry(2, 2));
        QVERIFY(!model.moveEntry(0, 6));
        QVERIFY(!model.moveEntry(-1, 0));
        QCOMPARE(model.paths(),
                 QStringList({"/p/b.jpg", "", "/p/c, with comma.jpg", "/p/b.jpg", "/p/d.gif", "/p/a.jpg"}));
        QCOMPARE(model.entry(1).itemData, 2147483647);

        QVERIFY(model.removeRows(1, 2));
        QVERIFY(!model.removeRows(2, 5));
        QVERIFY(!model.removeRows(-1, 1));
        QVERIFY(!model.removeRows(0, 0));
        QVERIFY(!model.removeRows(0, 1, model.index(0)));
        QCOMPARE(model.paths(), QStringList({"/p/b.jpg", "/p/b.jpg", "/p/d.gif", "/p/a.jpg"}));
        QVERIFY(model.removeRow(3));
        QCOMPARE(model.count(), 3);

        model.clear();
        QCOMPARE(model.rowCount(), 0);
        model.clear();
        QVERIFY(model.paths().isEmpty());
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
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 99999);
        model.append("/last.jpg", 5);
        QCOMPARE(model.count(), 100001);
        QCOMPARE(model.entry(99999).path, "/pictures/99999.jpg");
        QCOMPARE(model.data(model.index(100000), Qt::UserRole).toInt(), 5);
        QCOMPARE(model.paths().size(), 100001);
        QVERIFY(model.removeRows(40000, 60000));
        QCOMPARE(model.entry(40000).path, "/last.jpg");
    }
};

QTEST_MAIN(TestPictureListModel)
#include "test_picturelistmodel.moc"
