#include "report/xls/SharedStrings.h"

#include <algorithm>

namespace biff {
namespace {
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kExtSst = 0x00FF;

// Writes records of one logical SST, opening a CONTINUE record whenever the current one is full.
class TContinuedRecord {
public:
    TContinuedRecord(TBiffBuffer &out, uint16_t id) : out_(out), header_(out.OpenRecord(id)) {}
    ~TContinuedRecord() { out_.CloseRecord(header_); }

    size_t Room() const { return kMaxRecordData - out_.RecordLength(header_); }
    void Continue() {
        out_.CloseRecord(header_);
        header_ = out_.OpenRecord(kContinue);
    }
    // Offset of the next byte from the start of the current record, header included.
    uint16_t OffsetInRecord() const { return uint16_t(out_.RecordLength(header_) + 4); }

private:
    TBiffBuffer &out_;
    size_t header_;
};

// One string: its 3-byte header is never split; its characters may be, and the part in the next
// record starts with a fresh flags byte. A UTF-16 character is never split.
void WriteString(TBiffBuffer &out, TContinuedRecord &rec, QStringView text) {
    const bool compressed = FitsLatin1(text);
    const size_t charSize = compressed ? 1 : 2;
    const uint8_t flags = compressed ? 0 : 1;
    out.U16(uint16_t(text.size()));
    out.U8(flags);
    while (!text.isEmpty()) {
        size_t fit = rec.Room() / charSize;
        if (fit == 0) {
            rec.Continue();
            out.U8(flags);
            continue;
        }
        fit = std::min(fit, size_t(text.size()));
        out.Chars(text.left(qsizetype(fit)), compressed);
        text = text.mid(qsizetype(fit));
    }
}
}  // namespace

uint32_t TSharedStrings::Add(QStringView text) {
    ++references_;
    auto it = index_.constFind(text);
    if (it != index_.cend()) return it.value();
    const auto id = uint32_t(strings_.size());
    strings_.push_back(text);
    index_.insert(text, id);
    return id;
}

uint16_t TSharedStrings::BucketSize(uint32_t count) {
    return uint16_t(std::max<uint32_t>(8, count / 128 + 1));
}

void TSharedStrings::Write(TBiffBuffer &out, size_t streamBase) const {
    const uint16_t bucket = BucketSize(UniqueCount());
    std::vector<std::pair<uint32_t, uint16_t>> buckets;  // stream position, offset in record
    {
        TContinuedRecord rec(out, kSst);
        out.U32(references_);
        out.U32(UniqueCount());
        for (size_t i = 0; i < strings_.size(); ++i) {
            // The header and at least one character (two bytes for UTF-16) go into one record.
            if (rec.Room() < 5) rec.Continue();
            if (i % bucket == 0)
                buckets.emplace_back(uint32_t(streamBase + out.Size()), rec.OffsetInRecord());
            WriteString(out, rec, strings_[i]);
        }
    }
    const size_t header = out.OpenRecord(kExtSst);
    out.U16(bucket);
    for (const auto &[position, offset] : buckets) {
        out.U32(position);
        out.U16(offset);
        out.U16(0);
    }
    out.CloseRecord(header);
}

}  // namespace biff
