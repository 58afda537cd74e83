// Music against the real SDL_mixer, playing files written by the tests. SDL's disk driver stands in
// for the sound card, so the tests can hear what was played.
#include "DiskOutput.h"
#include "MusicFiles.h"
#include "platform/Music.h"

#include <QTemporaryDir>
#include <QtTest>

#include <SDL_mixer.h>

#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using StartResult = Music::StartResult;

namespace {

constexpr double kShortSeconds = 0.5;
// Long enough to be still playing when a test stops it.
constexpr double kLongSeconds = 3.0;
constexpr int kTone = 440;

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestMusic : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_outputDir;
    MusicFiles m_files;
    QHash<QString, QString> m_paths;

    // Only valid while a Music holds the device: that is when the disk driver writes.
    std::optional<DiskOutput> output() const {
        int rate = 0;
        int channels = 0;
        Uint16 format = 0;
        if (Mix_QuerySpec(&rate, &format, &channels) == 0 || format != AUDIO_S16SYS)
            return std::nullopt;
        return DiskOutput(m_outputDir.filePath("out.raw"), rate, channels);
    }

    QString file(const char* key) const { return m_paths.value(key); }

private slots:
    void initTestCase() {
        QVERIFY(m_outputDir.isValid());
        QVERIFY(m_files.isValid());
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_outputDir.filePath("out.raw")));

        m_paths["wav"] = m_files.writeWav("tone.wav", kShortSeconds, kTone);
        m_paths["long wav"] = m_files.writeWav("long.wav", kLongSeconds, kTone);
        m_paths["midi"] = m_files.writeMidi("tune.mid");
        m_paths["wav named .mid"] = m_files.write("disguised.mid", MusicFiles::wavBytes(kLongSeconds, kTone));
        if (!QStandardPaths::findExecutable("lame").isEmpty()) {
            m_paths["mp3"] = m_files.encodeMp3(file("wav"), "tone.mp3");
            m_paths["long mp3"] = m_files.encodeMp3(file("long wav"), "long.mp3");
            m_paths["symlink to mp3"] = m_files.makeSymlink(file("long mp3"), "link.mp3");
        }
        for (const QString& path : std::as_const(m_paths))
            QVERIFY(!path.isEmpty());
    }

    void playsEachFormatAudiblyAndStopsAtOnce_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("tone");
        QTest::newRow("wav") << "long wav" << kTone;
        QTest::newRow("mp3") << "long mp3" << kTone;
        QTest::newRow("midi") << "midi" << 0;
        QTest::newRow("wav named .mid") << "wav named .mid" << kTone;
        QTest::newRow("symlink to mp3") << "symlink to mp3" << kTone;
    }
    void playsEachFormatAudiblyAndStopsAtOnce() {
        QFETCH(QString, key);
        QFETCH(int, tone);
        const QString path = m_paths.value(key);
        if (path.isEmpty())
            QSKIP("lame is not installed");

        Music music;
        QCOMPARE(music.StartPlay(path), StartResult::Playing);
        QVERIFY(music.isPlaying());
        QVERIFY(!music.ReachedEnd());
        const auto out = output();
        QVERIFY(out);
        const qint64 started = out->mark();
        QTRY_VERIFY_WITH_TIMEOUT(out->soundingSeconds(out->from(started)) >= 0.2, 5000);
        const QVector<qint16> played = out->from(started);
        if (tone)
            QVERIFY2(qAbs(out->frequency(played) - tone) < tone * 0.03,
                     qPrintable(QString::number(out->frequency(played))));

        QVERIFY(Mix_PlayingMusic());
        music.StopPlay();
        QCOMPARE(Mix_PlayingMusic(), 0);
        QVERIFY(!music.isPlaying());
        QVERIFY(!music.ReachedEnd());
        // What the mixer had already handed to the driver may still come out; after that, silence.
        const qint64 halted = out->mark();
        QTRY_VERIFY(out->writtenSeconds(halted) >= 0.15);
        const qint64 stopped = out->mark();
        QTRY_VERIFY(out->writtenSeconds(stopped) >= 0.3);
        QCOMPARE(out->soundingSeconds(out->from(stopped)), 0.0);
    }

    void reportsTheEndAndRestartsFromTheBeginning_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("wav") << "wav";
        QTest::newRow("mp3") << "mp3";
        QTest::newRow("midi") << "midi";
    }
    // The end is judged by what the driver wrote when it was reported: the whole tune and little
    // silence after it (the poll comes every 100 ms). A MIDI tune's notes take 0.75 s, and its end
    // is only "no longer playing", after the synthesiser's release tail: the player's poll then
    // starts it again as it does any other tune.
    void reportsTheEndAndRestartsFromTheBeginning() {
        QFETCH(QString, key);
        const QString path = m_paths.value(key);
        if (path.isEmpty())
            QSKIP("lame is not installed");

        Music music;
        QCOMPARE(music.StartPlay(path), StartResult::Playing);
        const auto out = output();
        QVERIFY(out);
        const bool knowsPosition = music.position() >= 0;
        const double tune = knowsPosition ? kShortSeconds : 0.75;
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                QCOMPARE(music.StartPlay(path), StartResult::Playing);
                QVERIFY(music.isPlaying());
                if (knowsPosition)
                    QVERIFY2(music.position() < 0.15, qPrintable(QString::number(music.position())));
            }
            QVERIFY(!music.ReachedEnd());
            const qint64 started = out->mark();
            QTRY_VERIFY_WITH_TIMEOUT(music.ReachedEnd(), 10000);
            const QVector<qint16> atEnd = out->from(started);
            QVERIFY(!music.isPlaying());
            // What the mixer had handed on reaches the file; then this play is all there.
            const qint64 ended = out->mark();
            QTRY_VERIFY(out->writtenSeconds(ended) >= 0.15);
            const double heard = out->soundingSeconds(out->from(started));
            const double early = heard - out->soundingSeconds(atEnd);
            const double late = out->silenceAtEnd(atEnd);
            qInfo("%s, play %d: heard %.2f s, %.2f s of it after the end was reported, which came %.2f s "
                  "after the last sound",
                  qPrintable(key), round + 1, heard, early, late);
            if (knowsPosition)
                QVERIFY(qAbs(heard - tune) <= 0.06); // from the first sample to the last, once
            else
                QVERIFY(heard >= tune - 0.05);
            QVERIFY(early <= 0.06);
            if (knowsPosition)
                QVERIFY(late <= 0.35);
        }
    }

    void stoppedOrNeverStartedMusicHasNotEnded() {
        Music music;
        QVERIFY(!music.ReachedEnd());
        QVERIFY(!music.isPlaying());
        music.StopPlay();
        music.StopPlay();
        QVERIFY(!music.ReachedEnd());

        QCOMPARE(music.StartPlay(file("wav")), StartResult::Playing);
        const auto out = output();
        QVERIFY(out);
        QTRY_VERIFY(music.position() > 0.05);
        music.StopPlay();
        music.StopPlay();
        // Well past where the music would have ended: the poll must not bring it back.
        const qint64 stopped = out->mark();
        QTRY_VERIFY_WITH_TIMEOUT(out->writtenSeconds(stopped) >= kShortSeconds + 0.2, 5000);
        QVERIFY(!music.ReachedEnd());
        QVERIFY(!music.isPlaying());

        QCOMPARE(music.StartPlay(file("wav")), StartResult::Playing);
        QVERIFY(music.position() < 0.15);
        QVERIFY(music.isPlaying());
    }

    void aTuneOfNoLengthPlaysAndEndsAtOnce() {
        // Valid files without a sound in them are tunes that end as they start, not bad files.
        QByteArray chunked = MusicFiles::wavBytes(0, kTone);
        chunked.insert(36, QByteArray("LIST\x03\0\0\0abc\0", 12)); // an odd chunk, padded
        const QStringList silent{
            m_files.write("header.wav", MusicFiles::wavBytes(0, kTone)),
            m_files.write("chunked.wav", chunked),
            m_files.write("one.wav", MusicFiles::wavBytes(1.5 / MusicFiles::kRate, kTone))};
        for (const QString& path : silent) {
            Music music;
            QCOMPARE(music.StartPlay(path), StartResult::Playing);
            QTRY_VERIFY_WITH_TIMEOUT(music.ReachedEnd(), 2000);
            QVERIFY(!music.isPlaying());
            music.StopPlay();
            QVERIFY(!music.ReachedEnd());
        }
    }

    // `head`, then zeros that take no disk up to `size` bytes.
    QString sparse(const QString& name, const QByteArray& head, qint64 size) {
        const QString path = m_files.write(name, head);
        if (path.isEmpty() || ::truncate(QFile::encodeName(path).constData(), size) != 0)
            qFatal("cannot write %s", qPrintable(name));
        return path;
    }

    void refusesWhatIsNotMusic_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("text named .mp3") << m_files.write("notes.mp3", "Shopping list:\nmilk\neggs\nbread\n");
        QTest::newRow("text named .mid") << m_files.write("notes.mid", "Shopping list:\nmilk\neggs\nbread\n");
        QTest::newRow("empty file") << m_files.write("empty.wav", {});
        QTest::newRow("wave without a data chunk")
            << m_files.write("nodata.wav", MusicFiles::wavBytes(0, kTone).left(36));
        QTest::newRow("riff that is no wave") << m_files.write("riff.wav", QByteArray("RIFF\4\0\0\0AVI "));
        QTest::newRow("folder") << m_files.makeFolder("folder.mp3");
        QTest::newRow("missing file") << m_files.path("gone.mp3");
        QTest::newRow("fifo") << m_files.makeFifo("pipe.mp3");
        QTest::newRow("device") << QStringLiteral("/dev/zero");
        QTest::newRow("empty path") << QString();
        // Files the mixer would read whole, taking as much memory as they are long.
        QTest::newRow("2 GB of zeros") << sparse("zeros.mp3", {}, qint64(2) << 30);
        QByteArray wav = MusicFiles::wavBytes(0.1, kTone);
        wav.insert(36, QByteArray("LIST\x00\x00\x00\x20INFO", 12));
        QTest::newRow("WAV with a 512 MB info chunk") << sparse("info.wav", wav, qint64(600) << 20);
        QTest::newRow("MP3 behind a 256 MB tag")
            << sparse("tagged.mp3", QByteArray("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10), qint64(300) << 20);
        QTest::newRow("MIDI of 300 MB") << sparse("long.mid", MusicFiles::midiBytes(), qint64(300) << 20);
    }
    void refusesWhatIsNotMusic() {
        QFETCH(QString, path);
        Music music;
        QCOMPARE(music.StartPlay(file("long wav")), StartResult::Playing);

        // Refused from its first bytes: reading any of these whole would lift the peak by 300 MB or more.
        const long peakBefore = peakResidentKb();
        QCOMPARE(music.StartPlay(path), StartResult::BadFile);
        QVERIFY2(peakResidentKb() - peakBefore < 100 * 1024, "the refused file was read into memory");
        // The failed start has ended the music before it.
        QCOMPARE(Mix_PlayingMusic(), 0);
        QVERIFY(!music.isPlaying());
        QVERIFY(!music.ReachedEnd());
        music.StopPlay();

        QCOMPARE(music.StartPlay(file("wav")), StartResult::Playing);
    }
};

QTEST_GUILESS_MAIN(TestMusic)
#include "test_music.moc"
