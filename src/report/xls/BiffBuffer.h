#pragma once
// A growing little-endian byte buffer that holds BIFF8 records: a record is opened with its
// identifier, filled, and closed, which writes its length into the header.
//
// The bytes live in chunks of 1 MB that are never moved, so a large worksheet costs no copying
// while it grows and no more memory than its size; a record never straddles two chunks.
#include <QByteArrayView>
#include <QStringView>
#include <cstdint>
#include <cstring>
#include <vector>

namespace biff {
// Bytes of data one record may carry; longer data goes on in CONTINUE records.
inline constexpr size_t kMaxRecordData = 8224;
inline constexpr uint16_t kContinue = 0x003C;

class TBiffBuffer {
public:
    // Opens a record; returns the position of its header, which CloseRecord needs.
    size_t OpenRecord(uint16_t id);
    void CloseRecord(size_t header) { PatchU16(header + 2, uint16_t(RecordLength(header))); }
    // Bytes written into the record opened at `header` so far.
    size_t RecordLength(size_t header) const { return size_ - header - 4; }

    void U8(uint8_t v) { Raw(&v, 1); }
    void U16(uint16_t v) { Raw(&v, 2); }
    void U32(uint32_t v) { Raw(&v, 4); }
    void F64(double v) { Raw(&v, 8); }
    void PatchU16(size_t at, uint16_t v) { Patch(at, &v, 2); }
    void PatchU32(size_t at, uint32_t v) { Patch(at, &v, 4); }

    // Characters as one byte each (all below U+0100) or as UTF-16LE.
    void Chars(QStringView text, bool compressed);
    // A string with a 16-bit (XLUnicodeString) or 8-bit (ShortXLUnicodeString) length.
    void LongString(QStringView text);
    void ShortString(QStringView text);

    size_t Size() const { return size_; }
    // The bytes, chunk by chunk, in order.
    std::vector<QByteArrayView> Parts() const;

private:
    struct TChunk {
        size_t start = 0;  // position of the chunk's first byte in the buffer
        std::vector<uint8_t> bytes;
    };
    // The format is little-endian, and so is every machine this module is built for. Writes
    // happen inside records, which OpenRecord made room for.
    void Raw(const void *p, size_t n) {
        std::vector<uint8_t> &b = chunks_.back().bytes;
        const auto *from = static_cast<const uint8_t *>(p);
        b.insert(b.end(), from, from + n);
        size_ += n;
    }
    void Patch(size_t at, const void *p, size_t n);

    std::vector<TChunk> chunks_;
    size_t size_ = 0;
};

// True when every character fits in one byte (the string can be stored compressed).
bool FitsLatin1(QStringView text);
}  // namespace biff
