#include "platform/WavHeader.h"

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

namespace wav_header {

namespace {
// A writer puts a few chunks (list, fact, bext...) before the data; a file with more is not a
// silent tune worth looking for.
constexpr int MaxChunks = 64;
constexpr qint64 FmtMinBytes = 16;
} // namespace

bool hasNoSamples(QIODevice& file) {
    if (!file.seek(0))
        return false;
    const QByteArray riff = file.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return false;
    int blockAlign = 0;
    for (int chunk = 0; chunk < MaxChunks; ++chunk) {
        const QByteArray head = file.read(8);
        if (head.size() != 8)
            return false;
        const QByteArray id = head.left(4);
        const qint64 length = qFromLittleEndian<quint32>(head.constData() + 4);
        const qint64 body = file.pos();
        if (id == "fmt ") {
            const QByteArray fmt = file.read(FmtMinBytes);
            if (length < FmtMinBytes || fmt.size() != FmtMinBytes)
                return false;
            const int channels = qFromLittleEndian<quint16>(fmt.constData() + 2);
            blockAlign = qFromLittleEndian<quint16>(fmt.constData() + 12);
            if (channels == 0 || blockAlign == 0)
                return false;
        } else if (id == "data") {
            if (blockAlign == 0)
                return false; // samples of no known format
            const qint64 present = std::min(length, file.size() - body);
            return present < blockAlign;
        }
        // Chunks are padded to an even length.
        if (!file.seek(body + length + (length & 1)))
            return false;
    }
    return false;
}

} // namespace wav_header
