#include "ToolPictures.h"

#include "picture/colour/ColourProfile.h"

#include <QColorSpace>
#include <QProcess>

#include <algorithm>
#include <cstdlib>

namespace tool_pictures {

void run(const QString& tool, const QStringList& arguments) {
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(tool), qPrintable(arguments.join(' ')),
               p.readAllStandardError().constData());
}

QImage sample(QImage::Format format) {
    QImage image(96, 64, format);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor::fromRgbF(x / 96.f, y / 64.f, (x + y) / 200.f, x / 96.f));
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_ARGB32), q = b.convertToFormat(QImage::Format_ARGB32);
    if (p.size() != q.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb s = p.pixel(x, y), t = q.pixel(x, y);
            largest = std::max(largest, std::abs(qAlpha(s) - qAlpha(t)));
            if (qAlpha(s) && qAlpha(t))
                largest = std::max({largest, std::abs(qRed(s) - qRed(t)), std::abs(qGreen(s) - qGreen(t)),
                                    std::abs(qBlue(s) - qBlue(t))});
        }
    return largest;
}

QImage referenceInSrgb(const QString& png) {
    QImage image(png);
    colour_profile::toSrgb(image, image.colorSpace().iccProfile());
    return image;
}

} // namespace tool_pictures
