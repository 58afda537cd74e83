#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Real music files, written on the spot into a folder of their own that goes away with the object.
class MusicFiles {
public:
    static constexpr int kRate = 44100;

    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const;
    // Mono 16-bit PCM sine at half of full scale.
    QString writeWav(const QString& name, double seconds, int frequency) const;
    // Three eighth notes of a General MIDI piano at 120 beats a minute: 0.75 s of notes.
    QString writeMidi(const QString& name) const;
    // Encodes a WAV with lame; empty when lame is missing or fails.
    QString encodeMp3(const QString& wavPath, const QString& name) const;
    QString makeFolder(const QString& name) const;
    QString makeFifo(const QString& name) const;
    QString makeSymlink(const QString& target, const QString& name) const;

    static QByteArray wavBytes(double seconds, int frequency);
    static QByteArray midiBytes();

private:
    QTemporaryDir m_dir;
};
