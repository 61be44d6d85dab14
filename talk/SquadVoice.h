/*
 * libSquadVoice: group-talk (push-to-talk) client library.
 *
 * A host calls GTK_CLIENT_Init once, opens sessions with GTK_CLIENT_Connect
 * (each returns an opaque handle), receives server events as XML texts
 * through the notify callback, and closes sessions with
 * GTK_CLIENT_DisConnect. Functions return 0 on success and -1 on failure
 * unless stated; the reason of a failure is kept per thread and read with
 * GTK_CLIENT_GetLastError on the thread that made the call. Strings are
 * 8-bit text of the ANSI code page, zero-terminated. Nothing throws.
 *
 * Callbacks arrive on library threads, possibly concurrently; the XML text
 * passed to a callback is valid only until it returns.
 *
 * On 32-bit x86 every function and callback uses the stdcall convention;
 * 64-bit targets have a single calling convention.
 */
#ifndef VEL_SQUADVOICE_H
#define VEL_SQUADVOICE_H

#include <stddef.h>
#include <stdint.h>

#if defined(__i386__)
#define GTK_CALL __attribute__((stdcall))
#else
#define GTK_CALL
#endif

#if defined(VEL_SQUADVOICE_BUILD)
#define GTK_API __attribute__((visibility("default")))
#else
#define GTK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes (GTK_CLIENT_GetLastError). */
#define GTK_ERR_INVALID_ARG 0xE0090001u     /* a required pointer is null or a required text empty */
#define GTK_ERR_INVALID_STATE 0xE0090002u   /* unknown handle, not registered, or not allowed now */
#define GTK_ERR_SOCKET 0xE0090003u          /* the UDP socket could not be created or bound */
#define GTK_ERR_PACK 0xE0090004u            /* a request could not be packed */
#define GTK_ERR_BAD_REPLY 0xE0090006u       /* a reply could not be parsed or lacks a required item */
#define GTK_ERR_THREAD 0xE0090007u          /* the receive thread could not be started */
#define GTK_ERR_NO_MEMORY 0xE0090008u       /* out of memory creating a session or call record */
#define GTK_ERR_WAIT_THREAD 0xE0090009u     /* the waiting thread of an asynchronous call failed */
#define GTK_ERR_NO_REPLY 0xE009000Au        /* no reply within the waits, or the datagram was not sent */
#define GTK_ERR_TASK_MEMORY 0xE009000Cu     /* out of memory creating a transfer task */
#define GTK_ERR_UNKNOWN_TRANSFER 0xE009000Du /* unknown transfer id */
#define GTK_ERR_SERVER_BASE 0xE0000000u     /* plus the status the server answered (e.g. 0xE0000192: 402) */

/* Connect parameters, copied by GTK_CLIENT_Connect. Texts are 8-bit and
 * need not be terminated when they fill their field. */
typedef struct GTK_CONNECT_PARAM {
    char szServerIp[16];    /* server IPv4 address, dotted text */
    uint16_t usServerPort;  /* server UDP port */
    char szPuid[128];       /* platform unit identifier (may be empty) */
    char szUserId[128];     /* user id */
    char szPassword[256];   /* password text */
    uint16_t usClientKind;  /* 1 from the browser control */
    uint16_t usLineNo;      /* line number */
    uint8_t reserved[2];
    char szRemark[1024];    /* remark, ANSI text */
} GTK_CONNECT_PARAM;

#ifdef __cplusplus
#define GTK_STATIC_ASSERT static_assert
#else
#define GTK_STATIC_ASSERT _Static_assert
#endif
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, szServerIp) == 0, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, usServerPort) == 16, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, szPuid) == 18, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, szUserId) == 146, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, szPassword) == 274, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, usClientKind) == 530, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, usLineNo) == 532, "layout");
GTK_STATIC_ASSERT(offsetof(GTK_CONNECT_PARAM, szRemark) == 536, "layout");
GTK_STATIC_ASSERT(sizeof(GTK_CONNECT_PARAM) == 1560, "layout");

/* Server events. The notify id equals the XML's command number. For ids 49
 * (incoming call) and 69 (invitation) the result is the host's decision:
 * 0 accept, 1 reject, anything else: answer later; ignored otherwise. */
