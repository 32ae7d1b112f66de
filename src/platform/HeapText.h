#pragma once
// Texts handed to Qt's process-wide caches are copied to the heap first. The font cache keeps
// the families of every font drawn for as long as the process runs, and a literal's characters
// live in this library's pages, which go when a host unloads the library.
#include <QStringList>

inline QStringList HeapCopies(std::initializer_list<QStringView> texts) {
    QStringList copies;
    copies.reserve(qsizetype(texts.size()));
    for (QStringView t : texts) copies << t.toString();
    return copies;
}
