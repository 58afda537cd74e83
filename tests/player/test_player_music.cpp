// The show's music through the real player window and the real SDL_mixer. SDL's disk driver takes
// the place of a sound card, so what was mixed can be read back.
#include "DiskOutput.h"
#include "MusicFiles.h"
#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "platform/FormTimer.h"
#include "platform/Music.h"
#include "platform/ProgramFolder.h"
#include "player/Main_Frm.h"

#include <QCloseEvent>
#include <QFile>
#include <QTest>
#include <QWindow>

#include <SDL_mixer.h>

using desktop::Buttons;
using desktop::Icon;

class PlayerMusicTest : public QObject {
    Q_OBJECT

    QTemporaryDir out_;
    MusicFiles files_;
    bool noAudio_ = false;

    std::optional<DiskOutput> output() const {
        int rate = 0, channels = 0;
        Uint16 format = 0;
        if (Mix_QuerySpec(&rate, &format, &channels) == 0 || format != AUDIO_S16SYS)
            return std::nullopt;
        return DiskOutput(out_.filePath("out.raw"), rate, channels);
    }

    QString showWithMusic(ShowFixture& f, const QString& music, bool useMusic = true) {
        ShowSettings s = plainSettings(true);
        s.useMusic = useMusic;
        s.musicPath = music;
        return f.show("music.lmr", s, {f.picture("a.bmp", Qt::red), f.picture("b.bmp", Qt::blue)});
    }

    static void closeRequest(PlayerDriver p) {
        QCloseEvent close;
        QCoreApplication::sendEvent(p->windowHandle(), &close);
    }

