#pragma once
// A window of the window system: a numeric handle, a place in the window tree
// (parent, children in z-order, or an owner for top-level windows), styles, a
// control id, a text, a font, an optional shape (region), an optional
// layered alpha, scroll bars, and its own retained surface that it paints
// into and that the screen composites.
//
// Messages are the platform's (Messages.h), but a window class does not
// switch on them: WindowProc is the one dispatch switch, and it calls one
// typed virtual handler per message. A handler's base version does the
// default processing of that message (Default()), so overriding one and
// calling the base keeps the system's behaviour. Messages without a typed
// handler (user messages, 0x8888, WM_USER+902, ...) reach OnMessage.
//
// Threads: a window belongs to the thread that created it; its handlers run
// on that thread only. Any thread may send or post to it by handle, read its
// state, or call the operations marked "any thread", which are carried over
// to the owner thread when called elsewhere. The C++ object is owned by
// whoever created it (a member, a dialog's control list, the stack); a window
// that should free itself overrides OnFinalMessage, which runs after its last
// message has been handled.
//
// A derived class's destructor must not destroy the window itself: its
// handlers would run while the object (or its parent's) is half gone.
// ~Window destroys a window that is still there, with the base handlers.
//
// Life: Create* -> WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE (-1 fails the
// creation) -> ... -> Destroy: WM_DESTROY (this window, then its children),
// WM_NCDESTROY (children first), OnFinalMessage. After that the handle is
// gone for good; messages to it are dropped.

#include "Messages.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Region.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel::gui {

class Cursor;
class Menu;
using CursorRef = std::shared_ptr<const Cursor>;
using FontRef = std::shared_ptr<const gfx::Font>;

namespace detail {
struct Surface;
struct ThreadQueue;
class System;
} // namespace detail

struct CreateStruct
{
    void* param = nullptr;
    class Window* parent = nullptr; // parent (child windows) or owner (top-level)
    Rect rect;                      // window rectangle, parent client or screen coordinates
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int id = 0;
    std::u16string_view text;
};

struct ScrollInfo
{
    int min = 0;
    int max = 0;
    unsigned page = 0;
    int pos = 0;
    int trackPos = 0;
    friend bool operator==(const ScrollInfo&, const ScrollInfo&) = default;
};

// Class styles (one set per window here; the platform kept them per class).
inline constexpr uint32_t kCsVRedraw = 0x1;
inline constexpr uint32_t kCsHRedraw = 0x2;
inline constexpr uint32_t kCsDblClks = 0x8;

// Watches every message a window receives before the window does (a
// tooltip that relays its owner's pointer messages by itself).
class MessageObserver
{
public:
    virtual ~MessageObserver() = default;
    virtual void ObserveMessage(class Window& window, const Msg& msg) = 0;
};

class Window
{
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // --- Creation and destruction --------------------------------------------
    // `parent` is the parent of a child window (kWsChild) or the owner of a
    // top-level one. Rectangles are in the parent's client coordinates for
    // children and screen coordinates for top-level windows.
    bool Create(Window* parent, const Rect& rect, uint32_t style, uint32_t exStyle = 0, int id = 0,
                std::u16string_view text = {}, void* param = nullptr);
    bool CreateChild(Window& parent, const Rect& rect, uint32_t style, int id, std::u16string_view text = {},
                     uint32_t exStyle = 0);
    // Any thread.
    bool Destroy();

    WindowHandle Handle() const { return m_handle; }
    bool IsWindow() const;
    // The window of a live handle, or null. Use the pointer on the window's
    // own thread only.
    static Window* FromHandle(WindowHandle handle);

    virtual std::u16string_view ClassName() const { return u"Window"; }
    uint32_t ClassStyle() const { return m_classStyle; }
    void SetClassStyle(uint32_t style) { m_classStyle = style; }
    // The cursor shown over the client area unless a handler sets another
    // (null: the arrow).
    void SetClassCursor(CursorRef cursor);
    CursorRef ClassCursor() const;
    // The background the default erase paints (no colour: none).
    void SetBackground(gfx::Color color) { m_background = color; }
    gfx::Color Background() const { return m_background; }

