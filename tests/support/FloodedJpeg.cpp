#include "FloodedJpeg.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>

namespace flooded_jpeg {

namespace {

struct Segment {
    uchar marker;
    qsizetype from, to; // [from, to) including the marker and, for a scan, its data
};

QList<Segment> segments(const QByteArray& jpeg) {
    QList<Segment> out;
    const auto byte = [&](qsizetype i) { return uchar(jpeg.at(i)); };
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && byte(i) == 0xff) {
        const uchar marker = byte(i + 1);
        if (marker == 0xd9)
            break;
        qsizetype end = i + 2 + (byte(i + 2) << 8 | byte(i + 3));
        if (marker ==
            0xda) // the entropy-coded data runs to the next marker that is not a stuffed byte or a restart
            while (end + 1 < jpeg.size() && !(byte(end) == 0xff && byte(end + 1) != 0 &&
                                              (byte(end + 1) < 0xd0 || byte(end + 1) > 0xd7)))
                ++end;
        out.append({marker, i, end});
        i = end;
    }
    return out;
}

QList<Segment> scans(const QByteArray& jpeg) {
    QList<Segment> out;
    for (const Segment& s : segments(jpeg))
        if (s.marker == 0xda)
            out.append(s);
    if (out.isEmpty())
        qFatal("not a JPEG with scans");
    return out;
}

} // namespace

QByteArray honest(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, Qt::red);
    gradient.setColorAt(1, Qt::blue);
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(40);
    if (!writer.write(image))
        qFatal("cannot write a JPEG");
    return bytes;
}

QByteArray repeatingLastScan(const QByteArray& jpeg, int extra) {
    const Segment last = scans(jpeg).last();
    const QByteArray scan = jpeg.mid(last.from, last.to - last.from);
    return jpeg.left(last.to) + scan.repeated(extra) + jpeg.mid(last.to);
}

QByteArray withEmptyScans(const QByteArray& jpeg, int extra) {
    // The header of a scan of one component's AC band, without its data.
    for (const Segment& s : scans(jpeg)) {
        const int components = uchar(jpeg.at(s.from + 4));
        const int spectralStart = uchar(jpeg.at(s.from + 5 + 2 * components));
        if (components == 1 && spectralStart > 0) {
            const qsizetype length = 2 + (uchar(jpeg.at(s.from + 2)) << 8 | uchar(jpeg.at(s.from + 3)));
            const Segment last = scans(jpeg).last();
            return jpeg.left(last.to) + jpeg.mid(s.from, length).repeated(extra) + jpeg.mid(last.to);
        }
    }
    qFatal("no AC scan");
}

} // namespace flooded_jpeg
