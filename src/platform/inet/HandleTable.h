#pragma once

#include "wendra/inet.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace wo::inet {

using Handle = WoHInternet;

// What a handle stands for: a session or a connection.
class HandleObject {
public:
    virtual ~HandleObject() = default;
};

// The one process-wide table of open handles, shared by the host and the component.
// Handle values are non-zero and never handed out twice while open.
class HandleTable {
public:
    static HandleTable& instance();

    // Opens a handle for object; a non-zero parent must be open and closes it along.
    Handle add(std::shared_ptr<HandleObject> object, Handle parent = 0);
    // The object behind handle; throws when it is not open or of another kind.
    template <typename T> std::shared_ptr<T> get(Handle handle) const {
        auto object = std::dynamic_pointer_cast<T>(find(handle));
        if (!object)
            throwWrongType(handle);
        return object;
    }
    // Closes handle and every handle opened under it; false when it was not open.
    bool close(Handle handle);

private:
    struct Entry {
        std::shared_ptr<HandleObject> object;
        Handle parent;
    };

    std::shared_ptr<HandleObject> find(Handle handle) const;
    [[noreturn]] static void throwWrongType(Handle handle);
    void collect(Handle handle, std::vector<std::shared_ptr<HandleObject>>& closed);

    mutable std::mutex m_mutex;
    std::unordered_map<Handle, Entry> m_entries;
    Handle m_next = 1;
};

} // namespace wo::inet