    // --- Messages (any thread) --------------------------------------------------
    LResult Send(uint32_t message, WParam wParam = 0, LParam lParam = 0);
    bool Post(uint32_t message, WParam wParam = 0, LParam lParam = 0);

    // --- Tree ------------------------------------------------------------------
    Window* Parent() const;
    Window* Owner() const;
    // The top-level window this window lies in (itself for a top-level).
    Window* TopLevel() const;
    // Children front (top of the z-order) to back.
    std::vector<Window*> Children() const;
    Window* ChildById(int id) const; // direct children only, as dialog items are found
    bool IsChild() const { return (Style() & kWsChild) != 0; }
    // True when `other` is this window or lies below it in the tree.
    bool IsAncestorOf(const Window* other) const;

    // --- Styles, id, text, font -----------------------------------------------
    uint32_t Style() const;
    uint32_t ExStyle() const;
    // Any thread. Changing frame bits recomputes the non-client area.
    void ModifyStyle(uint32_t remove, uint32_t add);
    void ModifyExStyle(uint32_t remove, uint32_t add);
    int Id() const;
    void SetId(int id);
    std::u16string Text() const;
    void SetText(std::u16string_view text); // through WM_SETTEXT
    FontRef Font() const;                   // the window's font, or the system's
    void SetFont(FontRef font, bool redraw = true);
    void SetUserData(intptr_t data) { m_userData = data; }
    intptr_t UserData() const { return m_userData; }

    // --- Geometry ---------------------------------------------------------------
    // The window rectangle in screen coordinates.
    Rect WindowRect() const;
    // The window rectangle in its parent's client coordinates (screen for top-level).
    Rect RectInParent() const;
    // The client area: (0, 0, width, height).
    Rect ClientRect() const;
    // The client area inside the window rectangle (window coordinates).
    Rect ClientRectInWindow() const;
    Point ClientToScreen(Point p) const;
    Point ScreenToClient(Point p) const;
    Rect ClientToScreen(const Rect& r) const;
    Rect ScreenToClient(const Rect& r) const;
    // Any thread.
    bool SetPos(WindowHandle insertAfter, int x, int y, int cx, int cy, uint32_t flags);
    bool Move(const Rect& rectInParent, bool repaint = true);
    bool BringToTop() { return SetPos(kInsertTop, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize); }
    // Centres over the owner (the work area when there is none).
    void CenterOver(const Window* other);

    // --- State ------------------------------------------------------------------
    bool Show(int command); // any thread; returns whether it was visible
    bool IsVisible() const; // this window and every ancestor
    bool Enable(bool enable);
    bool IsEnabled() const;
    bool IsMinimized() const { return (Style() & kWsMinimize) != 0; }
    bool IsMaximized() const { return (Style() & kWsMaximize) != 0; }
    // The rectangle a minimised or maximised window returns to.
    Rect RestoreRect() const;

    // --- Shape and transparency ---------------------------------------------------
    // The window's shape in window coordinates (nullopt: the whole rectangle).
    // Pointer input outside it passes to what lies below; painting outside it
    // never reaches the screen.
    void SetRegion(std::optional<gfx::Region> region, bool redraw = true);
    std::optional<gfx::Region> Region() const;
    // A layered window (kWsExLayered) is blended onto the screen with a
    // constant alpha.
    void SetLayeredAlpha(uint8_t alpha);
    uint8_t LayeredAlpha() const;
    // A per-pixel layered window shows the given bitmap (premultiplied, the
    // window's size) instead of painting; children are not shown.
    bool UpdateLayered(const gfx::Bitmap& bitmap, uint8_t alpha);
    bool IsPerPixelLayered() const;

