#include "DiskOutput.h"

#include <QFile>

#include <cstring>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBlockSeconds = 0.01;
// About -40 dBFS: far above the dither of a decoder, far below the half-scale test tones.
constexpr double kSoundingRms = 300;

double rms(const qint16* samples, qsizetype count) {
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / count) : 0;
}

} // namespace

qint64 DiskOutput::mark() const {
    return QFile(m_path).size();
}

double DiskOutput::writtenSeconds(qint64 mark) const {
    return double(this->mark() - mark) / (double(sizeof(qint16)) * m_channels * m_rate);
}

QVector<qint16> DiskOutput::from(qint64 mark) const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(mark))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype frameBytes = qsizetype(sizeof(qint16)) * m_channels;
    QVector<qint16> samples;
    samples.reserve(bytes.size() / frameBytes);
    for (qsizetype at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        qint16 sample;
        std::memcpy(&sample, bytes.constData() + at, sizeof sample);
        samples.append(sample);
    }
    return samples;
}

double DiskOutput::soundingSeconds(const QVector<qint16>& samples) const {
    const qsizetype block = qsizetype(m_rate * kBlockSeconds);
    int sounding = 0;
    for (qsizetype at = 0; at + block <= samples.size(); at += block)
        sounding += rms(samples.constData() + at, block) > kSoundingRms;
    return sounding * kBlockSeconds;
}

double DiskOutput::silenceAtEnd(const QVector<qint16>& samples) const {
    const qsizetype block = qsizetype(m_rate * kBlockSeconds);
    qsizetype silent = 0;
    for (qsizetype at = samples.size() / block * block - block; at >= 0; at -= block, ++silent) {
        if (rms(samples.constData() + at, block) > kSoundingRms)
            break;
    }
    return silent * kBlockSeconds;
}

double DiskOutput::frequency(const QVector<qint16>& samples) const {
    // Periods are measured between the first and the last upward crossing of each sounding stretch,
    // so the silence around a stretch and a half-sounding block at its edges do not count.
    const qsizetype block = qsizetype(m_rate * kBlockSeconds);
    qsizetype periods = 0;
    qsizetype span = 0;
    qsizetype first = -1;
    qsizetype last = -1;
    qsizetype count = 0;
    const auto closeStretch = [&] {
        if (count > 1) {
            periods += count - 1;
            span += last - first;
        }
        first = last = -1;
        count = 0;
    };
    for (qsizetype at = 0; at + block <= samples.size(); at += block) {
        if (rms(samples.constData() + at, block) <= kSoundingRms) {
            closeStretch();
            continue;
        }
        for (qsizetype i = std::max<qsizetype>(at, 1); i < at + block; ++i) {
            if (samples[i - 1] < 0 && samples[i] >= 0) {
                if (first < 0)
                    first = i;
                last = i;
                ++count;
            }
        }
    }
    closeStretch();
    return span ? double(periods) * m_rate / double(span) : 0;
}
