#pragma once
// The vocabulary of the window system: handles, message numbers, notification
// codes, hit codes, styles, keys and the records that travel in message
// parameters. The numbers are those of the platform the suite's windows were
// written for, because their behaviour is stated in them (a WM_NOTIFY whose
// code is an anchor id, a repaint request 0x8888 with a packed rectangle,
// WM_USER+902 records freed by the receiver); the names are this system's own.
//
// Message numbers are declared once, in VEL_GUI_MESSAGES, an append-only
// table that also gives each its name for diagnostics.

#include "platform/gfx/Geometry.h"

#include <cstdint>

namespace vel::gfx {
class Canvas;
struct Brush;
} // namespace vel::gfx

namespace vel::gui {

using gfx::Point;
using gfx::Rect;
using gfx::Size;

// A window handle: a number that names one window for its whole life and is
// never given to another window afterwards, so a record may carry it and a
// late message to it is simply dropped. 0 names no window.
using WindowHandle = uintptr_t;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

// clang-format off
#define VEL_GUI_MESSAGES(X) \
    X(kWmNull, 0x0000) X(kWmCreate, 0x0001) X(kWmDestroy, 0x0002) X(kWmMove, 0x0003) \
    X(kWmSize, 0x0005) X(kWmActivate, 0x0006) X(kWmSetFocus, 0x0007) X(kWmKillFocus, 0x0008) \
    X(kWmEnable, 0x000A) X(kWmSetRedraw, 0x000B) X(kWmSetText, 0x000C) X(kWmGetText, 0x000D) \
    X(kWmGetTextLength, 0x000E) X(kWmPaint, 0x000F) X(kWmClose, 0x0010) X(kWmQuit, 0x0012) \
    X(kWmEraseBkgnd, 0x0014) X(kWmShowWindow, 0x0018) X(kWmCancelMode, 0x001F) \
    X(kWmSetCursor, 0x0020) X(kWmMouseActivate, 0x0021) X(kWmGetMinMaxInfo, 0x0024) \
    X(kWmDrawItem, 0x002B) X(kWmMeasureItem, 0x002C) X(kWmSetFont, 0x0030) X(kWmGetFont, 0x0031) \
    X(kWmWindowPosChanging, 0x0046) X(kWmWindowPosChanged, 0x0047) X(kWmCopyData, 0x004A) \
    X(kWmNotify, 0x004E) X(kWmContextMenu, 0x007B) X(kWmStyleChanged, 0x007D) \
    X(kWmNcCreate, 0x0081) X(kWmNcDestroy, 0x0082) X(kWmNcCalcSize, 0x0083) X(kWmNcHitTest, 0x0084) \
    X(kWmNcPaint, 0x0085) X(kWmNcActivate, 0x0086) X(kWmGetDlgCode, 0x0087) \
    X(kWmNcMouseMove, 0x00A0) X(kWmNcLButtonDown, 0x00A1) X(kWmNcLButtonUp, 0x00A2) \
    X(kWmNcLButtonDblClk, 0x00A3) X(kWmNcRButtonDown, 0x00A4) X(kWmNcRButtonUp, 0x00A5) \
    X(kWmNcRButtonDblClk, 0x00A6) X(kWmNcUahDrawCaption, 0x00AE) X(kWmNcUahDrawFrame, 0x00AF) \
    X(kWmEmGetSel, 0x00B0) X(kWmEmSetSel, 0x00B1) X(kWmBmGetCheck, 0x00F0) X(kWmBmSetCheck, 0x00F1) \
    X(kWmBmGetState, 0x00F2) X(kWmBmSetState, 0x00F3) X(kWmBmClick, 0x00F5) \
    X(kWmKeyDown, 0x0100) X(kWmKeyUp, 0x0101) X(kWmChar, 0x0102) X(kWmSysKeyDown, 0x0104) \
    X(kWmSysKeyUp, 0x0105) X(kWmSysChar, 0x0106) X(kWmInitDialog, 0x0110) X(kWmCommand, 0x0111) \
    X(kWmSysCommand, 0x0112) X(kWmTimer, 0x0113) X(kWmHScroll, 0x0114) X(kWmVScroll, 0x0115) \
    X(kWmInitMenuPopup, 0x0117) X(kWmMenuSelect, 0x011F) X(kWmEnterIdle, 0x0121) \
    X(kWmCtlColorEdit, 0x0133) X(kWmCtlColorListBox, 0x0134) X(kWmCtlColorBtn, 0x0135) \
    X(kWmCtlColorDlg, 0x0136) X(kWmCtlColorScrollBar, 0x0137) X(kWmCtlColorStatic, 0x0138) \
    X(kWmMouseMove, 0x0200) X(kWmLButtonDown, 0x0201) X(kWmLButtonUp, 0x0202) \
    X(kWmLButtonDblClk, 0x0203) X(kWmRButtonDown, 0x0204) X(kWmRButtonUp, 0x0205) \
    X(kWmRButtonDblClk, 0x0206) X(kWmMButtonDown, 0x0207) X(kWmMButtonUp, 0x0208) \
    X(kWmMButtonDblClk, 0x0209) X(kWmMouseWheel, 0x020A) X(kWmEnterMenuLoop, 0x0211) \
    X(kWmExitMenuLoop, 0x0212) X(kWmSizing, 0x0214) X(kWmCaptureChanged, 0x0215) \
    X(kWmMoving, 0x0216) X(kWmEnterSizeMove, 0x0231) X(kWmExitSizeMove, 0x0232) \
    X(kWmMouseHover, 0x02A1) X(kWmNcMouseLeave, 0x02A2) X(kWmMouseLeave, 0x02A3) \
    X(kWmCut, 0x0300) X(kWmCopy, 0x0301) X(kWmPaste, 0x0302) X(kWmClear, 0x0303) \
    X(kWmUser, 0x0400) X(kWmApp, 0x8000)
// clang-format on

#define VEL_GUI_MESSAGE_CONST(name, value) inline constexpr uint32_t name = value;
VEL_GUI_MESSAGES(VEL_GUI_MESSAGE_CONST)
#undef VEL_GUI_MESSAGE_CONST
// Dialog messages share the user range with their owners.
inline constexpr uint32_t kDmGetDefId = kWmUser + 0;
inline constexpr uint32_t kDmSetDefId = kWmUser + 1;
// The window system's own thread message: run a task on the thread.
inline constexpr uint32_t kWmRunTask = 0x7FF0;

// The name of a message for diagnostics ("WM_USER+902" style for user
// messages, hex for unknown ones).
const char* MessageName(uint32_t message, char (&buffer)[32]);

// --- Parameter packing --------------------------------------------------
constexpr uint16_t LoWord(uintptr_t v)
{
    return uint16_t(v & 0xFFFF);
}
constexpr uint16_t HiWord(uintptr_t v)
{
    return uint16_t((v >> 16) & 0xFFFF);
}
constexpr LParam MakeLParam(int lo, int hi)
{
    return LParam(uint32_t(uint16_t(lo)) | uint32_t(uint16_t(hi)) << 16);
}
constexpr WParam MakeWParam(int lo, int hi)
{
    return WParam(uint32_t(uint16_t(lo)) | uint32_t(uint16_t(hi)) << 16);
}
// Signed coordinates packed into the low and high word.
constexpr int XOf(LParam v)
{
    return int16_t(uint16_t(uintptr_t(v) & 0xFFFF));
}
constexpr int YOf(LParam v)
{
    return int16_t(uint16_t((uintptr_t(v) >> 16) & 0xFFFF));
}
constexpr LParam PackPoint(Point p)
{
    return MakeLParam(p.x, p.y);
}
constexpr Point UnpackPoint(LParam v)
{
    return {XOf(v), YOf(v)};
}
// A rectangle packed into both parameters: left and top in the first, right
// and bottom in the second, low word first (the skin repaint request).
constexpr WParam PackRectFirst(const Rect& r)
{
    return MakeWParam(r.left, r.top);
}
constexpr LParam PackRectSecond(const Rect& r)
{
    return MakeLParam(r.right, r.bottom);
}
constexpr Rect UnpackRect(WParam first, LParam second)
{
    return {int16_t(LoWord(first)), int16_t(HiWord(first)), XOf(second), YOf(second)};
}

// --- Notification codes (WM_NOTIFY) ---------------------------------------
inline constexpr uint32_t kNmClick = uint32_t(-2);
inline constexpr uint32_t kNmDblClk = uint32_t(-3);
inline constexpr uint32_t kNmReturn = uint32_t(-4);
inline constexpr uint32_t kNmRClick = uint32_t(-5);
inline constexpr uint32_t kNmRDblClk = uint32_t(-6);
inline constexpr uint32_t kNmSetFocus = uint32_t(-7);
inline constexpr uint32_t kNmKillFocus = uint32_t(-8);
inline constexpr uint32_t kNmCustomDraw = uint32_t(-12);
inline constexpr uint32_t kTtnShow = uint32_t(-521);
inline constexpr uint32_t kTtnPop = uint32_t(-522);
inline constexpr uint32_t kTtnGetDispInfo = uint32_t(-530);
inline constexpr uint32_t kTvnSelChanging = uint32_t(-450);
inline constexpr uint32_t kTvnSelChanged = uint32_t(-451);
inline constexpr uint32_t kTvnItemExpanding = uint32_t(-454);
inline constexpr uint32_t kTvnItemExpanded = uint32_t(-455);
inline constexpr uint32_t kTvnDeleteItem = uint32_t(-458);
inline constexpr uint32_t kTvnKeyDown = uint32_t(-412);

// --- Command notification codes (high word of WM_COMMAND's wParam) --------
inline constexpr uint16_t kBnClicked = 0;
inline constexpr uint16_t kBnDoubleClicked = 5;
inline constexpr uint16_t kBnSetFocus = 6;
inline constexpr uint16_t kBnKillFocus = 7;
inline constexpr uint16_t kStnClicked = 0;
inline constexpr uint16_t kStnDblClk = 1;
inline constexpr uint16_t kEnSetFocus = 0x100;
inline constexpr uint16_t kEnKillFocus = 0x200;
inline constexpr uint16_t kEnChange = 0x300;
inline constexpr uint16_t kEnUpdate = 0x400;
inline constexpr uint16_t kEnMaxText = 0x501;
inline constexpr uint16_t kCbnSelChange = 1;
inline constexpr uint16_t kCbnDblClk = 2;
inline constexpr uint16_t kCbnSetFocus = 3;
inline constexpr uint16_t kCbnKillFocus = 4;
inline constexpr uint16_t kCbnDropDown = 7;
inline constexpr uint16_t kCbnCloseUp = 8;
inline constexpr uint16_t kCbnSelEndOk = 9;
inline constexpr uint16_t kCbnSelEndCancel = 10;
inline constexpr uint16_t kLbnSelChange = 1;
inline constexpr uint16_t kLbnDblClk = 2;
inline constexpr uint16_t kLbnSetFocus = 4;
inline constexpr uint16_t kLbnKillFocus = 5;

// Dialog results and the ids of the standard buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdTryAgain = 10;
inline constexpr int kIdContinue = 11;

// --- Hit codes (WM_NCHITTEST) ----------------------------------------------
inline constexpr int kHtError = -2;
inline constexpr int kHtTransparent = -1;
inline constexpr int kHtNowhere = 0;
inline constexpr int kHtClient = 1;
inline constexpr int kHtCaption = 2;
inline constexpr int kHtSysMenu = 3;
inline constexpr int kHtGrowBox = 4;
inline constexpr int kHtMenu = 5;
inline constexpr int kHtHScroll = 6;
inline constexpr int kHtVScroll = 7;
inline constexpr int kHtMinButton = 8;
inline constexpr int kHtMaxButton = 9;
inline constexpr int kHtLeft = 10;
inline constexpr int kHtRight = 11;
inline constexpr int kHtTop = 12;
inline constexpr int kHtTopLeft = 13;
inline constexpr int kHtTopRight = 14;
inline constexpr int kHtBottom = 15;
inline constexpr int kHtBottomLeft = 16;
inline constexpr int kHtBottomRight = 17;
inline constexpr int kHtBorder = 18;
inline constexpr int kHtClose = 20;
inline constexpr int kHtHelp = 21;

// --- System commands (WM_SYSCOMMAND; the low four bits are the system's) ---
inline constexpr uint32_t kScSize = 0xF000;
inline constexpr uint32_t kScMove = 0xF010;
inline constexpr uint32_t kScMinimize = 0xF020;
inline constexpr uint32_t kScMaximize = 0xF030;
inline constexpr uint32_t kScClose = 0xF060;
inline constexpr uint32_t kScVScroll = 0xF070;
inline constexpr uint32_t kScHScroll = 0xF080;
inline constexpr uint32_t kScMouseMenu = 0xF090;
inline constexpr uint32_t kScKeyMenu = 0xF100;
inline constexpr uint32_t kScRestore = 0xF120;
inline constexpr uint32_t kScContextHelp = 0xF180;

// --- Window styles -----------------------------------------------------------
inline constexpr uint32_t kWsOverlapped = 0;
inline constexpr uint32_t kWsPopup = 0x80000000u;
inline constexpr uint32_t kWsChild = 0x40000000u;
inline constexpr uint32_t kWsMinimize = 0x20000000u;
inline constexpr uint32_t kWsVisible = 0x10000000u;
inline constexpr uint32_t kWsDisabled = 0x08000000u;
inline constexpr uint32_t kWsClipSiblings = 0x04000000u;
inline constexpr uint32_t kWsClipChildren = 0x02000000u;
inline constexpr uint32_t kWsMaximize = 0x01000000u;
inline constexpr uint32_t kWsCaption = 0x00C00000u; // border and dialog frame
inline constexpr uint32_t kWsBorder = 0x00800000u;
inline constexpr uint32_t kWsDlgFrame = 0x00400000u;
inline constexpr uint32_t kWsVScroll = 0x00200000u;
inline constexpr uint32_t kWsHScroll = 0x00100000u;
inline constexpr uint32_t kWsSysMenu = 0x00080000u;
inline constexpr uint32_t kWsThickFrame = 0x00040000u;
inline constexpr uint32_t kWsGroup = 0x00020000u;
inline constexpr uint32_t kWsTabStop = 0x00010000u;
// The same bits mean the caption's boxes on windows with a caption.
inline constexpr uint32_t kWsMinimizeBox = 0x00020000u;
inline constexpr uint32_t kWsMaximizeBox = 0x00010000u;
inline constexpr uint32_t kWsOverlappedWindow =
    kWsCaption | kWsSysMenu | kWsThickFrame | kWsMinimizeBox | kWsMaximizeBox;
// The low 16 bits belong to the window's class (button kind, edit flags, ...).

inline constexpr uint32_t kWsExDlgModalFrame = 0x1;
inline constexpr uint32_t kWsExNoParentNotify = 0x4;
inline constexpr uint32_t kWsExTopmost = 0x8;
inline constexpr uint32_t kWsExAcceptFiles = 0x10;
inline constexpr uint32_t kWsExTransparent = 0x20; // invisible to the pointer
inline constexpr uint32_t kWsExToolWindow = 0x80;
inline constexpr uint32_t kWsExWindowEdge = 0x100;
inline constexpr uint32_t kWsExClientEdge = 0x200;
inline constexpr uint32_t kWsExContextHelp = 0x400;
inline constexpr uint32_t kWsExControlParent = 0x10000;
inline constexpr uint32_t kWsExStaticEdge = 0x20000;
inline constexpr uint32_t kWsExAppWindow = 0x40000;
inline constexpr uint32_t kWsExLayered = 0x80000;
inline constexpr uint32_t kWsExNoActivate = 0x08000000u;

// Show commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowMinimized = 2;
inline constexpr int kSwShowMaximized = 3;
inline constexpr int kSwMaximize = 3;
inline constexpr int kSwShowNoActivate = 4;
inline constexpr int kSwShow = 5;
inline constexpr int kSwMinimize = 6;
inline constexpr int kSwShowMinNoActive = 7;
inline constexpr int kSwShowNa = 8;
inline constexpr int kSwRestore = 9;

// Window position flags and z-order places.
inline constexpr uint32_t kSwpNoSize = 0x1;
inline constexpr uint32_t kSwpNoMove = 0x2;
inline constexpr uint32_t kSwpNoZOrder = 0x4;
inline constexpr uint32_t kSwpNoRedraw = 0x8;
inline constexpr uint32_t kSwpNoActivate = 0x10;
inline constexpr uint32_t kSwpFrameChanged = 0x20;
inline constexpr uint32_t kSwpShowWindow = 0x40;
inline constexpr uint32_t kSwpHideWindow = 0x80;
inline constexpr uint32_t kSwpNoCopyBits = 0x100;
inline constexpr uint32_t kSwpNoOwnerZOrder = 0x200;
inline constexpr WindowHandle kInsertTop = 0;
inline constexpr WindowHandle kInsertBottom = 1;
inline constexpr WindowHandle kInsertTopmost = WindowHandle(-1);
inline constexpr WindowHandle kInsertNoTopmost = WindowHandle(-2);

// WM_SIZE kinds, WM_ACTIVATE states, WM_MOUSEACTIVATE answers.
inline constexpr int kSizeRestored = 0;
inline constexpr int kSizeMinimized = 1;
inline constexpr int kSizeMaximized = 2;
inline constexpr int kWaInactive = 0;
inline constexpr int kWaActive = 1;
inline constexpr int kWaClickActive = 2;
inline constexpr int kMaActivate = 1;
inline constexpr int kMaActivateAndEat = 2;
inline constexpr int kMaNoActivate = 3;
inline constexpr int kMaNoActivateAndEat = 4;

// WM_SIZING / WM_MOVING edges.
inline constexpr int kWmszLeft = 1;
inline constexpr int kWmszRight = 2;
inline constexpr int kWmszTop = 3;
inline constexpr int kWmszTopLeft = 4;
inline constexpr int kWmszTopRight = 5;
inline constexpr int kWmszBottom = 6;
inline constexpr int kWmszBottomLeft = 7;
inline constexpr int kWmszBottomRight = 8;

// --- Keys and mouse key flags -----------------------------------------------
inline constexpr uint32_t kVkLButton = 0x01;
inline constexpr uint32_t kVkRButton = 0x02;
inline constexpr uint32_t kVkMButton = 0x04;
inline constexpr uint32_t kVkBack = 0x08;
inline constexpr uint32_t kVkTab = 0x09;
inline constexpr uint32_t kVkReturn = 0x0D;
inline constexpr uint32_t kVkShift = 0x10;
inline constexpr uint32_t kVkControl = 0x11;
inline constexpr uint32_t kVkMenu = 0x12; // Alt
inline constexpr uint32_t kVkEscape = 0x1B;
inline constexpr uint32_t kVkSpace = 0x20;
inline constexpr uint32_t kVkPrior = 0x21;
inline constexpr uint32_t kVkNext = 0x22;
inline constexpr uint32_t kVkEnd = 0x23;
inline constexpr uint32_t kVkHome = 0x24;
inline constexpr uint32_t kVkLeft = 0x25;
inline constexpr uint32_t kVkUp = 0x26;
inline constexpr uint32_t kVkRight = 0x27;
inline constexpr uint32_t kVkDown = 0x28;
inline constexpr uint32_t kVkInsert = 0x2D;
inline constexpr uint32_t kVkDelete = 0x2E;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
inline constexpr uint32_t kVkMultiply = 0x6A;
inline constexpr uint32_t kVkAdd = 0x6B;
inline constexpr uint32_t kVkSubtract = 0x6D;
inline constexpr uint32_t kVkF1 = 0x70;
inline constexpr uint32_t kVkF2 = 0x71;
inline constexpr uint32_t kVkF3 = 0x72;
inline constexpr uint32_t kVkF4 = 0x73;
inline constexpr uint32_t kVkF5 = 0x74;
inline constexpr uint32_t kVkF10 = 0x79;

inline constexpr uint32_t kMkLButton = 0x1;
inline constexpr uint32_t kMkRButton = 0x2;
inline constexpr uint32_t kMkShift = 0x4;
inline constexpr uint32_t kMkControl = 0x8;
inline constexpr uint32_t kMkMButton = 0x10;
inline constexpr int kWheelDelta = 120;

// WM_GETDLGCODE answers.
inline constexpr uint32_t kDlgcWantArrows = 0x1;
inline constexpr uint32_t kDlgcWantTab = 0x2;
inline constexpr uint32_t kDlgcWantAllKeys = 0x4;
inline constexpr uint32_t kDlgcHasSetSel = 0x8;
inline constexpr uint32_t kDlgcDefPushButton = 0x10;
inline constexpr uint32_t kDlgcUndefPushButton = 0x20;
inline constexpr uint32_t kDlgcRadioButton = 0x40;
inline constexpr uint32_t kDlgcWantChars = 0x80;
inline constexpr uint32_t kDlgcStatic = 0x100;
inline constexpr uint32_t kDlgcButton = 0x2000;

// --- Scroll requests (WM_HSCROLL / WM_VSCROLL, also from track bars) ---------
inline constexpr int kSbLineUp = 0;
inline constexpr int kSbLineDown = 1;
inline constexpr int kSbPageUp = 2;
inline constexpr int kSbPageDown = 3;
inline constexpr int kSbThumbPosition = 4;
inline constexpr int kSbThumbTrack = 5;
inline constexpr int kSbTop = 6;
inline constexpr int kSbBottom = 7;
inline constexpr int kSbEndScroll = 8;
inline constexpr int kSbHorz = 0;
inline constexpr int kSbVert = 1;

// --- Owner drawing -----------------------------------------------------------
inline constexpr uint32_t kOdtMenu = 1;
inline constexpr uint32_t kOdtListBox = 2;
inline constexpr uint32_t kOdtComboBox = 3;
inline constexpr uint32_t kOdtButton = 4;
inline constexpr uint32_t kOdtStatic = 5;
inline constexpr uint32_t kOdaDrawEntire = 1;
inline constexpr uint32_t kOdaSelect = 2;
inline constexpr uint32_t kOdaFocus = 4;
inline constexpr uint32_t kOdsSelected = 0x1;
inline constexpr uint32_t kOdsGrayed = 0x2;
inline constexpr uint32_t kOdsDisabled = 0x4;
inline constexpr uint32_t kOdsChecked = 0x8;
inline constexpr uint32_t kOdsFocus = 0x10;
inline constexpr uint32_t kOdsDefault = 0x20;
inline constexpr uint32_t kOdsHotLight = 0x40;
inline constexpr uint32_t kOdsInactive = 0x80;
inline constexpr uint32_t kOdsComboBoxEdit = 0x1000;

// Custom drawing (NM_CUSTOMDRAW) stages and answers.
inline constexpr uint32_t kCddsPrePaint = 0x1;
inline constexpr uint32_t kCddsPostPaint = 0x2;
inline constexpr uint32_t kCddsItem = 0x10000;
inline constexpr uint32_t kCddsItemPrePaint = 0x10001;
inline constexpr uint32_t kCddsItemPostPaint = 0x10002;
inline constexpr uint32_t kCdrfDoDefault = 0x0;
inline constexpr uint32_t kCdrfSkipDefault = 0x4;
inline constexpr uint32_t kCdrfNotifyPostPaint = 0x10;
inline constexpr uint32_t kCdrfNotifyItemDraw = 0x20;
inline constexpr uint32_t kCdisSelected = 0x1;
inline constexpr uint32_t kCdisGrayed = 0x2;
inline constexpr uint32_t kCdisDisabled = 0x4;
inline constexpr uint32_t kCdisFocus = 0x10;
inline constexpr uint32_t kCdisHot = 0x40;

// --- Records carried by messages -----------------------------------------------
// WM_NOTIFY's lParam points at a record that starts with this header.
struct NotifyHeader
{
    WindowHandle hwndFrom = 0;
    uintptr_t idFrom = 0;
    uint32_t code = 0;
};

// WM_COPYDATA's lParam; wParam is the sending window.
struct CopyData
{
    uintptr_t data = 0;
    uint32_t size = 0;
    const void* bytes = nullptr;
};

struct MinMaxInfo
{
    Point reserved;
    Point maxSize;
    Point maxPosition;
    Point minTrackSize;
    Point maxTrackSize;
};

struct WindowPos
{
    WindowHandle hwnd = 0;
    WindowHandle insertAfter = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    uint32_t flags = 0;
};

// WM_NCCALCSIZE: rect[0] comes in as the proposed window rectangle (parent
// coordinates) and goes out as the client rectangle in the same coordinates.
struct NcCalcSizeParams
{
    Rect rect[3];
    WindowPos* pos = nullptr;
};

// WM_DRAWITEM: the owner paints an item on the canvas (client coordinates of
// the item's window).
struct DrawItemInfo
{
    uint32_t ctlType = 0;
    uint32_t ctlId = 0;
    uint32_t itemId = 0;
    uint32_t itemAction = 0;
    uint32_t itemState = 0;
    WindowHandle hwndItem = 0;
    gfx::Canvas* canvas = nullptr;
    Rect rcItem;
    uintptr_t itemData = 0;
    const void* menuItem = nullptr; // for menus: the item (Menu.h MenuItem)
};

struct MeasureItemInfo
{
    uint32_t ctlType = 0;
    uint32_t ctlId = 0;
    uint32_t itemId = 0;
    uint32_t itemWidth = 0;
    uint32_t itemHeight = 0;
    uintptr_t itemData = 0;
    const void* menuItem = nullptr;
};

struct CustomDrawInfo
{
    NotifyHeader hdr;
    uint32_t drawStage = 0;
    gfx::Canvas* canvas = nullptr;
    Rect rc;
    uintptr_t itemSpec = 0;
    uint32_t itemState = 0;
    intptr_t itemParam = 0;
};

// WM_CTLCOLOR*: wParam points at this record (the control's colours as it
// will draw); the answer is a gfx::Brush* for the background, or 0 for the
// control's own. The owner may change the colours, ask for a transparent
// text background and move the brush origin.
struct ControlColors
{
    gfx::Canvas* canvas = nullptr;
    gfx::Color textColor = 0;
    gfx::Color backColor = 0;
    bool transparent = false;
    Point brushOrigin;
};

// A message as the queue hands it out.
struct Msg
{
    WindowHandle hwnd = 0;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    uint32_t time = 0;
    Point pt; // pointer position (screen) when the message was made
};

} // namespace vel::gui
