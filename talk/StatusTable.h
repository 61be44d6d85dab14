#pragma once
// The server status codes carried in replies, in their fixed order: a reply
// the library builds names its status by position in this table, and a
// status received is looked up by value (one that is not listed counts as
// 400). Position 0xFFFF stands for the reserved entry 65535.

#include <cstddef>
#include <cstdint>

namespace vel {

//  X(value, text)
#define VEL_TALK_STATUS(X)                                                                                 \
    X(100, "Continue")                                                                                     \
    X(200, "OK")                                                                                           \
    X(302, "The address of the SquadVoiceServer has been updated")                                         \
    X(400, "Bad Request")                                                                                  \
    X(401, "PUID does not exist")                                                                          \
    X(402, "Password is Incorrect")                                                                        \
    X(403, "pu is not registered yet")                                                                     \
    X(404, "User is registered on other pu")                                                               \
    X(405, "Old password is Incorrect")                                                                    \
    X(406, "username is Incorrect")                                                                        \
    X(407, "create file failed")                                                                           \
    X(408, "create dir failed")                                                                            \
    X(409, "Open file failed")                                                                             \
    X(410, "Invalid Parameter")                                                                            \
    X(411, "Channel does not exist")                                                                       \
    X(412, "PU is already in other channel")                                                               \
    X(413, "User is reject the call")                                                                      \
    X(414, "Destination unreachable")                                                                      \
    X(415, "User is not in the channel")                                                                   \
    X(416, "User is already in other IndivCall")                                                           \
    X(417, "no response")                                                                                  \
    X(418, "call terminate")                                                                               \
    X(419, "Get user auth failed")                                                                         \
    X(420, "Grab failed")                                                                                  \
    X(421, "User has not yet joined the channel")                                                          \
    X(422, "User has not yet joined any channel")                                                          \
    X(423, "User is in blacklist of the channel")                                                          \
    X(424, "User is not in indivcall")                                                                     \
    X(425, "User is in the processing of other invite request state")                                      \
    X(426, "Exceed the limit number of register")                                                          \
    X(427, "Exceed the limit number of channel")                                                           \
    X(428, "No Subscribe")                                                                                 \
    X(429, "No matching files were found")                                                                 \
    X(430, "Invalid data format")                                                                          \
    X(431, "Can not break up indivcall which is in call waiting")                                          \
    X(500, "alloc memory failed")                                                                          \
    X(600, "Database abnormal operation")                                                                  \
    X(601, "The same channelno already exists")                                                            \
    X(602, "The same channel name already exists ")                                                        \
    X(603, "The same user id already exists ")                                                             \
    X(604, "The same user name already exists ")                                                           \
    X(605, "The database is not open")                                                                     \
    X(606, "The channelno does not exist")                                                                 \
    X(607, "The user id does not exist")                                                                   \
    X(608, "Create session failed")                                                                        \
    X(609, "User id can not be \"admin\"")                                                                 \
    X(610, "No channelno available")

struct TalkStatus {
    uint16_t value;
    const char* text;
};

inline constexpr TalkStatus kTalkStatusTable[] = {
#define VEL_STATUS_ENTRY(value, text) {value, text},
    VEL_TALK_STATUS(VEL_STATUS_ENTRY)
#undef VEL_STATUS_ENTRY
};
inline constexpr size_t kTalkStatusCount = sizeof kTalkStatusTable / sizeof kTalkStatusTable[0];
static_assert(kTalkStatusCount == 47);

inline constexpr TalkStatus kUnknownNetStatus = {65535, "Unknown net status."};

// Positions the library's own replies use.
enum StatusIndex : uint16_t {
    kStatusIdxOk = 1,            // 200
    kStatusIdxBadRequest = 3,    // 400
    kStatusIdxInvalidParam = 13, // 410
    kStatusIdxRejected = 16,     // 413
    kStatusIdxReserved = 0xFFFF, // 65535
};

constexpr uint16_t kStatusOk = 200;

// The status at a position; positions past the table give 65535.
const TalkStatus& StatusByIndex(uint16_t index);
// The position of a status value, or -1 when it is not listed.
int IndexOfStatus(uint16_t value);
// A received status as the library acts on it: listed values stay, the
// rest become 400.
uint16_t NormalizeStatus(uint16_t value);
// Text of a status value ("Bad Request" for unlisted ones).
const char* StatusText(uint16_t value);

} // namespace vel
