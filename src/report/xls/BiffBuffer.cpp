#include "report/xls/BiffBuffer.h"

#include <algorithm>

namespace biff {
namespace {
constexpr size_t kChunkSize = size_t(1) << 20;
constexpr size_t kLargestRecord = 4 + kMaxRecordData;
}  // namespace

bool FitsLatin1(QStringView text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF) return false;
    return true;
}

size_t TBiffBuffer::OpenRecord(uint16_t id) {
    if (chunks_.empty() || chunks_.back().bytes.capacity() - chunks_.back().bytes.size() < kLargestRecord) {
        chunks_.push_back({size_, {}});
        chunks_.back().bytes.reserve(kChunkSize);
    }
    const size_t at = size_;
    U16(id);
    U16(0);
    return at;
}

void TBiffBuffer::Patch(size_t at, const void *p, size_t n) {
    auto chunk = std::upper_bound(chunks_.begin(), chunks_.end(), at,
                                  [](size_t pos, const TChunk &c) { return pos < c.start; });
    --chunk;  // the last chunk starting at or before `at`; patches never cross chunks
    std::memcpy(chunk->bytes.data() + (at - chunk->start), p, n);
}

std::vector<QByteArrayView> TBiffBuffer::Parts() const {
    std::vector<QByteArrayView> parts;
    for (const TChunk &c : chunks_)
        parts.emplace_back(reinterpret_cast<const char *>(c.bytes.data()), qsizetype(c.bytes.size()));
    return parts;
}

void TBiffBuffer::Chars(QStringView text, bool compressed) {
    if (!compressed) return Raw(text.utf16(), size_t(text.size()) * 2);
    uint8_t bytes[256];
    while (!text.isEmpty()) {
        const qsizetype n = std::min<qsizetype>(text.size(), 256);
        for (qsizetype i = 0; i < n; ++i) bytes[i] = uint8_t(text[i].unicode());
        Raw(bytes, size_t(n));
        text = text.mid(n);
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
