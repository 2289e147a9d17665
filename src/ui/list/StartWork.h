#pragma once

#include <QString>
#include <QStringList>

namespace wo::ui {

// What the list window does once it has loaded, decided by the first case that applies.
struct StartWork {
    enum Kind { Nothing, Scan, OpenDocument, PreviewFirst } kind = Nothing;
    int row = -1; // 0-based row to open and preview, for OpenDocument
};

// gsState "ScanState" scans; a gsOriginalID names the first row whose tag equals it
// exactly (no match: nothing); otherwise the first row is previewed if there is one.
StartWork decideStartWork(const QString& state, const QString& originalId, const QStringList& tags);

} // namespace wo::ui