typedef uint16_t(GTK_CALL* GTK_NOTIFY_CALLBACK)(void* hSession, int32_t notifyId, const char* xml,
                                                int32_t xmlLength, void* user);
/* Group voice received in the joined channel. */
typedef void(GTK_CALL* GTK_GROUP_VOICE_CALLBACK)(void* hSession, uint16_t channel, const char* speakerId,
                                                 const uint8_t* payload, int32_t payloadLength,
                                                 uint16_t clientKind, void* user);
/* Voice of the individual call. */
typedef void(GTK_CALL* GTK_INDIV_VOICE_CALLBACK)(void* hSession, const char* peerUserId, const uint8_t* payload,
                                                 int32_t payloadLength, uint16_t clientKind, void* user);
/* Relayed data: channel 0 for data sent to this user alone. */
typedef void(GTK_CALL* GTK_DATA_CALLBACK)(void* hSession, uint16_t channel, const char* senderId,
                                          const uint8_t* data, int32_t length, void* user);
/* Position report: the 32-byte GPS record. */
typedef void(GTK_CALL* GTK_GPS_CALLBACK)(void* hSession, const char* userId, const uint8_t* gps, void* user);
/* Alarm report: the 32-byte GPS record and the 28-byte alarm record. */
typedef void(GTK_CALL* GTK_ALARM_CALLBACK)(void* hSession, const char* userId, const uint8_t* gps,
                                           const uint8_t* alarm, void* user);
/* A block of a download (download id, bytes, length). */
typedef void(GTK_CALL* GTK_DOWNLOAD_CALLBACK)(int32_t downloadId, const uint8_t* data, int32_t length,
                                              void* user);

/* Starts the library's socket layer; call once before anything else. */
GTK_API void GTK_CALL GTK_CLIENT_Init(void);
/* Stops and frees every transfer and every session. */
GTK_API void GTK_CALL GTK_CLIENT_Release(void);
/* Opens a session and registers with the server (up to about four seconds).
 * Returns the session handle, or null with the reason in the last error. */
GTK_API void* GTK_CALL GTK_CLIENT_Connect(const GTK_CONNECT_PARAM* params);
/* Unregisters, stops the session's threads and frees it. No callback of the
 * session runs after it returns. Not allowed from the session's own
 * callbacks (GTK_ERR_INVALID_STATE). */
GTK_API int32_t GTK_CALL GTK_CLIENT_DisConnect(void* hSession);
GTK_API int32_t GTK_CALL GTK_CLIENT_SetNotifyCallBack(void* hSession, GTK_NOTIFY_CALLBACK callback, void* user);

/* Group talk. JoinGroup replaces any earlier group. SendGroupVoiceData with
 * no bytes (or length 0) releases the floor; it returns 0 or -1 and leaves
 * the last error alone. */
