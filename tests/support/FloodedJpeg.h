#pragma once

#include <QByteArray>
#include <QSize>

// Progressive JPEGs that flood a decoder with scans, written byte by byte from an honest one.
namespace flooded_jpeg {

// An honest progressive JPEG of `size`, smooth enough that its refinement scans are a few bytes.
QByteArray honest(QSize size);
// `jpeg` with its last scan repeated until it holds `extra` more scans: each one goes over the
// whole picture again.
QByteArray repeatingLastScan(const QByteArray& jpeg, int extra);
// `jpeg` with `extra` scans of an AC band that carry no data at all.
QByteArray withEmptyScans(const QByteArray& jpeg, int extra);

} // namespace flooded_jpeg
