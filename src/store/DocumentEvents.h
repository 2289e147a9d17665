#pragma once

#include <QString>
#include <functional>

namespace wo::store {

// What the store tells the parts of the component that keep something of their own
// per document (the text of its pages): a document added (its row committed), and a
// document whose last reference was deleted. One listener per process, set by that
// part; called on the operation's thread. A listener must not throw.
struct DocumentListener {
    std::function<void(const QString& id)> added;
    std::function<void(const QString& id)> lastReferenceDeleted;
};

void setDocumentListener(DocumentListener listener);
void documentAdded(const QString& id);
void lastReferenceDeleted(const QString& id);

} // namespace wo::store