    // --- Painting ----------------------------------------------------------------
    // Any thread. Rectangles in client coordinates.
    void Invalidate(bool erase = true);
    void InvalidateRect(const Rect& rect, bool erase = true);
    void InvalidateRegion(const gfx::Region& region, bool erase = true);
    void InvalidateFrame(); // the non-client area
    void Validate();
    // Paints now (WM_PAINT through the handler) when anything is invalid.
    void Update();
    bool NeedsPaint() const;
    gfx::Region InvalidRegion() const;

    // --- Timers (any thread) -------------------------------------------------------
    bool SetTimer(uintptr_t id, uint32_t periodMs);
    bool KillTimer(uintptr_t id);

    // --- Input ----------------------------------------------------------------------
    void SetFocus();
    bool HasFocus() const;
    void SetCapture();
    bool HasCapture() const;
    // Posts WM_MOUSELEAVE (or WM_NCMOUSELEAVE) once when the pointer leaves
    // the client (non-client) area; armed until then.
    void TrackMouseLeave(bool nonClient = false);
    bool IsTrackingMouseLeave(bool nonClient = false) const;

    // --- Scroll bars (kWsHScroll / kWsVScroll) -----------------------------------------
    // A bar shows while its style bit is set and its range exceeds its page.
    void SetScrollInfo(int bar, const ScrollInfo& info, bool redraw = true);
    ScrollInfo GetScrollInfo(int bar) const;
    int SetScrollPos(int bar, int pos, bool redraw = true);
    int GetScrollPos(int bar) const;
    bool IsScrollBarShown(int bar) const;
    // The bar's rectangle in window coordinates (empty when hidden).
    Rect ScrollBarRect(int bar) const;

    // --- Observers (tooltips that relay by themselves) -------------------------------
    void AddObserver(MessageObserver* observer);
    void RemoveObserver(MessageObserver* observer);

    // The system menu (restore, move, size, minimise, maximise, close),
    // built for the window's current state.
    Menu SystemMenu() const;

    // --- Dispatch -----------------------------------------------------------------------
    // The one switch from messages to handlers; a class that must see every
    // message first overrides it and calls the base for the rest.
    virtual LResult WindowProc(uint32_t message, WParam wParam, LParam lParam);
    // The system's default processing of a message.
    LResult DefaultProc(uint32_t message, WParam wParam, LParam lParam);
    // Called by message loops, from the target window up through its parents,
    // before a posted or input message is dispatched; true consumes it.
    virtual bool PreTranslateMessage(Msg& msg) { return false; }

protected:
    // The default processing of the message being handled.
    LResult Default();
    // Runs after the last message (WM_NCDESTROY) has been handled.
    virtual void OnFinalMessage() {}

