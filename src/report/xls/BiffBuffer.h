#pragma once
// A growing little-endian byte buffer that holds BIFF8 records: a record is opened with its
// identifier, filled, and closed, which writes its length into the header.
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
    explicit TBiffBuffer(size_t reserve = 0) { bytes_.reserve(reserve); }

    // Opens a record; returns the position of its header, which CloseRecord needs.
    size_t OpenRecord(uint16_t id) {
        const size_t at = bytes_.size();
        U16(id);
        U16(0);
        return at;
    }
    void CloseRecord(size_t header) {
        const size_t length = bytes_.size() - header - 4;
        PatchU16(header + 2, uint16_t(length));
    }
    // Bytes written into the record opened at `header` so far.
    size_t RecordLength(size_t header) const { return bytes_.size() - header - 4; }

    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { Raw(&v, 2); }
    void U32(uint32_t v) { Raw(&v, 4); }
    void F64(double v) { Raw(&v, 8); }
    void PatchU16(size_t at, uint16_t v) { std::memcpy(&bytes_[at], &v, 2); }
    void PatchU32(size_t at, uint32_t v) { std::memcpy(&bytes_[at], &v, 4); }

    // Characters as one byte each (all below U+0100) or as UTF-16LE.
    void Chars(QStringView text, bool compressed);
    // A string with a 16-bit (XLUnicodeString) or 8-bit (ShortXLUnicodeString) length.
    void LongString(QStringView text);
    void ShortString(QStringView text);

    size_t Size() const { return bytes_.size(); }
    const uint8_t *Data() const { return bytes_.data(); }

private:
    // The format is little-endian, and so is every machine this module is built for.
    void Raw(const void *p, size_t n) {
        const size_t at = bytes_.size();
        bytes_.resize(at + n);
        std::memcpy(&bytes_[at], p, n);
    }

    std::vector<uint8_t> bytes_;
};

// True when every character fits in one byte (the string can be stored compressed).
bool FitsLatin1(QStringView text);
}  // namespace biff
