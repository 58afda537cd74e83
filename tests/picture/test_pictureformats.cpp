#include "picture/PictureFormats.h"
#include "picture/PictureLoader.h"
#include "platform/FolderListing.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class PictureFormatsTest : public QObject {
    Q_OBJECT
private slots:
    void endingsListPicturesWhateverTheirCase_data();
    void endingsListPicturesWhateverTheirCase();
    void firstBytesNameTheFormat_data();
    void firstBytesNameTheFormat();
    void picturesAreReadByContentNotByName_data();
    void picturesAreReadByContentNotByName();
};

namespace {

QByteArray written(const char* format) {
    QImage image(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 10, y * 15, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 100))
        qFatal("Qt cannot write %s", format);
    return bytes;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

const QString Gif = QStringLiteral(LUMORA_TESTDATA "/giflib/pic/porsche.gif");

} // namespace

void PictureFormatsTest::endingsListPicturesWhateverTheirCase_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");
    QTest::newRow("bmp") << "b.bmp" << true;
    QTest::newRow("JPG") << "DSC001.JPG" << true;
    QTest::newRow("JpEg") << "x.JpEg" << true;
    QTest::newRow("Gif") << "c.Gif" << true;
    QTest::newRow("PNG") << "Screenshot.PNG" << true;
    QTest::newRow("HEIC") << "IMG_0001.HEIC" << true;
    QTest::newRow("tif") << "scan.tif" << true;
    QTest::newRow("jxl") << "a.jxl" << true;
    QTest::newRow("text") << "c.txt" << false;
    QTest::newRow("ending inside the name") << "a.jpg.txt" << false;
}

void PictureFormatsTest::endingsListPicturesWhateverTheirCase() {
    QFETCH(QString, name);
    QFETCH(bool, listed);
    QCOMPARE(folder_listing::Pattern(picture_formats::pattern()).matches(name), listed);

    QTemporaryDir dir;
    for (const char* file : {"b.bmp", "a.jpg", "c.txt"})
        QVERIFY(QFile(dir.filePath(file)).open(QIODevice::WriteOnly));
    QCOMPARE(folder_listing::picturesOf(dir.path(), picture_formats::pattern()).size(), 2);
    // What users see of the table.
    QCOMPARE(picture_formats::pattern(),
             QStringLiteral("*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.webp;*.tif;*.tiff;*.heic;*.heif;*.avif;*.jxl"));
}

void PictureFormatsTest::firstBytesNameTheFormat_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("format"); // empty: no reader of the table
    QTest::newRow("bmp") << written("BMP") << "BMP";
    QTest::newRow("jpeg") << written("JPG") << "JPEG";
    QTest::newRow("gif") << fileBytes(Gif) << "GIF";
    QTest::newRow("png") << written("PNG") << "PNG";
    QTest::newRow("png signature cut short") << written("PNG").left(7) << "";
    QTest::newRow("webp") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16) << "WebP";
    QTest::newRow("wav, also RIFF") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << "";
    QTest::newRow("tiff, Intel order") << QByteArray("II*\0\x08\0\0\0", 8) << "TIFF";
    QTest::newRow("tiff, Motorola order") << QByteArray("MM\0*\0\0\0\x08", 8) << "TIFF";
    QTest::newRow("heic") << QByteArray("\0\0\0\x18"
                                        "ftypheic\0\0\0\0",
                                        16)
                          << "HEIF";
    QTest::newRow("heif, generic brand") << QByteArray("\0\0\0\x18"
                                                       "ftypmif1\0\0\0\0",
                                                       16)
                                         << "HEIF";
    QTest::newRow("avif") << QByteArray("\0\0\0\x1c"
                                        "ftypavif\0\0\0\0",
                                        16)
                          << "AVIF";
    // Writers of AVIF may name the generic HEIF brand first and AVIF's among the compatible ones.
    QTest::newRow("avif under the generic brand") << QByteArray("\0\0\0\x1c"
                                                                "ftypmif1\0\0\0\0mif1miafavif",
                                                                28)
                                                  << "AVIF";
    QTest::newRow("avif sequence under the generic brand") << QByteArray("\0\0\0\x18"
                                                                         "ftypmsf1\0\0\0\0msf1avis",
                                                                         24)
                                                           << "AVIF";
    QTest::newRow("heic under the generic brand") << QByteArray("\0\0\0\x1c"
                                                                "ftypmif1\0\0\0\0mif1heicmiaf",
                                                                28)
                                                  << "HEIF";
    // The brands end with their box: what follows is not one of them.
    QTest::newRow("avif after the brands' box") << QByteArray("\0\0\0\x18"
                                                              "ftypmif1\0\0\0\0mif1\0\0\0\x08"
                                                              "avif",
                                                              28)
                                                << "HEIF";
    QTest::newRow("mp4, also ISO media") << QByteArray("\0\0\0\x18"
                                                       "ftypisom\0\0\0\0",
                                                       16)
                                         << "";
    QTest::newRow("jxl code stream") << QByteArray("\xFF\x0A\xFA\x1F", 4) << "JPEG XL";
    QTest::newRow("jxl container") << QByteArray("\0\0\0\x0CJXL \r\n\x87\n", 12) << "JPEG XL";
    QTest::newRow("ppm, for Qt's reader") << written("PPM") << "";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("half a JPEG mark") << QByteArray("\xFF") << "";
    QTest::newRow("GIF without its version") << QByteArray("GIF") << "";
}

void PictureFormatsTest::firstBytesNameTheFormat() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, format);
    const auto* found = picture_formats::byContent(bytes.left(picture_formats::HeadBytes));
    QCOMPARE(found ? QString::fromLatin1(found->name) : QString(), format);
}

void PictureFormatsTest::picturesAreReadByContentNotByName_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::newRow("png named .jpg") << written("PNG") << "photo.jpg";
    QTest::newRow("jpeg named .bmp") << written("JPG") << "photo.bmp";
    QTest::newRow("bmp named .gif") << written("BMP") << "photo.gif";
    QTest::newRow("gif named .jpeg") << fileBytes(Gif) << "photo.jpeg";
}

void PictureFormatsTest::picturesAreReadByContentNotByName() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const auto loaded = picture_loader::decode(path, std::nullopt);
    QVERIFY(loaded.ok);
    QImage expected = QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(loaded.size, expected.size());
    // Qt's reader and ours may round a JPEG's colours apart by a step or two.
    const QImage image = loaded.image.convertToFormat(QImage::Format_RGB32);
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = expected.pixel(x, y);
            most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                             std::abs(qBlue(a) - qBlue(b))});
        }
    QVERIFY2(most <= 4, qPrintable(QString::number(most)));
}

QTEST_GUILESS_MAIN(PictureFormatsTest)
#include "test_pictureformats.moc"
