#include "FuzzInput.h"

#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>

namespace fuzz_input {

MemoryFile::MemoryFile(const uint8_t* data, size_t size) {
    fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0)
        std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd_, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += size_t(n);
    }
    path_ = QStringLiteral("/proc/self/fd/%1").arg(fd_);
}

MemoryFile::~MemoryFile() {
    ::close(fd_);
}

} // namespace fuzz_input
