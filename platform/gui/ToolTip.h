#pragma once
// A tooltip: tools are rectangles of windows (or whole windows) with a
// text, or with the text asked for when needed (TTN_GETDISPINFO to the
// tool's window). The owner relays its pointer messages (RelayEvent), or the
// tooltip watches the tool's window itself (kTtfSubclass). Resting on a
// tool for the initial delay shows the tip below the pointer; moving off
// the tool, leaving the window, a click, the wheel or a key hides it, as
// does the automatic pop delay. Moving straight to another tool shows the
// next tip after the shorter reshow delay. The delays run on the window
// system's clock, so tests step them without waiting.

#include "Window.h"

#include <vector>

namespace vel::gui {

inline constexpr uint32_t kTtfIdIsHwnd = 0x1;
inline constexpr uint32_t kTtfCenterTip = 0x2;
inline constexpr uint32_t kTtfSubclass = 0x10;
inline constexpr uint32_t kTtfTextCallback = 0x80000000u; // ask the tool's window for the text

inline constexpr int kTtdtAutomatic = 0;
inline constexpr int kTtdtReshow = 1;
inline constexpr int kTtdtAutoPop = 2;
inline constexpr int kTtdtInitial = 3;

// TTN_GETDISPINFO (hdr.idFrom is the tool's id); the window fills `text`.
struct ToolTipTextRequest
{
    NotifyHeader hdr;
    std::u16string text;
};

class ToolTip : public Window, public MessageObserver
{
public:
    ToolTip();
    ~ToolTip() override;
    std::u16string_view ClassName() const override { return u"tooltips_class32"; }

    // A pop-up owned by the owner's top-level window.
    bool Create(Window* owner);

    bool AddTool(Window* window, std::u16string_view text, const Rect& rect, uintptr_t id,
                 uint32_t flags = 0);
    bool DelTool(Window* window, uintptr_t id);
    void DelAllTools();
    int ToolCount() const { return int(m_tools.size()); }
    bool SetToolRect(Window* window, uintptr_t id, const Rect& rect);
    bool UpdateTipText(Window* window, uintptr_t id, std::u16string_view text);
    void Activate(bool active);
    bool IsActive() const { return m_active; }
    void SetDelayTime(int which, uint32_t ms);
    uint32_t DelayTime(int which) const;
    void SetMaxTipWidth(int width) { m_maxWidth = width; }

    void RelayEvent(const Msg& msg);
    void Pop();
    bool IsShown() const;
    std::u16string ShownText() const { return m_shownText; }
    uintptr_t ShownTool() const { return m_shownId; }

    void ObserveMessage(Window& window, const Msg& msg) override { RelayEvent(msg); }

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnTimer(uintptr_t id) override;
    int OnNcHitTest(Point) override { return kHtTransparent; }
    int OnMouseActivate(Window*, int, uint32_t) override { return kMaNoActivate; }

private:
    struct Tool
    {
        WindowHandle window = 0;
        uintptr_t id = 0;
        Rect rect;
        std::u16string text;
        uint32_t flags = 0;
    };
    Tool* Find(WindowHandle window, uintptr_t id);
    Tool* ToolAt(WindowHandle window, Point client);
    Rect ToolScreenRect(const Tool& t) const;
    void ShowTip(Tool& t);
    void Hide();

    std::vector<Tool> m_tools;
    bool m_active = true;
    uint32_t m_initial = 500, m_reshow = 100, m_autoPop = 5000;
    int m_maxWidth = 300;
    WindowHandle m_curWindow = 0;
    uintptr_t m_curId = 0;
    bool m_hasCur = false;
    bool m_suppressed = false; // clicked: no tip until the pointer leaves the tool
    bool m_shown = false;
    uintptr_t m_shownId = 0;
    std::u16string m_shownText;
    uint64_t m_lastHide = 0;
};

} // namespace vel::gui
