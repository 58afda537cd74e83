#include "maker/MakerShow.h"

#include "show/Colour.h"

#include <cmath>

namespace maker_show {

bool Lacks_Extension(const QString& fileName, const QString& extension) {
    return fileName.right(4).toLower() != extension;
}

QString savePath(const QString& chosen) {
    const QString extension = QLatin1String(Extension);
    return Lacks_Extension(chosen, extension) ? chosen + extension : chosen;
}

Loaded take(const show_file::ReadResult& read, ShowSettings current) {
    const ShowFileContent& c = read.content;
    Loaded result;
    result.ok = read.error == show_file::ReadError::None;

    // The first slot whose value the maker cannot hold; slots from it on are not taken.
    constexpr int NoSlot = 10;
    int failedSlot = NoSlot;
    std::optional<int> delay;
    if (c.delaySeconds) {
        const double whole = std::nearbyint(*c.delaySeconds); // halves to even
        if (whole >= show_delay::Min && whole <= show_delay::Max)
            delay = int(whole);
        else
            failedSlot = 4;
    }
    if (failedSlot == NoSlot && c.backColour && !colour::names(*c.backColour))
        failedSlot = 5;
    if (failedSlot != NoSlot)
        result.ok = false;

    // Which slots were recognised, in slot order: an unrecognised one became the next picture.
    const bool recognised[] = {c.stretch.has_value(),      c.keepRatio.has_value(),  c.shuffle.has_value(),
                               c.delaySeconds.has_value(), c.backColour.has_value(), c.loop.has_value(),
                               c.pauseMessage.has_value(), c.useMusic.has_value(),   c.musicPath.has_value()};
    auto before = [&](int slot) { return slot < failedSlot; };
    ShowSettings& o = current;
    if (c.stretch && before(1))
        o.stretch = *c.stretch;
    if (c.keepRatio && before(2))
        o.keepRatio = *c.keepRatio;
    if (c.shuffle && before(3))
        o.shuffle = *c.shuffle;
    if (delay && before(4))
        o.delaySeconds = *delay;
    if (c.backColour && before(5))
        o.backColour = *c.backColour;
    if (c.loop && before(6))
        o.loop = *c.loop;
    if (c.pauseMessage && before(7))
        o.pauseMessage = *c.pauseMessage;
    if (c.useMusic && before(8))
        o.useMusic = *c.useMusic;
    if (c.musicPath && before(9))
        o.musicPath = *c.musicPath;
    result.options = o;

    if (failedSlot == NoSlot) {
        result.pictures = c.pictures;
    } else {
        qsizetype kept = 0;
        for (int slot = 1; slot < failedSlot; ++slot)
            kept += recognised[slot - 1] ? 0 : 1;
        result.pictures = c.pictures.mid(0, kept);
    }
    return result;
}

} // namespace maker_show
