// The exported functions of libSquadVoice. Each one catches everything: no
// exception ever crosses into the host.
//
// Sessions live in a registry keyed by their handle and are held by shared
// pointers: a call looks its session up under the read lock and keeps it
// alive for its own duration without holding the lock, so a slow request
// never blocks Connect or DisConnect of other sessions, and a DisConnect
// never frees a session another thread is still using.

#include "talk/SquadVoice.h"

#include "talk/CGTKClient.h"
#include "talk/TalkLog.h"

#include <map>
#include <memory>
#include <new>
#include <shared_mutex>
#include <vector>

using vel::CGTKClient;

namespace {

std::shared_mutex g_registryLock;
std::map<void*, std::shared_ptr<CGTKClient>>& Sessions()
{
    static std::map<void*, std::shared_ptr<CGTKClient>> sessions;
    return sessions;
}

thread_local uint32_t t_lastError = 0;

void Fail(uint32_t code)
{
    t_lastError = code;
}

std::shared_ptr<CGTKClient> FindSession(void* handle)
{
    std::shared_lock lock(g_registryLock);
    auto it = Sessions().find(handle);
    return it == Sessions().end() ? nullptr : it->second;
}

void Close(const std::shared_ptr<CGTKClient>& s)
{
    s->Stop();
    s->Udp().Stop();
}

} // namespace

extern "C" {

GTK_API void GTK_CALL GTK_CLIENT_Init(void)
{
    // POSIX sockets need no start-up; sends use MSG_NOSIGNAL, so no signal
    // handling has to change either.
}

GTK_API void GTK_CALL GTK_CLIENT_Release(void)
{
    try {
        std::vector<std::shared_ptr<CGTKClient>> closing;
        {
            std::unique_lock lock(g_registryLock);
            for (auto it = Sessions().begin(); it != Sessions().end();) {
                if (it->second->IsOwnThread()) {
                    // Called from this session's own callback: it cannot wait
                    // for itself, so it stays open for a later DisConnect.
                    vel::TalkLog("GTK_CLIENT_Release: session %p is calling, left open\r\n", it->first);
                    ++it;
                    continue;
                }
                closing.push_back(std::move(it->second));
                it = Sessions().erase(it);
            }
        }
        for (auto& s : closing)
            Close(s);
    } catch (...) {
        vel::TalkLog("GTK_CLIENT_Release Unexcepted error!\r\n");
    }
}

GTK_API void* GTK_CALL GTK_CLIENT_Connect(const GTK_CONNECT_PARAM* params)
{
    if (!params) {
        Fail(GTK_ERR_INVALID_ARG);
        return nullptr;
    }
    try {
        auto s = std::make_shared<CGTKClient>();
        uint32_t r = s->Start();
        if (r == 0)
            r = s->Register(*params);
        if (r != 0) {
            Close(s);
            Fail(r);
            return nullptr;
        }
        void* handle = s->Handle();
        std::unique_lock lock(g_registryLock);
        Sessions()[handle] = std::move(s);
        return handle;
    } catch (const std::bad_alloc&) {
        Fail(GTK_ERR_NO_MEMORY);
    } catch (...) {
        vel::TalkLog("GTK_CLIENT_Connect Unexcepted error!\r\n");
        Fail(GTK_ERR_NO_MEMORY);
    }
    return nullptr;
}

GTK_API int32_t GTK_CALL GTK_CLIENT_DisConnect(void* hSession)
{
    try {
        auto s = FindSession(hSession);
        if (!s || s->IsOwnThread()) {
            // From one of the session's own callbacks the session cannot wait
            // for its own threads to end.
            Fail(GTK_ERR_INVALID_STATE);
            return -1;
        }
        {
            std::unique_lock lock(g_registryLock);
            if (Sessions().erase(hSession) == 0) {
                Fail(GTK_ERR_INVALID_STATE); // another thread disconnected it first
                return -1;
            }
        }
        Close(s);
        return 0;
    } catch (...) {
        vel::TalkLog("GTK_CLIENT_DisConnect Unexcepted error!\r\n");
        return -1;
    }
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SetNotifyCallBack(void* hSession, GTK_NOTIFY_CALLBACK callback,
                                                      void* user)
{
    try {
        auto s = FindSession(hSession);
        if (!s) {
            Fail(GTK_ERR_INVALID_STATE);
            return -1;
        }
        s->SetNotifyCallback(callback, user);
        return 0;
    } catch (...) {
        return -1;
    }
}

GTK_API uint32_t GTK_CALL GTK_CLIENT_GetLastError(void)
{
    return t_lastError;
}

} // extern "C"
