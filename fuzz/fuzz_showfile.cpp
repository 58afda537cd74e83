// The show-file reader with its nine settings slots, on any bytes. Whatever it reads back as
// pictures must survive being written and read again, as long as no path holds a double quote.
#include "FuzzInput.h"
#include "platform/NativeName.h"
#include "show/ShowFile.h"

#include <QCoreApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz_input::MemoryFile file(data, size);
    const show_file::ReadResult fromFile = show_file::read(file.path());
    const show_file::ReadResult fromText =
        show_file::parse(native_name::decode(fuzz_input::bytes(data, size)));
    if (fromFile.error != fromText.error || fromFile.content.pictures != fromText.content.pictures)
        std::abort();
    if (fromFile.error != show_file::ReadError::None)
        return 0;
    const QStringList& pictures = fromFile.content.pictures;
    // A picture the writer cannot store must be refused, never written as a line that reads back
    // as something else.
    const std::optional<QByteArray> composed = show_file::compose({}, pictures);
    if (composed.has_value() != (show_file::storablePaths(pictures) == pictures))
        std::abort();
    if (!composed)
        return 0;
    const show_file::ReadResult again = show_file::parse(native_name::decode(*composed));
    if (again.error != show_file::ReadError::None || again.content.pictures != pictures)
        std::abort();
    return 0;
}
