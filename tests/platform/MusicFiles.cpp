#include "MusicFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>
#include <numbers>

#include <sys/stat.h>

namespace {

void putLe(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

void putBe(QByteArray& out, quint32 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// MIDI's variable-length quantity: seven bits a byte, high bit set on all but the last.
void putVarLen(QByteArray& out, quint32 value) {
    QByteArray bytes(1, char(value & 0x7f));
    while (value >>= 7)
        bytes.prepend(char(0x80 | (value & 0x7f)));
    out.append(bytes);
}

} // namespace

QString MusicFiles::write(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

QString MusicFiles::writeWav(const QString& name, double seconds, int frequency) const {
    return write(name, wavBytes(seconds, frequency));
}

QString MusicFiles::writeMidi(const QString& name) const {
    return write(name, midiBytes());
}

QString MusicFiles::encodeMp3(const QString& wavPath, const QString& name) const {
    const QString lame = QStandardPaths::findExecutable("lame");
    if (lame.isEmpty())
        return {};
    QProcess process;
    process.start(lame, {"--quiet", "-b", "128", wavPath, path(name)});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return path(name);
}

QString MusicFiles::makeFolder(const QString& name) const {
    return QDir(m_dir.path()).mkdir(name) ? path(name) : QString();
}

QString MusicFiles::makeFifo(const QString& name) const {
    return ::mkfifo(QFile::encodeName(path(name)).constData(), 0600) == 0 ? path(name) : QString();
}

QString MusicFiles::makeSymlink(const QString& target, const QString& name) const {
    return QFile::link(target, path(name)) ? path(name) : QString();
}

QByteArray MusicFiles::wavBytes(double seconds, int frequency) {
    const int frames = int(seconds * kRate);
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2 * std::numbers::pi * frequency * i / kRate);
        putLe(samples, quint16(qint16(std::lround(value * 32767))), 2);
    }
    QByteArray out("RIFF");
    putLe(out, 36 + samples.size(), 4);
    out.append("WAVEfmt ");
    putLe(out, 16, 4);
    putLe(out, 1, 2); // PCM
    putLe(out, 1, 2); // mono
    putLe(out, kRate, 4);
    putLe(out, kRate * 2, 4);
    putLe(out, 2, 2);
    putLe(out, 16, 2);
    out.append("data");
    putLe(out, samples.size(), 4);
    return out + samples;
}

QByteArray MusicFiles::midiBytes() {
    constexpr int kTicksPerQuarter = 480;
    QByteArray track;
    putVarLen(track, 0);
    track.append("\xff\x51\x03", 3);
    putBe(track, 500000, 3); // microseconds per quarter: 120 beats a minute
    putVarLen(track, 0);
    track.append("\xc0\x00", 2); // acoustic grand piano
    for (const int note : {60, 64, 67}) {
        putVarLen(track, 0);
        track.append(char(0x90)).append(char(note)).append(char(100));
        putVarLen(track, kTicksPerQuarter / 2);
        track.append(char(0x80)).append(char(note)).append(char(64));
    }
    putVarLen(track, 0);
    track.append("\xff\x2f\x00", 3);

    QByteArray out("MThd");
    putBe(out, 6, 4);
    putBe(out, 0, 2); // one track
    putBe(out, 1, 2);
    putBe(out, kTicksPerQuarter, 2);
    out.append("MTrk");
    putBe(out, track.size(), 4);
    return out + track;
}
