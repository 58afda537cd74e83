// The row reducer against the area average worked out here in doubles, pixel by pixel: the largest
// difference of any channel, so that one wrong column cannot hide in a mean. Widths and parts that
// leave the vector loop a tail (the last columns that are not a whole group of four) and rows in order
// and not.
#include "picture/reduce/RowReducer.h"

#include <QTest>

#include <cmath>
#include <vector>

class RowReducerTest : public QObject {
    Q_OBJECT
private slots:
    void wantedRowsAndColumnsAreThoseItTakes_data();
    void wantedRowsAndColumnsAreThoseItTakes();
    void reducedPixelsAreTheAreaAverage_data();
    void reducedPixelsAreTheAreaAverage();
};

namespace {

enum class Kind { Uniform, Gradient };

// A semi-transparent picture: one colour, or colour and alpha changing in both directions.
QRgb pixelOf(Kind kind, int x, int y) {
    if (kind == Kind::Uniform)
        return qRgba(200, 120, 40, 100);
    return qRgba((x * 37 + y * 11) % 256, (x * 91 + 50) % 256, (y * 53 + 7) % 256,
                 30 + (x * 29 + y * 17) % 220);
}

// The area average of the source's premultiplied pixels, those outside [from, to) of each row left
// transparent black as RowReducer::put takes them, as 0xAARRGGBB premultiplied, rounded.
std::vector<double> expected(Kind kind, QSize source, QSize target, int from, int to) {
    std::vector<double> out(size_t(target.width()) * target.height() * 4, 0.0);
    const double sx = double(source.width()) / target.width(), sy = double(source.height()) / target.height();
    for (int oy = 0; oy < target.height(); ++oy)
        for (int ox = 0; ox < target.width(); ++ox) {
            double sum[4] = {};
            const double x0 = ox * sx, x1 = (ox + 1) * sx, y0 = oy * sy, y1 = (oy + 1) * sy;
            for (int y = int(y0); y < std::min<double>(y1, source.height()); ++y)
                for (int x = int(x0); x < std::min<double>(x1, source.width()); ++x) {
                    const double w = (std::min(x1, x + 1.0) - std::max(x0, double(x))) *
                                     (std::min(y1, y + 1.0) - std::max(y0, double(y)));
                    if (w <= 0 || x < from || x >= to)
                        continue;
                    const QRgb p = pixelOf(kind, x, y);
                    const double a = qAlpha(p);
                    sum[0] += w * qRed(p) * a / 255;
                    sum[1] += w * qGreen(p) * a / 255;
                    sum[2] += w * qBlue(p) * a / 255;
                    sum[3] += w * a;
                }
            for (int i = 0; i < 4; ++i)
                out[(size_t(oy) * target.width() + ox) * 4 + i] = sum[i] / (sx * sy);
        }
    return out;
}

} // namespace

void RowReducerTest::reducedPixelsAreTheAreaAverage_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    const struct {
        QSize source, target;
        int from, to;
    } cases[] = {
        {{6, 5}, {4, 3}, 0, 6},    {{7, 9}, {3, 4}, 0, 7},    {{30, 11}, {7, 5}, 0, 30},
        {{30, 11}, {7, 5}, 1, 30}, {{30, 11}, {7, 5}, 3, 26}, {{30, 11}, {13, 4}, 2, 29},
        {{7, 9}, {5, 4}, 1, 6},    {{6, 5}, {5, 5}, 3, 6},    {{30, 8}, {1, 1}, 5, 30},
    };
    for (const auto& c : cases)
        for (const Kind kind : {Kind::Uniform, Kind::Gradient})
            QTest::addRow("%s %dx%d to %dx%d, columns %d to %d",
                          kind == Kind::Uniform ? "uniform" : "gradient", c.source.width(), c.source.height(),
                          c.target.width(), c.target.height(), c.from, c.to)
                << int(kind) << c.source << c.target << c.from << c.to;
}

