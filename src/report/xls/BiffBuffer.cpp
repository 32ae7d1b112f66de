#include "report/xls/BiffBuffer.h"

namespace biff {

bool FitsLatin1(QStringView text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF) return false;
    return true;
}

void TBiffBuffer::Chars(QStringView text, bool compressed) {
    const size_t at = bytes_.size();
    if (compressed) {
        bytes_.resize(at + size_t(text.size()));
        uint8_t *out = &bytes_[at];
        for (QChar c : text) *out++ = uint8_t(c.unicode());
    } else {
        Raw(text.utf16(), size_t(text.size()) * 2);
    }
}

void TBiffBuffer::LongString(QStringView text) {
    const bool compressed = FitsLatin1(text);
    U16(uint16_t(text.size()));
    U8(compressed ? 0 : 1);
    Chars(text, compressed);
}

void TBiffBuffer::ShortString(QStringView text) {
    text = text.left(255);
    const bool compressed = FitsLatin1(text);
    U8(uint8_t(text.size()));
    U8(compressed ? 0 : 1);
    Chars(text, compressed);
}

}  // namespace biff
