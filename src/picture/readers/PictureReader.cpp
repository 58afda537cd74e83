#include "picture/readers/PictureReader.h"

#include "picture/limits/PictureLimits.h"
#include "picture/reduce/RowReducer.h"

Claim Claim::ofWholeDecode(QSize size) {
    using namespace picture_limits;
    return {WholeDecodeWork * size.width() * size.height(), WholeDecodeWork * MaxWholePixels};
}

Claim PictureReader::claim() const {
    return {qint64(size().width()) * size().height(), picture_limits::PixelsPerByte};
}

QImage PictureReader::read(const WantedPart& wanted, DecodeLimit& limit) {
    RowReducer rows = wanted.size == wanted.part.size()
                          ? RowReducer::keeping(size(), wanted.part, hasAlpha())
                          : RowReducer::reducing(size(), wanted.size, hasAlpha(), rowsInOrder());
    if (!readRows(rows, limit))
        return {};
    return rows.take();
}

bool PictureReader::readRows(RowReducer&, const DecodeLimit&) {
    return false;
}