    // --- Typed handlers; each base version does the default processing --------------------
    virtual bool OnNcCreate(const CreateStruct& cs);
    virtual int OnCreate(const CreateStruct& cs) { return 0; }
    virtual void OnDestroy() {}
    virtual void OnNcDestroy() {}
    virtual void OnClose();
    virtual void OnSize(int kind, int cx, int cy) {}
    virtual void OnMove(int x, int y) {}
    virtual void OnShowWindow(bool show) {}
    virtual void OnEnable(bool enabled) {}
    virtual void OnWindowPosChanging(WindowPos& pos) {}
    virtual void OnWindowPosChanged(const WindowPos& pos);
    virtual void OnGetMinMaxInfo(MinMaxInfo& info) {}
    virtual void OnSizing(int edge, Rect& rect) {}
    virtual void OnMoving(int edge, Rect& rect) {}
    virtual void OnEnterSizeMove() {}
    virtual void OnExitSizeMove() {}
    virtual LResult OnNcCalcSize(bool calcValidRects, NcCalcSizeParams& params);
    virtual int OnNcHitTest(Point screen);
    virtual void OnNcPaint();
    virtual bool OnNcActivate(bool active);
    virtual void OnActivate(int state, Window* other, bool minimized);
    virtual int OnMouseActivate(Window* topLevel, int hit, uint32_t message);
    virtual void OnPaint();
    virtual bool OnEraseBkgnd(gfx::Canvas& canvas);
    virtual void OnTimer(uintptr_t id) {}
    virtual void OnSetFocus(Window* previous) {}
    virtual void OnKillFocus(Window* next) {}
    virtual void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) {}
    virtual void OnKeyUp(uint32_t vk, uint32_t repeat, uint32_t flags) {}
    virtual void OnSysKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags);
    virtual void OnSysKeyUp(uint32_t vk, uint32_t repeat, uint32_t flags) {}
    virtual void OnChar(char16_t ch, uint32_t repeat, uint32_t flags) {}
    virtual uint32_t OnGetDlgCode() { return 0; }
    virtual void OnMouseMove(uint32_t keys, Point pt) {}
    virtual void OnLButtonDown(uint32_t keys, Point pt) {}
    virtual void OnLButtonUp(uint32_t keys, Point pt) {}
    virtual void OnLButtonDblClk(uint32_t keys, Point pt) {}
    virtual void OnRButtonDown(uint32_t keys, Point pt) {}
    virtual void OnRButtonUp(uint32_t keys, Point pt);
    virtual void OnRButtonDblClk(uint32_t keys, Point pt) {}
    virtual void OnMButtonDown(uint32_t keys, Point pt) {}
    virtual void OnMButtonUp(uint32_t keys, Point pt) {}
    // Wheel: delta in multiples of kWheelDelta, pointer in screen coordinates.
    // The default hands it to the parent.
    virtual bool OnMouseWheel(uint32_t keys, int delta, Point screen);
    virtual void OnMouseHover(uint32_t keys, Point pt) {}
    virtual void OnMouseLeave() {}
    virtual void OnNcMouseLeave() {}
    virtual void OnNcMouseMove(int hit, Point screen) {}
    virtual void OnNcLButtonDown(int hit, Point screen);
    virtual void OnNcLButtonUp(int hit, Point screen) {}
    virtual void OnNcLButtonDblClk(int hit, Point screen);
    virtual void OnNcRButtonDown(int hit, Point screen) {}
    virtual void OnNcRButtonUp(int hit, Point screen);
    virtual bool OnSetCursor(Window* window, int hit, uint32_t message);
    virtual void OnCaptureChanged(Window* newCapture) {}
    virtual void OnCancelMode();
    // WM_COMMAND: true when handled.
    virtual bool OnCommand(WParam wParam, LParam lParam) { return false; }
    // WM_NOTIFY: true when handled, with the answer in `result`.
    virtual bool OnNotify(WParam wParam, NotifyHeader& header, LResult& result) { return false; }
    virtual void OnSysCommand(uint32_t command, LParam lParam);
    // Scroll requests from the window's own bars (bar null) or from a
    // control (a track bar, a scroll bar control).
    virtual void OnHScroll(int code, int pos, Window* bar) {}
    virtual void OnVScroll(int code, int pos, Window* bar) {}
    // Owner drawing: the default hands the request to the control itself
    // (DrawItem / MeasureItem below), so a control may draw its own items.
    virtual bool OnDrawItem(int id, DrawItemInfo& info);
    virtual bool OnMeasureItem(int id, MeasureItemInfo& info);
    // Reflected owner-drawing requests a control gets from its parent's default.
    virtual bool DrawItem(DrawItemInfo& info) { return false; }
    virtual bool MeasureItem(MeasureItemInfo& info) { return false; }
    // Control colours: the default asks nothing of anyone (null brush).
    virtual gfx::Brush* OnCtlColor(ControlColors& colors, Window* control, uint32_t message)
    {
        return nullptr;
    }
    virtual bool OnCopyData(Window* from, const CopyData& data) { return false; }
    // The default hands the request to the parent.
    virtual void OnContextMenu(Window* window, Point screen);
    virtual void OnInitMenuPopup(Menu& menu, int index, bool system) {}
    virtual void OnSetFontMessage(FontRef font, bool redraw) {}
    virtual void OnStyleChanged(bool extended, uint32_t oldStyle, uint32_t newStyle) {}
    // Everything else; true when handled, with the answer in `result`.
    virtual bool OnMessage(uint32_t message, WParam wParam, LParam lParam, LResult& result) { return false; }

