#pragma once
// The OLE2 compound file (version 3, 512-byte sectors) that carries a workbook: one stream named
// "Workbook" in the root storage. The stream is laid out in consecutive sectors, followed by the
// allocation table, its extension sectors when it outgrows the header, and the directory.
#include "authpay/Outcome.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <vector>

namespace cfb {

inline constexpr uint32_t kSectorSize = 512;
// Streams smaller than this would belong in the mini stream; the workbook is padded up to it.
inline constexpr uint32_t kMiniStreamCutoff = 4096;

// Where each part of the file goes, for a stream of `streamBytes` bytes (already padded).
struct TLayout {
    uint32_t streamSectors = 0;
    uint32_t fatSectors = 0;
    uint32_t difatSectors = 0;
    uint32_t directorySector = 0;  // one sector holds the four directory entries we need
    uint32_t TotalSectors() const { return streamSectors + fatSectors + difatSectors + 1; }
};
TLayout PlanLayout(uint64_t streamBytes);

// Writes the compound file with the stream made of `parts` (written one after the other), padded
// with zeros to at least kMiniStreamCutoff bytes. False, with the device's error, when a write
// fails or the stream is too large for the format.
authpay::Outcome WriteWorkbookFile(QIODevice &out, const std::vector<QByteArrayView> &parts);

}  // namespace cfb
