#pragma once
// Helpers shared by the talk session tests: connect records and a notify
// callback that keeps what it was told.

#include "talk/SquadVoice.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace vel::test {

inline GTK_CONNECT_PARAM ConnectParams(uint16_t port, const char* user, const char* password,
                                       const char* unit = "")
{
    GTK_CONNECT_PARAM p;
    memset(&p, 0, sizeof p);
    strcpy(p.szServerIp, "127.0.0.1");
    p.usServerPort = port;
    strncpy(p.szUserId, user, sizeof p.szUserId - 1);
    strncpy(p.szPassword, password, sizeof p.szPassword - 1);
    strncpy(p.szPuid, unit, sizeof p.szPuid - 1);
    p.usClientKind = 1;
    return p;
}

struct NotifyRecorder
{
    struct Entry
    {
        void* session;
        int id;
        std::string xml;
    };

    static uint16_t GTK_CALL Callback(void* session, int32_t id, const char* xml, int32_t length, void* user)
    {
        auto* self = static_cast<NotifyRecorder*>(user);
        std::lock_guard lock(self->lock);
        self->entries.push_back({session, id, std::string(xml, size_t(length))});
        self->cond.notify_all();
        return 1;
    }

    // The first entry with this id at index >= from, waiting up to timeout.
    bool WaitFor(int id, Entry& out, std::chrono::milliseconds timeout, size_t from = 0)
    {
        std::unique_lock l(lock);
        return cond.wait_for(l, timeout, [&] {
            for (size_t i = from; i < entries.size(); ++i)
                if (entries[i].id == id) {
                    out = entries[i];
                    return true;
                }
            return false;
        });
    }
    size_t Size()
    {
        std::lock_guard l(lock);
        return entries.size();
    }

    std::mutex lock;
    std::condition_variable cond;
    std::vector<Entry> entries;
};

} // namespace vel::test
