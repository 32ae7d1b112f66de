#pragma once
// Joins PDF files that one writer made of consecutive runs of the pages of one document into a
// single file: the objects of each part are numbered on after those of the parts before it, the
// pages of all parts hang from the first part's page tree in order, and the first part's catalog
// and document information stay. Each part keeps its own fonts and resources, so every page draws
// exactly as it did in its part.
//
// The parts must be complete files with a plain cross-reference table and one page tree node (as
// Qt's PDF writer makes them); anything else is refused with a reason rather than guessed at.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <vector>

bool JoinPdfParts(const std::vector<QByteArray> &parts, QIODevice &out, QString *error);
