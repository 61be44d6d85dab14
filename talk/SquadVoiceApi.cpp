// The exported functions of libSquadVoice. Each one catches everything: no
// exception ever crosses into the host.
//
// Sessions live in a registry keyed by their handle and are held by shared
// pointers: a call looks its session up under the read lock and keeps it
// alive for its own duration without holding the lock, so a slow request
// never blocks Connect or DisConnect of other sessions, and a DisConnect
// never frees a session another thread is still using.

#include "talk/SquadVoice.h"

#include "talk/CDownLoadFile.h"
#include "talk/CGTKClient.h"
#include "talk/CPictureSender.h"
#include "talk/TalkLog.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>

#include <map>
#include <memory>
#include <new>
#include <shared_mutex>
#include <vector>

using vel::CDownLoadFile;
using vel::CGTKClient;
using vel::CPictureSender;

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

// Transfer ids for uploads and downloads come from one counter.
std::mutex g_idLock;
int32_t g_nextId = 0;
int32_t NextTransferId()
{
    std::lock_guard lock(g_idLock);
    g_nextId = g_nextId == INT32_MAX ? 0 : g_nextId + 1;
    return g_nextId;
}

template <class Task> struct Registry
{
    std::mutex lock;
    std::map<int32_t, std::shared_ptr<Task>> tasks;

    std::shared_ptr<Task> Find(int32_t id)
    {
        std::lock_guard l(lock);
        auto it = tasks.find(id);
        return it == tasks.end() ? nullptr : it->second;
    }
    std::shared_ptr<Task> Take(int32_t id)
    {
        std::lock_guard l(lock);
        auto it = tasks.find(id);
        if (it == tasks.end())
            return nullptr;
        auto t = std::move(it->second);
        tasks.erase(it);
        return t;
    }
    std::vector<std::shared_ptr<Task>> TakeAll()
    {
        std::lock_guard l(lock);
        std::vector<std::shared_ptr<Task>> all;
        for (auto& [id, t] : tasks)
            all.push_back(std::move(t));
        tasks.clear();
        return all;
    }
};

Registry<CPictureSender>& Uploads()
{
    static Registry<CPictureSender> r;
    return r;
}
Registry<CDownLoadFile>& Downloads()
{
    static Registry<CDownLoadFile> r;
    return r;
}

bool Empty(const char* s)
{
    return !s || !*s;
}

// The session for a handle, or null with the last error set.
std::shared_ptr<CGTKClient> Session(void* handle)
{
    auto s = FindSession(handle);
    if (!s)
        Fail(GTK_ERR_INVALID_STATE);
    return s;
}

int32_t Result(uint32_t code)
{
    if (code == 0)
        return 0;
    Fail(code);
    return -1;
}

// Synchronous call and invitation results as the host sees them.
int32_t CallReturn(uint32_t code, uint32_t busyStatus)
{
    if (code == 0)
        return 0;
    Fail(code);
    if (code == GTK_ERR_SERVER_BASE + 413)
        return -3;
    if (code == GTK_ERR_SERVER_BASE + busyStatus)
        return -2;
    if (code == GTK_ERR_SERVER_BASE + 417 || code == GTK_ERR_NO_REPLY)
        return -4;
    return -1;
}

int32_t StartUpload(void* hSession, int kind, const std::string& to, const char* path)
{
    auto s = Session(hSession);
    if (!s)
        return -1;
    if (to.empty() || Empty(path)) {
        Fail(GTK_ERR_INVALID_ARG);
        return -1;
    }
    if (!s->IsRegistered()) {
        Fail(GTK_ERR_INVALID_STATE);
        return -1;
    }
    std::shared_ptr<CPictureSender> task;
    try {
        task = std::make_shared<CPictureSender>();
    } catch (...) {
        Fail(GTK_ERR_TASK_MEMORY);
        return -1;
    }
    if (int err = task->Start(s->FileServer(), s->FilePort(), s->UserId(), kind, to, path)) {
        Fail(uint32_t(err));
        return -1;
    }
    int32_t id = NextTransferId();
    std::lock_guard l(Uploads().lock);
    Uploads().tasks[id] = std::move(task);
    return id;
}

int32_t StartDownload(const std::string& url, GTK_DOWNLOAD_CALLBACK callback, void* user)
{
    std::shared_ptr<CDownLoadFile> task;
    try {
        task = std::make_shared<CDownLoadFile>();
    } catch (...) {
        Fail(GTK_ERR_TASK_MEMORY);
        return -1;
    }
    int32_t id = NextTransferId();
    // Registered before it starts, so its first block already finds its id known.
    {
        std::lock_guard l(Downloads().lock);
        Downloads().tasks[id] = task;
    }
    if (int err = task->Start(id, url, callback, user)) {
        Downloads().Take(id);
        Fail(uint32_t(err));
        return -1;
    }
    return id;
}

} // namespace

