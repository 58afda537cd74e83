// Music on a machine that cannot play sound: run with an audio driver that is missing or a device
// that cannot be opened (see tests.cmake).
#include "MusicFiles.h"
#include "platform/Music.h"

#include <QtTest>

using StartResult = Music::StartResult;

class TestMusicNoAudio : public QObject {
    Q_OBJECT

private:
    MusicFiles m_files;
    // The music's pauses are measured on this clock, moved by hand.
    std::chrono::steady_clock::time_point m_now = std::chrono::steady_clock::now();

private slots:
    void initTestCase() {
        QVERIFY(m_files.isValid());
        Music::setClock([this] { return m_now; });
    }

    void aGoodFileIsNotBlamedAndNothingIsLeftToPoll() {
        const QString wav = m_files.writeWav("tone.wav", 0.3, 440);
        const QString text = m_files.write("notes.mp3", "Shopping list:\nmilk\neggs\n");
        QVERIFY(!wav.isEmpty() && !text.isEmpty());

        Music music;
        QCOMPARE(music.StartPlay(wav), StartResult::NoAudio);
        QVERIFY(!music.isPlaying());
        // The player's poll must find nothing to restart, or it would retry every 100 ms.
        QVERIFY(!music.ReachedEnd());
        music.StopPlay();

        // Without a device the content cannot be judged, so it is not called bad either.
        QCOMPARE(music.StartPlay(text), StartResult::NoAudio);
        // What is not a regular file is bad on any machine.
        QCOMPARE(music.StartPlay(m_files.makeFolder("folder.mp3")), StartResult::BadFile);
        QCOMPARE(music.StartPlay(m_files.path("missing.wav")), StartResult::BadFile);
    }

    void theFailureIsRememberedForAWhileOnly() {
        using std::chrono::milliseconds;
        const QString wav = m_files.writeWav("again.wav", 0.3, 440);
        m_now += milliseconds(60000);
        Music failed;
        QCOMPARE(failed.StartPlay(wav), StartResult::NoAudio);

        // A usable device appears; for five seconds it is not looked for, then it is found.
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_files.path("out.raw")));
        Music music;
        m_now += milliseconds(4990);
        QCOMPARE(music.StartPlay(wav), StartResult::NoAudio);
        m_now += milliseconds(10);
        QCOMPARE(music.StartPlay(wav), StartResult::Playing);
        QVERIFY(music.isPlaying());
    }
};

QTEST_GUILESS_MAIN(TestMusicNoAudio)
#include "test_music_noaudio.moc"
