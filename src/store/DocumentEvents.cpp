#include "store/DocumentEvents.h"

namespace wo::store {

namespace {
DocumentListener& listener() {
    static DocumentListener s_listener;
    return s_listener;
}
} // namespace

void setDocumentListener(DocumentListener l) {
    listener() = std::move(l);
}

void documentAdded(const QString& id) {
    if (listener().added)
        listener().added(id);
}

void lastReferenceDeleted(const QString& id) {
    if (listener().lastReferenceDeleted)
        listener().lastReferenceDeleted(id);
}

} // namespace wo::store
