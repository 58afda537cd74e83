#pragma once

class QIODevice;

namespace wav_header {

// True for a well-formed WAV file whose data holds not one whole sample: a valid tune of no
// length, which the mixer refuses as a bad file. Reads the chunk headers from the start of
// `file`, a bounded number of them.
bool hasNoSamples(QIODevice& file);

} // namespace wav_header
