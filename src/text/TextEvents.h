#pragma once

#include "wo_internal_export.h"

#include <QObject>

namespace wo::text {

// What the background reading tells the component's windows. Lives on the thread that
// made the reading service (the host's user-interface thread); the reading thread only
// emits, so every receiver there gets the signal queued, never a call from the worker.
class WO_INTERNAL TextEvents final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // A document's reading ended (its text stored, or it failed): searches may find more.
    void documentRead();
};

} // namespace wo::text
