#pragma once

// What a music file holds, judged from its content before the mixer sees it. The mixer takes
// anything it does not recognise for a tracker module and reads it whole; and it reads a few
// parts of the formats it does know whole as well (a MIDI file, WAV info chunks, MP3 tags). So a
// file is handed over only as one of the formats the program plays, and only when none of those
// parts is larger than a real tune's, so that music always streams from its file.
namespace music_format {

enum class Kind { Unknown, Wav, Midi, Mp3 };

// The largest MIDI file taken: the synthesiser holds the file whole, and real ones are kilobytes.
inline constexpr long long MaxMidiBytes = 8ll << 20;
// The largest WAV chunk other than the samples, and the largest MP3 tag (cover pictures included).
inline constexpr long long MaxWavChunkBytes = 1ll << 20;
inline constexpr long long MaxMp3TagBytes = 16ll << 20;

// Reads a few headers of the open regular file `fd` (at their offsets, leaving the file position
// alone).
Kind sniff(int fd);

} // namespace music_format