    PlayerDriver start(ShowFixture& f, const QString& show) {
        f.forms->show(FormId::Menu);
        f.forms->hide(FormId::Menu);
        PlayerDriver p = f.play(show);
        if (p && !QTest::qWaitForWindowActive(p))
            return nullptr;
        return p;
    }

private slots:
    void initTestCase() {
        noAudio_ = qgetenv("SDL_AUDIODRIVER") == "nonexistent";
        if (!noAudio_) {
            qputenv("SDL_AUDIODRIVER", "disk");
            qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(out_.filePath("out.raw")));
        }
    }

    void playsLoopsAndStopsWithTheShow() {
        if (noAudio_)
            QSKIP("needs the disk audio driver");
        ShowFixture f;
        const QString wav = files_.writeWav("tone.wav", 0.4, 440);
        PlayerDriver p = start(f, showWithMusic(f, wav));
        QVERIFY(p);
        QVERIFY(f.forms->music().isPlaying());
        QVERIFY(p.musicClock()->isTicking());
        QVERIFY(f.forms->showState().musicLoop);
        auto out = output();
        QVERIFY(out);
        const qint64 started = out->mark();
        // The tune is 0.4 s long: it is heard well beyond one playing.
        QTRY_VERIFY_WITH_TIMEOUT(out->soundingSeconds(out->from(started)) > 0.9, 5000);
        QVERIFY(f.forms->music().isPlaying());

        QTest::keyClick(p, Qt::Key_Escape);
        QVERIFY(!f.forms->music().isPlaying());
        // What the mixer had already handed to the driver may still come out; after that, silence.
        const qint64 escaped = out->mark();
        QTRY_VERIFY(out->writtenSeconds(escaped) >= 0.3);
        const qint64 stopped = out->mark();
        QTRY_VERIFY(out->writtenSeconds(stopped) >= 0.3);
        QCOMPARE(out->soundingSeconds(out->from(stopped)), 0.0);
    }

    void noMusicWithoutAFileOrTheSwitch() {
        ShowFixture f;
        const QString wav = files_.writeWav("gone.wav", 0.3, 440);
        QVERIFY(QFile::remove(wav));
        PlayerDriver p = start(f, showWithMusic(f, wav));
        QVERIFY(p);
        QVERIFY(!f.forms->music().isPlaying());
        QVERIFY(!p.musicClock()->isTicking());
        QTest::keyClick(p, Qt::Key_Escape);

        ShowFixture off;
        p = start(off, showWithMusic(off, files_.writeWav("off.wav", 0.3, 440), false));
        QVERIFY(p);
        QVERIFY(!off.forms->music().isPlaying());
    }

    void unplayableMusicEndsTheProgram_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text named .mp3") << "notes.mp3" << QByteArray("just some words\n");
        QTest::newRow("empty file") << "empty.wav" << QByteArray();
    }

    void unplayableMusicEndsTheProgram() {
        if (noAudio_)
            QSKIP("without a sound output no file is opened");
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        ShowFixture f;
        f.desktop.expectMessage("Lumora", "Invalid Music file, program will exit.", Icon::Critical,
                                Buttons::Ok);
        start(f, showWithMusic(f, files_.write(name, content)));
        f.desktop.verifyDone();
        QCOMPARE(f.desktop.endedWith, 1);
        QVERIFY(!f.forms->music().isPlaying());
    }

    void aTuneThatEndsAtOnceLetsTheShowPlayOn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        // Valid files that hold no sound: they end as soon as they start, which is no bad file.
        QTest::newRow("wav header only") << "header.wav" << MusicFiles::wavBytes(0, 440);
        QTest::newRow("wav of one sample") << "one.wav" << MusicFiles::wavBytes(1.5 / MusicFiles::kRate, 440);
        // A MIDI file whose only track ends at once.
        QTest::newRow("midi without notes")
            << "empty.mid" << QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk\0\0\0\x04\0\xff\x2f\0", 22);
    }

    void aTuneThatEndsAtOnceLetsTheShowPlayOn() {
        if (noAudio_)
            QSKIP("needs the disk audio driver");
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        ShowFixture f;
        PlayerDriver p = start(f, showWithMusic(f, files_.write(name, content)));
        QVERIFY(p);
        QTRY_VERIFY_WITH_TIMEOUT(!p.musicClock()->isTicking(), 8000);
        QVERIFY(!f.forms->music().isPlaying());
        QVERIFY(f.forms->isLoaded(FormId::Player)); // the show itself goes on
        QVERIFY(!f.desktop.endedWith);
        p.advance();
        QVERIFY(f.forms->isLoaded(FormId::Player));
    }

    void closeRequestEndsACommandLineShowAndItsMusic() {
        ShowFixture probe;
        const QString show = showWithMusic(probe, files_.writeWav("close.wav", 3.0, 440));
        ShowFixture f(show);
        f.start();
        PlayerDriver p = f.forms->as<Main_Frm>(FormId::Player);
        QVERIFY(p);
        QVERIFY(QTest::qWaitForWindowActive(p));
        QCOMPARE(f.forms->music().isPlaying(), !noAudio_);
        // What the window manager's close shortcut (WM_DELETE_WINDOW on X11) becomes.
        closeRequest(p);
        QVERIFY(!f.forms->isLoaded(FormId::Player));
        QVERIFY(!f.forms->music().isPlaying());
        QTRY_VERIFY(f.programEnded);
        QVERIFY(!f.desktop.endedWith);

        // From the menu, the same request brings the menu back; a folder show's temp.ini goes.
        ShowFixture m;
        const QString tempIni = program_folder::tempIniPath();
        m.show(tempIni, plainSettings(true), {m.picture("a.bmp", Qt::red)});
        p = start(m, tempIni);
        QVERIFY(p);
        closeRequest(p);
        QVERIFY(!m.forms->isLoaded(FormId::Player));
        QVERIFY(!QFile::exists(tempIni));
        QTRY_VERIFY(m.forms->form(FormId::Menu)->isVisible());
        QVERIFY(!m.programEnded);
    }

    void silentMachinePlaysTheShow() {
        if (!noAudio_)
            QSKIP("runs with SDL_AUDIODRIVER=nonexistent");
        ShowFixture f;
        PlayerDriver p = start(f, showWithMusic(f, files_.writeWav("tone.wav", 0.4, 440)));
        QVERIFY(p);
        QVERIFY(p->isVisible());
        QVERIFY(!f.forms->music().isPlaying());
        p.advance();
        QVERIFY(f.forms->isLoaded(FormId::Player));
        QVERIFY(!f.desktop.endedWith);
    }

    void restartsOnlyWhenThePlayerIsActivatedAgain() {
        if (noAudio_)
            QSKIP("needs the disk audio driver");
        ShowFixture f;
        PlayerDriver p = start(f, showWithMusic(f, files_.writeWav("long.wav", 3.0, 440)));
        QVERIFY(p);
        QTRY_VERIFY(f.forms->music().position() > 0.2);
        const double before = f.forms->music().position();
        // Focus that goes to a window outside the program's own and comes back is no activation.
        {
            QWidget box;
            box.show();
            box.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&box));
        }
        p->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p));
        QVERIFY(f.forms->music().position() >= before);
        // Another window of the program and back: the music starts from its beginning.
        f.forms->show(FormId::Menu);
        QVERIFY(QTest::qWaitForWindowActive(f.forms->form(FormId::Menu)));
        p->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p));
        QVERIFY2(f.forms->music().position() < before,
                 qPrintable(QString::number(f.forms->music().position())));
    }
};

QTEST_MAIN(PlayerMusicTest)
#include "test_player_music.moc"
