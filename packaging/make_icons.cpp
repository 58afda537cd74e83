// Writes the program's icon files for the desktop: the projector that the program draws for its
// own windows, as a scalable SVG and as PNGs at the sizes of the hicolor theme.
// Usage: make_icons OUTPUT_FOLDER ICON_NAME
#include "app/Artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>

#include <cstdio>

namespace {

bool writeSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(32, 32));
    svg.setViewBox(QRect(0, 0, 32, 32));
    svg.setTitle(QStringLiteral("10. Lumora"));
    svg.setDescription(QStringLiteral("A film projector"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    artwork::paintProjector(painter, 32);
    if (!painter.end())
        return false;
    // The generator gives the size in millimetres; icon themes expect pixels.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    text.replace(QRegularExpression(QStringLiteral(R"(width="[0-9.]+mm" height="[0-9.]+mm")")),
                 QStringLiteral(R"(width="32" height="32")"));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

bool writePng(const QString& path, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    artwork::paintProjector(painter, size);
    painter.end();
    return image.save(path, "PNG");
}

} // namespace

int main(int argc, char* argv[]) {
    // Runs during the build, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icons OUTPUT_FOLDER ICON_NAME\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);

    bool ok = out.mkpath(QStringLiteral("scalable/apps")) &&
              writeSvg(out.filePath(QStringLiteral("scalable/apps/%1.svg").arg(name)));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        ok = ok && out.mkpath(folder) &&
             writePng(out.filePath(QStringLiteral("%1/%2.png").arg(folder, name)), size);
    }
    if (!ok) {
        std::fprintf(stderr, "make_icons: cannot write the icons into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