private:
    friend class detail::System;
    friend class PaintContext;
    friend class WindowCanvas;

    // Set by the system (guarded by its lock).
    WindowHandle m_handle = 0;
    detail::ThreadQueue* m_queue = nullptr;
    Window* m_parent = nullptr;
    Window* m_owner = nullptr;
    std::vector<Window*> m_children; // front to back
    uint32_t m_style = 0;
    uint32_t m_exStyle = 0;
    int m_id = 0;
    std::u16string m_text;
    FontRef m_font;
    Rect m_rect;   // in parent client coordinates (screen for top-level)
    Rect m_client; // in window coordinates
    Rect m_restore;
    std::optional<gfx::Region> m_region;
    uint8_t m_alpha = 255;
    bool m_perPixel = false;
    std::shared_ptr<detail::Surface> m_surface;
    gfx::Region m_invalid;
    bool m_erase = false;
    bool m_ncDirty = false;
    ScrollInfo m_scroll[2];
    bool m_scrollShown[2] = {false, false};
    bool m_trackLeave = false;
    bool m_trackNcLeave = false;
    bool m_destroying = false;
    bool m_finalPending = false;
    int m_dispatchDepth = 0;
    WindowHandle m_lastFocus = 0; // a top-level's focus to give back on activation
    std::vector<MessageObserver*> m_observers;

    // Set by the owner of the object.
    uint32_t m_classStyle = 0;
    CursorRef m_classCursor;
    gfx::Color m_background = gfx::kNoColor;
    intptr_t m_userData = 0;

    struct Current
    {
        uint32_t message;
        WParam wParam;
        LParam lParam;
    };
    Current* m_current = nullptr;
    Size m_lastSizeSent{-1, -1};
    Point m_lastMoveSent{-99999, -99999};
    bool m_dirtyCounted = false;
};

// --- Free functions by handle (any thread) -------------------------------------------
bool IsWindowHandle(WindowHandle handle);
LResult SendMessageTo(WindowHandle handle, uint32_t message, WParam wParam = 0, LParam lParam = 0);
// Sends and waits at most `timeoutMs` of real time; false when the window is
// gone, its thread ended, or the time ran out.
bool SendMessageTimeout(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam,
                        uint32_t timeoutMs, LResult* result = nullptr);
// Called when a posted message is dropped unhandled (its window was
// destroyed first, or its thread ended), so a heap record it carries can
// be freed.
using DropHandler = void (*)(uint32_t message, WParam wParam, LParam lParam);
bool PostMessageTo(WindowHandle handle, uint32_t message, WParam wParam = 0, LParam lParam = 0,
                   DropHandler dropped = nullptr);
// The window at a screen point (visible, enabled, within its region; child
// windows included), as the pointer would reach it; 0 for the desktop.
WindowHandle WindowFromPoint(Point screen);
std::u16string WindowText(WindowHandle handle);
Rect WindowRectOf(WindowHandle handle);
bool IsWindowVisible(WindowHandle handle);
bool IsWindowEnabled(WindowHandle handle);
// Top-level windows front to back.
std::vector<WindowHandle> TopLevelWindows();
// Every window (top-level windows and their descendants), for tests.
size_t WindowCount();
// Finds a window by text under a parent (0: among top-level windows),
// depth first.
WindowHandle FindWindowByText(WindowHandle parent, std::u16string_view text);

// Checks the window tree's invariants (every child's parent points back,
// handles map to their windows, no window is listed twice, top-level
// z-order keeps topmost windows in front); returns an empty string when
// they hold, else the first broken one. Debug builds assert it after every
// change of the tree.
std::string CheckWindowTree();

} // namespace vel::gui
