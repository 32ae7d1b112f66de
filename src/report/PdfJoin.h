#pragma once
// Joins PDF files that one writer made of consecutive runs of the pages of one document into a
// single file: the pages of every part follow those of the first part in order, and the first
// part's catalog and document information stay. Each page keeps its own fonts and resources, so
// every page draws exactly as it did in its part. The parts are read by qpdf, strictly: a part
// that is damaged or not a PDF is refused with a reason rather than repaired by guessing.
#include "authpay/Outcome.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <vector>

authpay::Outcome JoinPdfParts(const std::vector<QByteArray> &parts, QIODevice &out);
