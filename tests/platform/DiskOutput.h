#pragma once

#include <QString>
#include <QVector>

#include <utility>

// What SDL's disk audio driver wrote: the mixed sound as raw 16-bit frames, read back so that a test
// can tell sound from silence and one tone from another.
class DiskOutput {
public:
    DiskOutput(QString path, int rate, int channels)
        : m_path(std::move(path)), m_rate(rate), m_channels(channels) {}

    // The current end of the output, to read from later on.
    qint64 mark() const;
    // Seconds of output the driver has written since `mark`, sound or silence: the driver writes in
    // real time for as long as the device is open, so this is how a test lets time pass.
    double writtenSeconds(qint64 mark) const;
    // The first channel from `mark` on.
    QVector<qint16> from(qint64 mark) const;

    // Seconds of sound in `samples`, counted in 10 ms blocks louder than a quiet hum.
    double soundingSeconds(const QVector<qint16>& samples) const;
    // Seconds of silence after the last sounding block of `samples`.
    double silenceAtEnd(const QVector<qint16>& samples) const;
    // The frequency of the sounding blocks, from their upward zero crossings.
    double frequency(const QVector<qint16>& samples) const;

private:
    QString m_path;
    int m_rate;
    int m_channels;
};