#define GTK_GUARD(name, body)                                                                                    \
    try {                                                                                                        \
        body                                                                                                     \
    } catch (...) {                                                                                              \
        vel::TalkLog(name " Unexcepted error!\r\n");                                                          \
        return -1;                                                                                               \
    }

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
        for (auto& u : Uploads().TakeAll())
            u->Stop();
        for (auto& d : Downloads().TakeAll())
            d->Stop();
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

GTK_API int32_t GTK_CALL GTK_CLIENT_JoinGroup(void* hSession, uint16_t channel, GTK_GROUP_VOICE_CALLBACK callback,
                                              void* user)
{
    GTK_GUARD("GTK_CLIENT_JoinGroup", {
        auto s = Session(hSession);
        return s ? Result(s->JoinGroup(channel, callback, user)) : -1;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_QuitGroup(void* hSession)
{
    GTK_GUARD("GTK_CLIENT_QuitGroup", {
        auto s = Session(hSession);
        return s ? Result(s->QuitGroup()) : -1;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SendGroupVoiceData(void* hSession, uint16_t channel, const uint8_t* data,
                                                       int32_t length)
{
    GTK_GUARD("GTK_CLIENT_SendGroupVoiceData", {
        auto s = FindSession(hSession);
        if (!s)
            return -1;
        if (!data || length <= 0)
            return s->ReleaseFloor() == 0 ? 0 : -1;
        return s->SendGroupVoice(channel, data, size_t(length)) == 0 ? 0 : -1;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_BreakSpeak(void* hSession, uint16_t channel, const char* userId)
{
    GTK_GUARD("GTK_CLIENT_BreakSpeak", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(userId))
            return Result(GTK_ERR_INVALID_ARG);
        return Result(s->BreakSpeak(channel, userId));
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_TalkInvite(void* hSession, uint16_t channel, const char* invitee,
                                               const char* text)
{
    GTK_GUARD("GTK_CLIENT_TalkInvite", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        return CallReturn(s->TalkInvite(channel, invitee ? invitee : "", text ? text : ""), 425);
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_TalkInviteEx(void* hSession, uint16_t channel, const char* invitee,
                                                 const char* text, uint8_t forced)
{
    GTK_GUARD("GTK_CLIENT_TalkInviteEx", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(invitee))
            return Result(GTK_ERR_INVALID_ARG);
        uint32_t id = 0;
        if (uint32_t r = s->TalkInviteEx(channel, invitee, text ? text : "", forced != 0, id))
            return Result(r);
        return int32_t(id);
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_IndivCall(void* hSession, const char* callee, uint8_t video,
                                              GTK_INDIV_VOICE_CALLBACK callback, void* user)
{
    GTK_GUARD("GTK_CLIENT_IndivCall", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(callee))
            return Result(GTK_ERR_INVALID_ARG);
        return CallReturn(s->IndivCall(callee, video, callback, user), 416);
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_IndivCallEx(void* hSession, const char* callee, uint8_t video,
                                                GTK_INDIV_VOICE_CALLBACK callback, void* user, uint8_t forced)
{
    GTK_GUARD("GTK_CLIENT_IndivCallEx", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(callee))
            return Result(GTK_ERR_INVALID_ARG);
        uint32_t id = 0;
        if (uint32_t r = s->IndivCallEx(callee, video, callback, user, forced != 0, id))
            return Result(r);
        return int32_t(id);
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SetIndivCallCallBack(void* hSession, GTK_INDIV_VOICE_CALLBACK callback,
                                                         void* user)
{
    GTK_GUARD("GTK_CLIENT_SetIndivCallCallBack", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        s->SetIndivCallCallback(callback, user);
        return 0;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_HangUp(void* hSession)
{
    GTK_GUARD("GTK_CLIENT_HangUp", {
        auto s = Session(hSession);
        return s ? Result(s->HangUp()) : -1;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SendIndivVoiceData(void* hSession, const char* destUser, const uint8_t* data,
                                                       int32_t length)
{
    GTK_GUARD("GTK_CLIENT_SendIndivVoiceData", {
        auto s = FindSession(hSession);
        if (!s || Empty(destUser) || !data || length <= 0)
            return -1;
        return s->SendIndivVoice(destUser, data, size_t(length)) == 0 ? 0 : -1;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_BreakUpIndivCall(void* hSession, uint32_t session)
{
    GTK_GUARD("GTK_CLIENT_BreakUpIndivCall", {
        auto s = Session(hSession);
        return s ? Result(s->BreakUpIndivCall(session)) : -1;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_PushVideo(void* hSession, const char* userId, const char* url, const char* text)
{
    GTK_GUARD("GTK_CLIENT_PushVideo", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(userId) || Empty(url))
            return Result(GTK_ERR_INVALID_ARG);
        return Result(s->PushVideo(userId, url, text ? text : ""));
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SendMsg(void* hSession, const char* userId, const char* text, int32_t length)
{
    GTK_GUARD("GTK_CLIENT_SendMsg", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(userId) || Empty(text) || length == 0)
            return Result(GTK_ERR_INVALID_ARG);
        return Result(s->IndivInfo(userId, text));
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_BroadCastMsg(void* hSession, uint16_t channel, const char* text, int32_t length)
{
    GTK_GUARD("GTK_CLIENT_BroadCastMsg", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(text) || length == 0)
            return Result(GTK_ERR_INVALID_ARG);
        return Result(s->GroupInfo(channel, text));
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_TransData(void* hSession, const char* userId, const uint8_t* data,
                                              int32_t length)
{
    GTK_GUARD("GTK_CLIENT_TransData", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(userId) || !data || length <= 0)
            return Result(GTK_ERR_INVALID_ARG);
        return Result(s->TransData(userId, data, size_t(length)));
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_TransGroupData(void* hSession, uint16_t channel, const uint8_t* data,
                                                   int32_t length)
{
    GTK_GUARD("GTK_CLIENT_TransGroupData", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (!data || length <= 0)
            return Result(GTK_ERR_INVALID_ARG);
        return Result(s->TransGroupData(channel, data, size_t(length)));
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SetTransDataCallBack(void* hSession, GTK_DATA_CALLBACK callback, void* user)
{
    GTK_GUARD("GTK_CLIENT_SetTransDataCallBack", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        s->SetTransDataCallback(callback, user);
        return 0;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SetGPSNotify(void* hSession, GTK_GPS_CALLBACK callback, void* user)
{
    GTK_GUARD("GTK_CLIENT_SetGPSNotify", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        s->SetGpsCallback(callback, user);
        return 0;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SetAlarmNotify(void* hSession, GTK_ALARM_CALLBACK callback, void* user)
{
    GTK_GUARD("GTK_CLIENT_SetAlarmNotify", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        s->SetAlarmCallback(callback, user);
        return 0;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SendFile(void* hSession, const char* userId, const char* localPath)
{
    GTK_GUARD("GTK_CLIENT_SendFile", { return StartUpload(hSession, 2, userId ? userId : "", localPath); })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_SendGroupFile(void* hSession, uint16_t channel, const char* localPath)
{
    GTK_GUARD("GTK_CLIENT_SendGroupFile", { return StartUpload(hSession, 1, std::to_string(channel), localPath); })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_GetSendFilePos(int32_t uploadId)
{
    GTK_GUARD("GTK_CLIENT_GetSendFilePos", {
        auto t = Uploads().Find(uploadId);
        if (!t)
            return Result(GTK_ERR_UNKNOWN_TRANSFER);
        return t->Progress();
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_StopSendFile(int32_t uploadId)
{
    GTK_GUARD("GTK_CLIENT_StopSendFile", {
        auto t = Uploads().Take(uploadId);
        if (!t)
            return Result(GTK_ERR_UNKNOWN_TRANSFER);
        t->Stop();
        return 0;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_StartDownloadVoice(void* hSession, int32_t type, const char* fileName,
                                                       int32_t pos, GTK_DOWNLOAD_CALLBACK callback, void* user)
{
    GTK_GUARD("GTK_CLIENT_StartDownloadVoice", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(fileName) || pos < 0 || pos > 100 || !callback)
            return Result(GTK_ERR_INVALID_ARG);
        return StartDownload(CDownLoadFile::VoiceUrl(s->FileServer(), s->FilePort(), type, pos, fileName), callback,
                             user);
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_StartDownloadFile(void* hSession, int32_t type, const char* filePath,
                                                      GTK_DOWNLOAD_CALLBACK callback, void* user)
{
    GTK_GUARD("GTK_CLIENT_StartDownloadFile", {
        auto s = Session(hSession);
        if (!s)
            return -1;
        if (Empty(filePath) || !callback)
            return Result(GTK_ERR_INVALID_ARG);
        return StartDownload(CDownLoadFile::FileUrl(s->FileServer(), s->FilePort(), type, filePath), callback, user);
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_StopDownload(int32_t downloadId)
{
    GTK_GUARD("GTK_CLIENT_StopDownload", {
        auto t = Downloads().Take(downloadId);
        if (!t)
            return Result(GTK_ERR_UNKNOWN_TRANSFER);
        t->Stop();
        return 0;
    })
}

GTK_API int32_t GTK_CALL GTK_CLIENT_GetDownloadPos(int32_t downloadId)
{
    GTK_GUARD("GTK_CLIENT_GetDownloadPos", {
        auto t = Downloads().Find(downloadId);
        if (!t)
            return Result(GTK_ERR_UNKNOWN_TRANSFER);
        return t->Progress();
    })
}

GTK_API uint32_t GTK_CALL GTK_CLIENT_GetLastError(void)
{
    return t_lastError;
}

} // extern "C"
