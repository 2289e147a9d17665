#include "platform/inet/HandleTable.h"

#include "platform/Error.h"

namespace wo::inet {

HandleTable& HandleTable::instance() {
    static HandleTable table;
    return table;
}

Handle HandleTable::add(std::shared_ptr<HandleObject> object, Handle parent) {
    std::lock_guard lock(m_mutex);
    if (parent != 0 && !m_entries.contains(parent))
        throw Error(WO_INET_ERROR_INVALID_HANDLE, QStringLiteral("Handle %1 is not open").arg(parent));
    // Values wrap around after 2^32 handles; skip zero and the ones still open.
    while (m_next == 0 || m_entries.contains(m_next))
        ++m_next;
    const Handle handle = m_next++;
    m_entries.emplace(handle, Entry{std::move(object), parent});
    return handle;
}

bool HandleTable::close(Handle handle) {
    // Objects die outside the lock: closing a connection talks to its server.
    std::vector<std::shared_ptr<HandleObject>> closed;
    {
        std::lock_guard lock(m_mutex);
        if (!m_entries.contains(handle))
            return false;
        collect(handle, closed);
    }
    return true;
}

void HandleTable::collect(Handle handle, std::vector<std::shared_ptr<HandleObject>>& closed) {
    auto node = m_entries.extract(handle);
    closed.push_back(std::move(node.mapped().object));
    std::vector<Handle> children;
    for (const auto& [child, entry] : m_entries)
        if (entry.parent == handle)
            children.push_back(child);
    for (const Handle child : children)
        collect(child, closed);
}

std::shared_ptr<HandleObject> HandleTable::find(Handle handle) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(handle);
    if (it == m_entries.end())
        throw Error(WO_INET_ERROR_INVALID_HANDLE, QStringLiteral("Handle %1 is not open").arg(handle));
    return it->second.object;
}

void HandleTable::throwWrongType(Handle handle) {
    throw Error(WO_INET_ERROR_INCORRECT_HANDLE_TYPE,
                QStringLiteral("Handle %1 is not of the kind this call needs").arg(handle));
}

} // namespace wo::inet
