#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Helpers shared by the fuzz targets. Each target defines LLVMFuzzerTestOneInput (and may define
// LLVMFuzzerInitialize); linked with libFuzzer it is a fuzzer, linked with Replay.cpp a program that
// runs the files it is given once, which is how the tests replay every kept finding.
namespace fuzz_input {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input as text the way a dialog hands it over: UTF-8, NULs included.
inline QString text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A file holding the input, for code that reads from a path: an anonymous in-memory file named
// through /proc, so that a fuzzer does not wear the disk.
class MemoryFile {
public:
    MemoryFile(const uint8_t* data, size_t size);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    const QString& path() const { return path_; }

private:
    int fd_ = -1;
    QString path_;
};

} // namespace fuzz_input
