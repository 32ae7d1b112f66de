#include "report/xls/CompoundFile.h"

#include <algorithm>
#include <cstring>

namespace cfb {
namespace {
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kEntriesPerSector = kSectorSize / 4;
constexpr uint32_t kHeaderDifat = 109;

uint32_t CeilDiv(uint64_t a, uint64_t b) { return uint32_t((a + b - 1) / b); }

class TSector {
public:
    TSector() : bytes_(kSectorSize, '\0') {}
    void U8(size_t at, uint8_t v) { bytes_[qsizetype(at)] = char(v); }
    void U16(size_t at, uint16_t v) { std::memcpy(bytes_.data() + at, &v, 2); }
    void U32(size_t at, uint32_t v) { std::memcpy(bytes_.data() + at, &v, 4); }
    void Fill32(size_t from, size_t to, uint32_t v) {
        for (size_t at = from; at < to; at += 4) U32(at, v);
    }
    const QByteArray &Bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

void WriteEntry(TSector &s, size_t at, const char16_t *name, uint8_t type, uint32_t child,
                uint32_t start, uint32_t size) {
    const size_t chars = std::char_traits<char16_t>::length(name);
    for (size_t i = 0; i < chars; ++i) s.U16(at + 2 * i, uint16_t(name[i]));
    s.U16(at + 64, uint16_t((chars + 1) * 2));  // bytes, terminating zero included
    s.U8(at + 66, type);
    s.U8(at + 67, 1);           // black in the directory's red-black tree
    s.U32(at + 68, kNoStream);  // left sibling
    s.U32(at + 72, kNoStream);  // right sibling
    s.U32(at + 76, child);
    s.U32(at + 116, start);
    s.U32(at + 120, size);
}
}  // namespace

TLayout PlanLayout(uint64_t streamBytes) {
    TLayout l;
    l.streamSectors = CeilDiv(std::max<uint64_t>(streamBytes, kMiniStreamCutoff), kSectorSize);
    // The allocation table must also cover its own sectors and those of its extension, so grow
    // the counts until they stop changing.
    for (;;) {
        const uint32_t fat = CeilDiv(uint64_t(l.streamSectors) + l.fatSectors + l.difatSectors + 1,
                                     kEntriesPerSector);
        const uint32_t difat =
            fat > kHeaderDifat ? CeilDiv(fat - kHeaderDifat, kEntriesPerSector - 1) : 0;
        if (fat == l.fatSectors && difat == l.difatSectors) break;
        l.fatSectors = fat;
        l.difatSectors = difat;
    }
    l.directorySector = l.streamSectors + l.fatSectors + l.difatSectors;
    return l;
}

namespace {
TSector Header(const TLayout &l) {
    TSector h;
    static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (size_t i = 0; i < 8; ++i) h.U8(i, kSignature[i]);
    h.U16(24, 0x003E);  // minor version
    h.U16(26, 0x0003);  // major version 3: 512-byte sectors
    h.U16(28, 0xFFFE);  // little-endian
    h.U16(30, 9);       // sector size 2^9
    h.U16(32, 6);       // mini sector size 2^6
    h.U32(44, l.fatSectors);
    h.U32(48, l.directorySector);
    h.U32(56, kMiniStreamCutoff);
    h.U32(60, kEndOfChain);  // no mini allocation table
    h.U32(68, l.difatSectors ? l.streamSectors + l.fatSectors : kEndOfChain);
    h.U32(72, l.difatSectors);
    h.Fill32(76, kSectorSize, kFreeSect);
    for (uint32_t i = 0; i < std::min(l.fatSectors, kHeaderDifat); ++i)
        h.U32(76 + 4 * i, l.streamSectors + i);
    return h;
}

// The allocation table's entry for sector `n`.
uint32_t FatEntry(const TLayout &l, uint32_t n) {
    if (n < l.streamSectors) return n + 1 == l.streamSectors ? kEndOfChain : n + 1;
    if (n < l.streamSectors + l.fatSectors) return kFatSect;
    if (n < l.directorySector) return kDifSect;
    if (n == l.directorySector) return kEndOfChain;
    return kFreeSect;
}

// Extension sector `k` of the table of allocation-table sectors: 127 entries and the next link.
TSector DifatSector(const TLayout &l, uint32_t k) {
    TSector s;
    s.Fill32(0, kSectorSize, kFreeSect);
    const uint32_t first = kHeaderDifat + k * (kEntriesPerSector - 1);
    for (uint32_t i = 0; i < kEntriesPerSector - 1 && first + i < l.fatSectors; ++i)
        s.U32(4 * i, l.streamSectors + first + i);
    const uint32_t next = k + 1 < l.difatSectors ? l.streamSectors + l.fatSectors + k + 1 : kEndOfChain;
    s.U32(kSectorSize - 4, next);
    return s;
}

TSector Directory(uint64_t streamBytes) {
    TSector s;
    s.Fill32(0, kSectorSize, 0);
    WriteEntry(s, 0, u"Root Entry", 5, 1, kEndOfChain, 0);
    WriteEntry(s, 128, u"Workbook", 2, kNoStream, 0, uint32_t(streamBytes));
    // The two unused entries of the sector: no name, no links.
    for (size_t at = 256; at < kSectorSize; at += 128) s.Fill32(at + 68, at + 80, kNoStream);
    return s;
}

bool Put(QIODevice &out, QByteArrayView bytes) {
    return bytes.isEmpty() || out.write(bytes.data(), bytes.size()) == bytes.size();
}
}  // namespace

authpay::Outcome WriteWorkbookFile(QIODevice &out, const std::vector<QByteArrayView> &parts) {
    uint64_t data = 0;
    for (QByteArrayView p : parts) data += uint64_t(p.size());
    const uint64_t streamBytes = std::max<uint64_t>(data, kMiniStreamCutoff);
    if (streamBytes > 0x7FFFFFFF) return authpay::Outcome::Failure(QStringLiteral("文件超过2GB，无法写入。"));
    const TLayout l = PlanLayout(streamBytes);
    bool ok = Put(out, Header(l).Bytes());
    for (QByteArrayView p : parts) ok = ok && Put(out, p);
    const QByteArray padding(qsizetype(uint64_t(l.streamSectors) * kSectorSize - data), '\0');
    ok = ok && Put(out, padding);
    for (uint32_t f = 0; ok && f < l.fatSectors; ++f) {
        TSector s;
        for (uint32_t i = 0; i < kEntriesPerSector; ++i)
            s.U32(4 * i, FatEntry(l, f * kEntriesPerSector + i));
        ok = Put(out, s.Bytes());
    }
    for (uint32_t k = 0; ok && k < l.difatSectors; ++k) ok = Put(out, DifatSector(l, k).Bytes());
    ok = ok && Put(out, Directory(streamBytes).Bytes());
    return ok ? authpay::Outcome::Success() : authpay::Outcome::Failure(out.errorString());
}

}  // namespace cfb
