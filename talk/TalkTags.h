#pragma once
// The tags of the talk protocol's TLV items, with the value class that
// decides how a received item is decoded. One table, append only: the reader,
// the writers and the server all take it from here.
//
// Tags whose meaning belongs to the server (notice types, reserved numbers)
// are named after their number.

#include <cstdint>

namespace vel {

enum class TagClass : uint8_t { Unknown, String, Integer, Binary };

//  X(name, number, value class)
#define VEL_TALK_TAGS(X)                                                                                   \
    X(Puid, 0x0100, String)              /* platform unit identifier */                                    \
    X(ClientKind, 0x0101, Integer)       /* 1 from the browser control */                                 \
    X(HeartbeatPeriod, 0x0102, Integer)  /* seconds, registration reply */                                \
    X(UserId, 0x0103, String)            /* own id in requests, subject user in server requests */        \
    X(RegisterFlag, 0x0104, Integer)     /* constant 1 in the registration */                             \
    X(Password, 0x0105, String)                                                                            \
    X(LineNo, 0x0106, Integer)                                                                             \
    X(Remark, 0x0107, Binary)            /* UTF-8 text; sent as a string */                               \
    X(Channel, 0x0200, Integer)                                                                            \
    X(GroupToken, 0x0202, Integer)                                                                         \
    X(Tag0203, 0x0203, String)                                                                             \
    X(Tag0204, 0x0204, Integer)                                                                            \
    X(Notice0206, 0x0206, Integer)                                                                         \
    X(Notice0207, 0x0207, Integer)                                                                         \
    X(Notice0208, 0x0208, Integer)       /* low 16 bits channel, high 16 bits para */                     \
    X(FromUser, 0x0209, String)                                                                            \
    X(ToUser, 0x020A, String)                                                                              \
    X(QuitIndivCall, 0x020B, Integer)    /* notice: the peer left the call; value = call session */      \
    X(Text, 0x020C, String)              /* UTF-8 */                                                       \
    X(MsgType, 0x020D, Integer)          /* 0 text, 1 file reference */                                   \
    X(CallSession, 0x0302, Integer)                                                                        \
    X(VoiceRole, 0x0303, Integer)                                                                          \
    X(VideoCall, 0x0304, Integer)                                                                          \
    X(Gps, 0x0305, Binary)                                                                                 \
    X(VideoUrl, 0x0306, String)                                                                            \
    X(BreakUser, 0x0307, String)                                                                           \
    X(Notice0308, 0x0308, Integer)                                                                         \
    X(Alarm, 0x0309, Binary)                                                                               \
    X(VideoChannel, 0x030A, Integer)                                                                       \
    X(CallMode, 0x030B, Integer)                                                                           \
    X(FileServer, 0x0401, String)                                                                          \
    X(FilePort, 0x0402, Integer)                                                                           \
    X(Tag0403, 0x0403, Integer)                                                                            \
    X(Data, 0x0404, Binary)                                                                                \
    X(Notice0405, 0x0405, Integer)       /* high 16 bits para, low 16 bits channel */                     \
    X(Notice0406, 0x0406, Integer)       /* high 16 bits para, low 16 bits channel */                     \
    X(Reason, 0x0407, Integer)                                                                             \
    X(Notice0408, 0x0408, Integer)                                                                         \
    X(Tag0501, 0x0501, Integer)                                                                            \
    X(Tag0502, 0x0502, String)

namespace tag {
#define VEL_TAG_CONST(name, number, cls) inline constexpr uint16_t name = number;
VEL_TALK_TAGS(VEL_TAG_CONST)
#undef VEL_TAG_CONST
} // namespace tag

constexpr TagClass ClassOfTag(uint16_t t)
{
    switch (t) {
#define VEL_TAG_CASE(name, number, cls)                                                                    \
    case number:                                                                                           \
        return TagClass::cls;
        VEL_TALK_TAGS(VEL_TAG_CASE)
#undef VEL_TAG_CASE
    }
    return TagClass::Unknown;
}

// Control-message commands (the 16-bit command field of a request).
#define VEL_TALK_COMMANDS(X)                                                                               \
    X(Register, 1)                                                                                         \
    X(Unregister, 2)                                                                                       \
    X(Heartbeat, 16)                                                                                       \
    X(JoinGroup, 17)                                                                                       \
    X(ServerNotify, 33)                                                                                    \
    X(QuitGroup, 34)                                                                                       \
    X(IndivCall, 49)                                                                                       \
    X(HangUp, 50)                                                                                          \
    X(ReleaseFloor, 52)                                                                                    \
    X(SwitchVideoChan, 53)                                                                                 \
    X(IndivInfo, 65)                                                                                       \
    X(GroupInfo, 66)                                                                                       \
    X(GpsData, 67)                                                                                         \
    X(PushVideo, 68)                                                                                       \
    X(TalkInvite, 69)                                                                                      \
    X(BreakSpeak, 70)                                                                                      \
    X(AlarmData, 71)                                                                                       \
    X(GroupTransData, 72)                                                                                  \
    X(IndivTransData, 73)                                                                                  \
    X(BreakUpIndivCall, 85)

namespace cmd {
#define VEL_CMD_CONST(name, number) inline constexpr uint16_t name = number;
VEL_TALK_COMMANDS(VEL_CMD_CONST)
#undef VEL_CMD_CONST
} // namespace cmd

} // namespace vel
