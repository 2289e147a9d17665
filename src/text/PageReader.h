#pragma once

#include "text/PageText.h"
#include "wo_internal_export.h"

#include <QList>
#include <QString>
#include <functional>

namespace wo::text {

// How pages are read: the recognition languages (tesseract's names, "+" between
// several) and how long one page may take before its program is ended.
struct ReadOptions {
    QString languages = QStringLiteral("chi_sim");
    int pageSeconds = 60;
    // The reading program; empty for wendra-ocr beside the component.
    QString program;
    // Asked while a page is read; true ends its program and the reading (TextUnreadable).
    std::function<bool()> cancelled;
};

// The text of every page of a local file, each page read by the reading program in
// a process of its own (one thread, lower priority, ended after its time), so that
// a hostile file fails there. Blocks the calling thread: call it off the window's.
// Throws wo::Error (TextUnreadable) naming the page when one cannot be read.
WO_INTERNAL QList<PageText> readDocument(const QString& file, const ReadOptions& options = {});

} // namespace wo::text
