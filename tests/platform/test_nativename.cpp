#include "platform/NativeName.h"
#include "platform/RegularFile.h"
#include "show/ShowFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>

#include <fcntl.h>
#include <unistd.h>

class NativeNameTest : public QObject {
    Q_OBJECT
private slots:
    void bytesSurviveTheRoundTrip_data();
    void bytesSurviveTheRoundTrip();
    void randomBytesSurviveTheRoundTrip();
    void showFilesKeepNamesByteForByte();
    void filesAreFoundByTheirBytes();
};

void NativeNameTest::bytesSurviveTheRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // the decoded text where it is plain UTF-8, else empty
    QTest::newRow("ascii") << QByteArray("/home/me/a.jpg") << QStringLiteral("/home/me/a.jpg");
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80")
                           << QStringLiteral("caf\u00e9 \u20ac \U0001F600");
    QTest::newRow("latin-1") << QByteArray("/p/caf\xe9.jpg") << QString();
    QTest::newRow("cut-off sequence") << QByteArray("a\xe2\x82") << QString();
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString();
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QString();
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QString();
    QTest::newRow("lone continuation") << QByteArray("\x80\xbf") << QString();
    QTest::newRow("escape look-alike") << QByteArray("\xed\xb3\xa9\xe9") << QString();
    QTest::newRow("leading byte order marks")
        << QByteArray("\xef\xbb\xbf\xef\xbb\xbf").append("a.jpg") << QStringLiteral("\uFEFF\uFEFFa.jpg");
    QTest::newRow("valid then invalid") << QByteArray("\xc3\xa9\xe9\xc3\xa9") << QString();
}

void NativeNameTest::bytesSurviveTheRoundTrip() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString decoded = native_name::decode(bytes);
    QCOMPARE(native_name::encode(decoded), bytes);
    if (!text.isEmpty())
        QCOMPARE(decoded, text);
    else
        QVERIFY(decoded.toUtf8() != bytes); // a plain decode would lose these bytes
}

void NativeNameTest::randomBytesSurviveTheRoundTrip() {
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        QByteArray bytes(int(random() % 64), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random());
        QCOMPARE(native_name::encode(native_name::decode(bytes)), bytes);
    }
}

void NativeNameTest::showFilesKeepNamesByteForByte() {
    const QByteArray latin1("/pictures/caf\xe9.jpg");
    const QByteArray text =
        "\"Strech=True\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n\"Delay=5\"\r\n\"BackCol=0\"\r\n"
        "\"Loop=1\"\r\n\"Message=1\"\r\n\"UseMusic=1\"\r\n\"Music=/m/\xe9t\xe9.mp3\"\r\n\"" +
        latin1 + "\"\r\n";
    QTemporaryDir dir;
    QFile in(dir.filePath("in.lmr"));
    QVERIFY(in.open(QIODevice::WriteOnly) && in.write(text) == text.size());
    in.close();
    const auto read = show_file::read(in.fileName());
    QCOMPARE(read.error, show_file::ReadError::None);
    QCOMPARE(native_name::encode(read.content.pictures.value(0)), latin1);
    ShowSettings s;
    s.useMusic = true;
    s.musicPath = *read.content.musicPath;
    QCOMPARE(show_file::compose(s, read.content.pictures).value_or(""), text);
}

void NativeNameTest::filesAreFoundByTheirBytes() {
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path()) + "/caf\xe9.bin";
    const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "data", 4), 4);
    ::close(fd);
    const QString path = native_name::decode(name);
    QVERIFY(regular_file::stampOf(path));
    const auto file = regular_file::open(path);
    QVERIFY(file);
    QCOMPARE(file->readAll(), QByteArray("data"));

    // A NUL ends the name for the system, which would then open another file: it names none.
    const QString withNul = path + QChar(u'\0') + QStringLiteral("junk");
    QVERIFY(!native_name::forSystem(withNul));
    QVERIFY(!regular_file::stampOf(withNul));
    QVERIFY(!regular_file::open(withNul));
    QString error;
    QVERIFY(!regular_file::remove(withNul, &error));
    QVERIFY(!error.isEmpty());

    QVERIFY(regular_file::remove(path, &error));
    QCOMPARE(::access(name.constData(), F_OK), -1);
}

QTEST_APPLESS_MAIN(NativeNameTest)
#include "test_nativename.moc"