GTK_API int32_t GTK_CALL GTK_CLIENT_JoinGroup(void* hSession, uint16_t channel, GTK_GROUP_VOICE_CALLBACK callback,
                                              void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_QuitGroup(void* hSession);
GTK_API int32_t GTK_CALL GTK_CLIENT_SendGroupVoiceData(void* hSession, uint16_t channel, const uint8_t* data,
                                                       int32_t length);
GTK_API int32_t GTK_CALL GTK_CLIENT_BreakSpeak(void* hSession, uint16_t channel, const char* userId);
/* Invitations. TalkInvite: 0, -2 invitee busy with another invitation
 * (425), -3 rejected (413), -4 no response (417 or no reply), -1 otherwise.
 * TalkInviteEx returns a call id at once; the result comes as notify 32837. */
GTK_API int32_t GTK_CALL GTK_CLIENT_TalkInvite(void* hSession, uint16_t channel, const char* invitee,
                                               const char* text);
GTK_API int32_t GTK_CALL GTK_CLIENT_TalkInviteEx(void* hSession, uint16_t channel, const char* invitee,
                                                 const char* text, uint8_t forced);

/* Individual calls. IndivCall: 0, -2 callee in another call (416), -3
 * rejected (413), -4 no response (417 or no reply), -1 otherwise. IndivCallEx
 * returns a call id at once; the result comes as notify 32817 (0 in call,
 * 252 no response, 253 rejected, 254 busy, 255 other). */
GTK_API int32_t GTK_CALL GTK_CLIENT_IndivCall(void* hSession, const char* callee, uint8_t video,
                                              GTK_INDIV_VOICE_CALLBACK callback, void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_IndivCallEx(void* hSession, const char* callee, uint8_t video,
                                                GTK_INDIV_VOICE_CALLBACK callback, void* user, uint8_t forced);
GTK_API int32_t GTK_CALL GTK_CLIENT_SetIndivCallCallBack(void* hSession, GTK_INDIV_VOICE_CALLBACK callback,
                                                         void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_HangUp(void* hSession);
/* 0 or -1; leaves the last error alone. */
GTK_API int32_t GTK_CALL GTK_CLIENT_SendIndivVoiceData(void* hSession, const char* destUser, const uint8_t* data,
                                                       int32_t length);
/* Ends the call with this session number, whoever holds it. On 32-bit x86
 * the stdcall decoration of this function reads _GTK_CLIENT_BreakUpIndivCall@8;
 * ELF has no stdcall decorations ('@' separates a symbol version), so it is
 * exported under its plain name. */
GTK_API int32_t GTK_CALL GTK_CLIENT_BreakUpIndivCall(void* hSession, uint32_t session);

/* Video, messages and data. */
GTK_API int32_t GTK_CALL GTK_CLIENT_PushVideo(void* hSession, const char* userId, const char* url, const char* text);
GTK_API int32_t GTK_CALL GTK_CLIENT_SendMsg(void* hSession, const char* userId, const char* text, int32_t length);
GTK_API int32_t GTK_CALL GTK_CLIENT_BroadCastMsg(void* hSession, uint16_t channel, const char* text, int32_t length);
GTK_API int32_t GTK_CALL GTK_CLIENT_TransData(void* hSession, const char* userId, const uint8_t* data,
                                              int32_t length);
GTK_API int32_t GTK_CALL GTK_CLIENT_TransGroupData(void* hSession, uint16_t channel, const uint8_t* data,
                                                   int32_t length);
GTK_API int32_t GTK_CALL GTK_CLIENT_SetTransDataCallBack(void* hSession, GTK_DATA_CALLBACK callback, void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_SetGPSNotify(void* hSession, GTK_GPS_CALLBACK callback, void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_SetAlarmNotify(void* hSession, GTK_ALARM_CALLBACK callback, void* user);

/* File transfer through the server's file service, each on a thread of its
 * own. Start functions return a transfer id or -1 (the system error, or
 * GTK_ERR_TASK_MEMORY, in the last error). Positions are percentages 0..100,
 * -1 after a failure; an unknown id gives -1 with GTK_ERR_UNKNOWN_TRANSFER.
 * A finished transfer stays known until it is stopped. */
GTK_API int32_t GTK_CALL GTK_CLIENT_SendFile(void* hSession, const char* userId, const char* localPath);
GTK_API int32_t GTK_CALL GTK_CLIENT_SendGroupFile(void* hSession, uint16_t channel, const char* localPath);
GTK_API int32_t GTK_CALL GTK_CLIENT_GetSendFilePos(int32_t uploadId);
GTK_API int32_t GTK_CALL GTK_CLIENT_StopSendFile(int32_t uploadId);
/* pos: where to start in the recording, in percent (0..100). */
GTK_API int32_t GTK_CALL GTK_CLIENT_StartDownloadVoice(void* hSession, int32_t type, const char* fileName,
                                                       int32_t pos, GTK_DOWNLOAD_CALLBACK callback, void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_StartDownloadFile(void* hSession, int32_t type, const char* filePath,
                                                      GTK_DOWNLOAD_CALLBACK callback, void* user);
GTK_API int32_t GTK_CALL GTK_CLIENT_StopDownload(int32_t downloadId);
GTK_API int32_t GTK_CALL GTK_CLIENT_GetDownloadPos(int32_t downloadId);
/* The calling thread's last failure code (0 before the first failure). */
GTK_API uint32_t GTK_CALL GTK_CLIENT_GetLastError(void);

#ifdef __cplusplus
}
#endif

#endif /* VEL_SQUADVOICE_H */