void RowReducerTest::reducedPixelsAreTheAreaAverage() {
    QFETCH(int, kind);
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    QFETCH(int, from);
    QFETCH(int, to);
    const std::vector<double> wanted = expected(Kind(kind), source, target, from, to);
    // Rows top to bottom, and in an order of their own (bottom up, every other first).
    for (const bool inOrder : {true, false}) {
        RowReducer rows = RowReducer::reducing(source, target, true, inOrder);
        std::vector<int> order;
        for (int y = 0; y < source.height(); ++y)
            order.push_back(y);
        if (!inOrder) {
            order.clear();
            for (int y = source.height() - 1; y >= 0; y -= 2)
                order.push_back(y);
            for (int y = source.height() - 2; y >= 0; y -= 2)
                order.push_back(y);
        }
        std::vector<QRgb> row(size_t(source.width()));
        for (const int y : order) {
            for (int x = 0; x < source.width(); ++x)
                row[size_t(x)] = x >= from && x < to ? pixelOf(Kind(kind), x, y) : 0;
            rows.put(y, row.data(), from, to);
        }
        const QImage got = rows.take();
        QCOMPARE(got.size(), target);
        QCOMPARE(got.format(), QImage::Format_ARGB32_Premultiplied);
        double largest = 0;
        QString where;
        for (int oy = 0; oy < target.height(); ++oy)
            for (int ox = 0; ox < target.width(); ++ox) {
                const QRgb p = reinterpret_cast<const QRgb*>(got.constScanLine(oy))[ox];
                const int channels[4] = {qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
                for (int i = 0; i < 4; ++i) {
                    const double e =
                        std::abs(channels[i] - wanted[(size_t(oy) * target.width() + ox) * 4 + i]);
                    if (e > largest) {
                        largest = e;
                        where =
                            QString("(%1, %2) channel %3, in order %4").arg(ox).arg(oy).arg(i).arg(inOrder);
                    }
                }
            }
        // Rounded once, with a little of the float sums' error.
        QVERIFY2(largest <= 1.0, qPrintable(QString("difference %1 at %2").arg(largest).arg(where)));
    }
}

void RowReducerTest::wantedRowsAndColumnsAreThoseItTakes_data() {
    QTest::addColumn<bool>("reducing");
    QTest::addColumn<QRect>("part");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    const QSize source(40, 30);
    QTest::newRow("part inside") << false << QRect(5, 7, 10, 12) << 30 << 40;
    QTest::newRow("part over the rows a reader has") << false << QRect(5, 7, 10, 12) << 10 << 12;
    QTest::newRow("part below them") << false << QRect(5, 20, 10, 5) << 10 << 40;
    QTest::newRow("part at the edges") << false << QRect(QPoint(0, 0), source) << 30 << 40;
    QTest::newRow("reduced") << true << QRect() << 30 << 40;
    QTest::newRow("reduced, fewer rows") << true << QRect() << 12 << 25;
}

// The rows and columns it names are exactly those it takes, so that a reader reading only them
// loses nothing and does no more.
void RowReducerTest::wantedRowsAndColumnsAreThoseItTakes() {
    QFETCH(bool, reducing);
    QFETCH(QRect, part);
    QFETCH(int, height);
    QFETCH(int, width);
    const QSize source(40, 30);
    const RowReducer rows = reducing ? RowReducer::reducing(source, QSize(9, 7), false, true)
                                     : RowReducer::keeping(source, part, false);
    const RowReducer::Rows wanted = rows.wantedRows(height);
    for (int y = -2; y < height + 2; ++y)
        QCOMPARE(y >= wanted.first && y <= wanted.last, y >= 0 && y < height && rows.wants(y));
    // Readers whose rows come from the top read up to the last one wanted: none when none is.
    QVERIFY(!wanted.empty() || wanted.last < 0);
    const RowReducer::Columns columns = rows.wantedColumns(width);
    const int from = std::max(rows.firstColumn(), 0), to = std::min(rows.endColumn(), width);
    QCOMPARE(columns.from, std::min(from, width));
    QCOMPARE(columns.to, std::max(to, columns.from));
}

QTEST_MAIN(RowReducerTest)
#include "test_rowreducer.moc"
