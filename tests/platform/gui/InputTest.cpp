// Input as a person gives it, through the robot: pointer routing, hit
// codes and non-client messages, system commands, capture, leave
// tracking, shapes, layered alpha, focus, keyboard and modal dialogs.

#include "GuiTest.h"

#include "platform/gui/Cursor.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/Paint.h"
#include "platform/gui/SystemLook.h"

using namespace vel::gui;
using namespace vel::gui::test;
namespace gfx = vel::gfx;

namespace {

Rect R(int x, int y, int w, int h)
{
    return Rect::FromXYWH(x, y, w, h);
}

// Paints itself one colour and records pointer messages with their points.
class Pad : public Recorder
{
public:
    gfx::Color color = gfx::Rgb(255, 255, 255);
    std::vector<std::pair<uint32_t, Point>> pointer;
    CursorRef cursor;

protected:
    void OnPaint() override
    {
        PaintContext pc(*this);
        pc.Canvas().FillRect(ClientRect(), color);
    }
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnMouseMove(uint32_t, Point p) override { pointer.push_back({kWmMouseMove, p}); }
    void OnLButtonDown(uint32_t, Point p) override { pointer.push_back({kWmLButtonDown, p}); }
    void OnLButtonUp(uint32_t, Point p) override { pointer.push_back({kWmLButtonUp, p}); }
    void OnLButtonDblClk(uint32_t, Point p) override { pointer.push_back({kWmLButtonDblClk, p}); }
    void OnNcMouseMove(int hit, Point p) override { pointer.push_back({kWmNcMouseMove, {hit, 0}}); }
    void OnNcLButtonDown(int hit, Point p) override
    {
        pointer.push_back({kWmNcLButtonDown, {hit, 0}});
        Window::OnNcLButtonDown(hit, p);
    }
    bool OnSetCursor(Window* w, int hit, uint32_t m) override
    {
        if (cursor && hit == kHtClient) {
            SetCursor(cursor);
            return true;
        }
        return Window::OnSetCursor(w, hit, m);
    }
};

} // namespace

class Pointer : public GuiTest
{
};

TEST_F(Pointer, GoesToTheDeepestVisibleEnabledWindowUnderIt)
{
    UiThread ui;
    Pad top, child, disabled, hidden;
    ui.Call([&] {
        top.Create(nullptr, R(100, 100, 300, 200), kWsPopup | kWsVisible);
        child.CreateChild(top, R(10, 10, 100, 100), kWsVisible, 1);
        disabled.CreateChild(top, R(150, 10, 50, 50), kWsVisible | kWsDisabled, 2);
        hidden.CreateChild(top, R(150, 100, 50, 50), 0, 3);
    });
    EXPECT_EQ(WindowFromPoint({120, 120}), child.Handle());
    EXPECT_EQ(WindowFromPoint({260, 120}), top.Handle()) << "a disabled child leaves the input to its parent";
    EXPECT_EQ(WindowFromPoint({260, 210}), top.Handle()) << "a hidden child takes nothing";
    EXPECT_EQ(WindowFromPoint({5, 5}), 0u);
    robot.Click({130, 140});
    ASSERT_EQ(child.pointer.size(), 3u);
    EXPECT_EQ(child.pointer[1], (std::pair<uint32_t, Point>{kWmLButtonDown, {20, 30}}))
        << "client coordinates";
    EXPECT_EQ(GetActiveWindow(), top.Handle()) << "a click activates the window's top level";
    robot.Click({260, 120});
    EXPECT_EQ(disabled.pointer.size(), 0u);
    EXPECT_EQ(top.pointer.back().first, kWmLButtonUp);
    ui.Call([&] { top.Destroy(); });
}

TEST_F(Pointer, DoubleClicksNeedTheClassStyleAndComeWithinTheTime)
{
    UiThread ui;
    Pad plain, dbl;
    ui.Call([&] {
        plain.Create(nullptr, R(0, 0, 100, 100), kWsPopup | kWsVisible);
        dbl.SetClassStyle(kCsDblClks);
        dbl.Create(nullptr, R(200, 0, 100, 100), kWsPopup | kWsVisible);
    });
    auto kinds = [](const Pad& p) {
        std::vector<uint32_t> k;
        for (auto& e : p.pointer)
            if (e.first != kWmMouseMove)
                k.push_back(e.first);
        return k;
    };
    robot.DoubleClick({50, 50});
    EXPECT_EQ(kinds(plain),
              (std::vector<uint32_t>{kWmLButtonDown, kWmLButtonUp, kWmLButtonDown, kWmLButtonUp}));
    robot.DoubleClick({250, 50});
    EXPECT_EQ(kinds(dbl),
              (std::vector<uint32_t>{kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk, kWmLButtonUp}));
    dbl.pointer.clear();
    robot.Click({250, 50});
    robot.AdvanceTime(DoubleClickTime() + 1);
    robot.Click({250, 50});
    EXPECT_EQ(kinds(dbl), (std::vector<uint32_t>{kWmLButtonDown, kWmLButtonUp, kWmLButtonDown, kWmLButtonUp}))
        << "too slow for a double click";
    ui.Call([&] {
        plain.Destroy();
        dbl.Destroy();
    });
}

TEST_F(Pointer, ADragWithCaptureEndsOutsideTheWindowAndStillReachesIt)
{
    struct Dragger : Pad
    {
        void OnLButtonDown(uint32_t k, Point p) override
        {
            Pad::OnLButtonDown(k, p);
            SetCapture();
        }
        void OnLButtonUp(uint32_t k, Point p) override
        {
            Pad::OnLButtonUp(k, p);
            ReleaseCapture();
        }
    };
    UiThread ui;
    Dragger source;
    Pad other;
    ui.Call([&] {
        source.Create(nullptr, R(100, 100, 100, 100), kWsPopup | kWsVisible);
        other.Create(nullptr, R(400, 100, 100, 100), kWsPopup | kWsVisible);
    });
    robot.Drag({150, 150}, {450, 150}, 4);
    for (auto& e : other.pointer)
        EXPECT_EQ(e.first, kWmMouseMove) << "no press or release reached the other window";
    ASSERT_FALSE(source.pointer.empty());
    EXPECT_EQ(source.pointer.back(), (std::pair<uint32_t, Point>{kWmLButtonUp, {350, 50}}))
        << "the release outside arrives in the capturing window's coordinates";
    EXPECT_EQ(GetCaptureWindow(), 0u);
    robot.MoveTo({460, 160});
    EXPECT_EQ(other.pointer.back().first, kWmMouseMove) << "after release the pointer goes where it is";
    ui.Call([&] {
        source.Destroy();
        other.Destroy();
    });
}

TEST_F(Pointer, LeaveTrackingTellsOnceForClientAndNonClientAreas)
{
    struct Tracker : Pad
    {
        void OnMouseMove(uint32_t k, Point p) override
        {
            Pad::OnMouseMove(k, p);
            if (!IsTrackingMouseLeave(false))
                TrackMouseLeave(false);
        }
        void OnNcMouseMove(int hit, Point p) override
        {
            Pad::OnNcMouseMove(hit, p);
            if (!IsTrackingMouseLeave(true))
                TrackMouseLeave(true);
        }
    };
    UiThread ui;
    Tracker w;
    ui.Call([&] { w.Create(nullptr, R(100, 100, 200, 150), kWsOverlappedWindow | kWsVisible); });
    Rect client = w.ClientToScreen(w.ClientRect());
    robot.MoveTo({client.left + 20, client.top + 20});
    robot.MoveTo({client.left + 30, client.top + 30});
    EXPECT_EQ(w.Count(kWmMouseLeave), 0);
    robot.MoveTo({client.left + 20, w.WindowRect().top + 5}); // onto the caption
    EXPECT_EQ(w.Count(kWmMouseLeave), 1) << "client to non-client is a leave";
    robot.MoveTo({client.left + 30, w.WindowRect().top + 6});
    robot.MoveTo({700, 700}); // off the window
    EXPECT_EQ(w.Count(kWmNcMouseLeave), 1);
    EXPECT_EQ(w.Count(kWmMouseLeave), 1);
    ui.Call([&] { w.Destroy(); });
}

TEST_F(Pointer, TheWindowUnderThePointerSetsTheCursor)
{
    UiThread ui;
    Pad w;
    w.cursor = Cursor::System(SystemCursor::kHand);
    ui.Call([&] { w.Create(nullptr, R(100, 100, 200, 150), kWsPopup | kWsThickFrame | kWsVisible); });
    robot.MoveTo({200, 150});
    EXPECT_EQ(CurrentCursor(), Cursor::System(SystemCursor::kHand));
    robot.MoveTo({101, 150}); // on the left sizing edge
    EXPECT_EQ(CurrentCursor(), Cursor::System(SystemCursor::kSizeWE));
    ui.Call([&] { w.Destroy(); });
}

TEST_F(Pointer, TheWheelGoesUpTheParentsUntilSomebodyTakesIt)
{
    struct Wheeled : Pad
    {
        int delta = 0;
        bool OnMouseWheel(uint32_t, int d, Point) override
        {
            delta += d;
            return true;
        }
    };
    UiThread ui;
    Wheeled top;
    Pad child;
    ui.Call([&] {
        top.Create(nullptr, R(100, 100, 200, 150), kWsPopup | kWsVisible);
        child.CreateChild(top, R(10, 10, 50, 50), kWsVisible, 1);
    });
    robot.Wheel({120, 120}, -2);
    EXPECT_EQ(top.delta, -2 * kWheelDelta);
    ui.Call([&] { top.Destroy(); });
}

class NonClient : public GuiTest
{
};

TEST_F(NonClient, HitCodesFollowTheFrameTheStyleGives)
{
    UiThread ui;
    Pad w;
    ui.Call([&] { w.Create(nullptr, R(100, 100, 300, 200), kWsOverlappedWindow | kWsVisible); });
    Rect wr = w.WindowRect();
    NcLayout l = ComputeNcLayout(w.Style(), w.ExStyle(), {300, 200}, false, false);
    EXPECT_EQ(w.ClientRectInWindow(), l.client);
    struct Case
    {
        Point at; // window coordinates
        int hit;
    } cases[] = {
        {{150, l.caption.top + 5}, kHtCaption},
        {{l.closeBox.left + 3, l.closeBox.top + 3}, kHtClose},
        {{l.maxBox.left + 3, l.maxBox.top + 3}, kHtMaxButton},
        {{l.minBox.left + 3, l.minBox.top + 3}, kHtMinButton},
        {{l.sysMenu.left + 3, l.sysMenu.top + 3}, kHtSysMenu},
        {{1, 100}, kHtLeft},
        {{298, 100}, kHtRight},
        {{150, 199}, kHtBottom},
        {{1, 1}, kHtTopLeft},
        {{298, 198}, kHtBottomRight},
        {{150, 120}, kHtClient},
        {{400, 120}, kHtNowhere},
    };
    for (const Case& c : cases) {
        LResult hit =
            SendMessageTo(w.Handle(), kWmNcHitTest, 0, PackPoint({wr.left + c.at.x, wr.top + c.at.y}));
        EXPECT_EQ(hit, c.hit) << "at " << c.at.x << "," << c.at.y;
    }
    robot.MoveTo({wr.left + 150, wr.top + l.caption.top + 5});
    EXPECT_EQ(w.pointer.back(), (std::pair<uint32_t, Point>{kWmNcMouseMove, {kHtCaption, 0}}));
    ui.Call([&] { w.Destroy(); });
}

TEST_F(NonClient, CaptionBoxesSendSystemCommandsOnlyWhenReleasedOverThem)
{
    UiThread ui;
    Pad w;
    ui.Call([&] { w.Create(nullptr, R(100, 100, 300, 200), kWsOverlappedWindow | kWsVisible); });
    NcLayout l = ComputeNcLayout(w.Style(), w.ExStyle(), {300, 200}, false, false);
    Rect wr = w.WindowRect();
    Point close{wr.left + (l.closeBox.left + l.closeBox.right) / 2,
                wr.top + (l.closeBox.top + l.closeBox.bottom) / 2};
    // Press, slide off, release elsewhere: nothing.
    robot.Drag(close, {wr.left + 100, wr.top + 100}, 2);
    EXPECT_TRUE(w.IsWindow());
    EXPECT_EQ(w.Count(kWmSysCommand), 0);
    // Maximise: the window fills the work area (frame outside it).
    Point max{wr.left + (l.maxBox.left + l.maxBox.right) / 2, wr.top + (l.maxBox.top + l.maxBox.bottom) / 2};
    robot.Click(max);
    EXPECT_TRUE(w.IsMaximized());
    int f = FrameThickness(w.Style(), w.ExStyle());
    EXPECT_EQ(w.WindowRect(), Screen::WorkArea().Inflate(f, f));
    EXPECT_EQ(w.RestoreRect(), R(100, 100, 300, 200));
    ui.Call([&] { w.Show(kSwRestore); });
    EXPECT_EQ(w.WindowRect(), R(100, 100, 300, 200));
    robot.Click(close);
    EXPECT_EQ(w.Count(kWmSysCommand), 2) << "maximise, then close";
    EXPECT_EQ(w.Count(kWmClose), 1);
    EXPECT_FALSE(w.IsWindow());
}

TEST_F(NonClient, DraggingTheCaptionMovesAndTheBorderSizesWithinTrackingLimits)
{
    struct Limited : Pad
    {
        void OnGetMinMaxInfo(MinMaxInfo& mm) override
        {
            mm.minTrackSize = {200, 150};
            mm.maxTrackSize = {500, 400};
        }
    };
    UiThread ui;
    Limited w;
    ui.Call([&] { w.Create(nullptr, R(100, 100, 300, 200), kWsOverlappedWindow | kWsVisible); });
    robot.Drag({250, 110}, {300, 160}, 5);
    EXPECT_EQ(w.WindowRect(), R(150, 150, 300, 200));
    EXPECT_EQ(w.Count(kWmEnterSizeMove), 1);
    EXPECT_EQ(w.Count(kWmExitSizeMove), 1);
    // The right edge, dragged far out, stops at the largest tracking size;
    // dragged far in, at the smallest.
    robot.Drag({448, 250}, {900, 250}, 3);
    EXPECT_EQ(w.WindowRect().Width(), 500);
    robot.Drag({648, 250}, {160, 250}, 3);
    EXPECT_EQ(w.WindowRect().Width(), 200);
    EXPECT_GT(w.Count(kWmSize), 2);
    ui.Call([&] { w.Destroy(); });
}

TEST_F(NonClient, ScrollBarsTakeTheirPlaceFromTheClientAndSendScrollRequests)
{
    struct Scrolled : Pad
    {
        std::vector<int> codes;
        void OnVScroll(int code, int, Window* bar) override
        {
            codes.push_back(code);
            if (code == kSbLineDown)
                SetScrollPos(kSbVert, GetScrollPos(kSbVert) + 1);
            if (code == kSbThumbPosition)
                SetScrollPos(kSbVert, GetScrollInfo(kSbVert).trackPos);
        }
    };
    UiThread ui;
    Scrolled w;
    ui.Call([&] {
        w.Create(nullptr, R(100, 100, 200, 200), kWsPopup | kWsVisible | kWsVScroll);
        EXPECT_EQ(w.ClientRect().Width(), 200) << "no range, no bar";
        w.SetScrollInfo(kSbVert, {0, 99, 20, 0, 0});
    });
    EXPECT_TRUE(w.IsScrollBarShown(kSbVert));
    EXPECT_EQ(w.ClientRect().Width(), 200 - kScrollBarSize);
    Rect bar = w.ScrollBarRect(kSbVert).Offset(100, 100);
    robot.Click({bar.left + 8, bar.bottom - 8}); // the down arrow
    EXPECT_EQ(w.codes, (std::vector<int>{kSbLineDown, kSbEndScroll}));
    EXPECT_EQ(w.GetScrollPos(kSbVert), 1);
    // Dragging the thumb to the far end reaches the last position.
    ScrollBarParts parts = LayoutScrollBar(w.ScrollBarRect(kSbVert), true, w.GetScrollInfo(kSbVert));
    Point thumb{100 + parts.thumb.left + 8, 100 + (parts.thumb.top + parts.thumb.bottom) / 2};
    w.codes.clear();
    robot.Drag(thumb, {thumb.x, thumb.y + 400}, 4);
    EXPECT_EQ(w.codes.back(), kSbEndScroll);
    EXPECT_NE(std::find(w.codes.begin(), w.codes.end(), kSbThumbTrack), w.codes.end());
    EXPECT_EQ(w.GetScrollPos(kSbVert), 80) << "the largest position is max - page + 1";
    ui.Call([&] { w.Destroy(); });
}

class Shapes : public GuiTest
{
};

TEST_F(Shapes, ARegionClipsInputAndPainting)
{
    UiThread ui;
    Pad below, shaped;
    below.color = gfx::Rgb(0, 0, 255);
    shaped.color = gfx::Rgb(255, 0, 0);
    ui.Call([&] {
        below.Create(nullptr, R(100, 100, 200, 200), kWsPopup | kWsVisible);
        shaped.Create(nullptr, R(100, 100, 200, 200), kWsPopup | kWsVisible);
        gfx::Region shape(Rect{0, 0, 100, 200}); // the left half only
        shaped.SetRegion(shape);
    });
    robot.WaitIdle();
    EXPECT_EQ(Screen::PixelAt({150, 150}), 0xFFFF0000u);
    EXPECT_EQ(Screen::PixelAt({250, 150}), 0xFF0000FFu) << "outside the shape the window below shows";
    robot.Click({150, 150});
    EXPECT_FALSE(shaped.pointer.empty());
    shaped.pointer.clear();
    robot.Click({250, 150});
    EXPECT_TRUE(shaped.pointer.empty());
    EXPECT_FALSE(below.pointer.empty()) << "and takes the click";
    gfx::Bitmap snap = Screen::SnapshotWindow(shaped.Handle());
    EXPECT_EQ(snap.Pixel(50, 50), 0xFFFF0000u);
    EXPECT_EQ(snap.Pixel(150, 50), 0u) << "a window snapshot is transparent outside its shape";
    Keep("Shapes.region");
    ui.Call([&] {
        below.Destroy();
        shaped.Destroy();
    });
}

TEST_F(Shapes, LayeredWindowsBlendWithConstantAndPerPixelAlpha)
{
    UiThread ui;
    Pad white, half, perPixel;
    ui.Call([&] {
        white.Create(nullptr, R(0, 0, 400, 200), kWsPopup | kWsVisible);
        half.color = gfx::Rgb(0, 0, 0);
        half.Create(nullptr, R(10, 10, 100, 100), kWsPopup | kWsVisible, kWsExLayered);
        half.SetLayeredAlpha(128);
        perPixel.Create(nullptr, R(200, 10, 100, 100), kWsPopup | kWsVisible, kWsExLayered);
        gfx::Bitmap b(100, 100, 0);                                  // transparent ...
        b.FillRect(0, 0, 50, 100, gfx::Premultiply(255, 0, 0, 255)); // ... with an opaque red left half
        b.FillRect(50, 0, 25, 100, gfx::Premultiply(255, 0, 0, 64)); // and a faint red stripe
        perPixel.UpdateLayered(b, 255);
    });
    robot.WaitIdle();
    uint32_t p = Screen::PixelAt({50, 50});
    EXPECT_NEAR(int((p >> 16) & 0xFF), 127, 1) << "black at half alpha over white is mid grey";
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_EQ(Screen::PixelAt({220, 50}), 0xFFFF0000u);
    uint32_t faint = Screen::PixelAt({260, 50});
    EXPECT_EQ((faint >> 16) & 0xFF, 0xFFu);
    EXPECT_NEAR(int(faint & 0xFF), 191, 2) << "a quarter-alpha red over white keeps 3/4 of the white";
    EXPECT_EQ(Screen::PixelAt({290, 50}), 0xFFFFFFFFu) << "transparent pixels show what is below";
    // And the pointer passes through the transparent pixels.
    EXPECT_EQ(WindowFromPoint({290, 50}), white.Handle());
    EXPECT_EQ(WindowFromPoint({220, 50}), perPixel.Handle());
    gfx::Bitmap snap = Screen::SnapshotWindow(half.Handle());
    EXPECT_NEAR(int(snap.Pixel(5, 5) >> 24), 128, 1) << "the window snapshot carries its alpha";
    Keep("Shapes.layered");
    ui.Call([&] {
        white.Destroy();
        half.Destroy();
        perPixel.Destroy();
    });
}

class Keyboard : public GuiTest
{
};

namespace {

// A focusable box that records keys and characters.
class KeyBox : public Pad
{
public:
    std::u16string typed;
    std::vector<uint32_t> keys;
    uint32_t dlgCode = 0;

protected:
    void OnLButtonDown(uint32_t k, Point p) override
    {
        Pad::OnLButtonDown(k, p);
        SetFocus();
    }
    void OnKeyDown(uint32_t vk, uint32_t, uint32_t) override { keys.push_back(vk); }
    void OnChar(char16_t c, uint32_t, uint32_t) override { typed.push_back(c); }
    uint32_t OnGetDlgCode() override { return dlgCode; }
};

class SampleDialog : public Dialog
{
public:
    KeyBox first, second, third, inner;
    Window panel;
    std::vector<int> commands;

protected:
    bool OnInitDialog() override
    {
        first.CreateChild(*this, R(10, 10, 50, 20), kWsVisible | kWsTabStop, 101);
        panel.CreateChild(*this, R(10, 40, 200, 50), kWsVisible, 102, {}, kWsExControlParent);
        inner.CreateChild(panel, R(0, 0, 50, 20), kWsVisible | kWsTabStop, 103);
        second.CreateChild(*this, R(70, 10, 50, 20), kWsVisible | kWsTabStop | kWsDisabled, 104);
        third.CreateChild(*this, R(130, 10, 50, 20), kWsVisible | kWsTabStop, 105);
        return true;
    }
    bool OnCommand(WParam wp, LParam lp) override
    {
        commands.push_back(LoWord(wp));
        return Dialog::OnCommand(wp, lp);
    }
};

} // namespace

TEST_F(Keyboard, TabWalksTheTabStopsIntoControlParentsAndSkipsDisabledOnes)
{
    UiThread ui;
    SampleDialog dlg;
    dlg.SetCreateParams(R(100, 100, 300, 200));
    int result = 0;
    ui.Post([&] { result = dlg.DoModal(nullptr); });
    robot.WaitIdle();
    ASSERT_TRUE(dlg.IsModalRunning());
    EXPECT_EQ(GetFocusWindow(), dlg.first.Handle()) << "the first tab stop has the focus";
    std::vector<WindowHandle> visited;
    for (int i = 0; i < 4; ++i) {
        robot.Key(kVkTab);
        visited.push_back(GetFocusWindow());
    }
    EXPECT_EQ(visited, (std::vector<WindowHandle>{dlg.inner.Handle(), dlg.third.Handle(), dlg.first.Handle(),
                                                  dlg.inner.Handle()}));
    robot.Key(kVkTab, kModShift);
    EXPECT_EQ(GetFocusWindow(), dlg.first.Handle());
    EXPECT_TRUE(dlg.first.typed.empty()) << "the dialog ate the tab characters";
    robot.Text(u"好a");
    EXPECT_EQ(dlg.first.typed, u"好a");
    robot.Key(kVkReturn);
    EXPECT_FALSE(dlg.IsModalRunning());
    EXPECT_EQ(result, kIdOk) << "Enter is the default button";
    EXPECT_EQ(dlg.commands, (std::vector<int>{kIdOk}));
}

TEST_F(Keyboard, ControlsThatWantKeysGetThemAndEscapeCancels)
{
    UiThread ui;
    SampleDialog dlg;
    dlg.first.dlgCode = kDlgcWantAllKeys;
    dlg.SetCreateParams(R(100, 100, 300, 200));
    int result = 0;
    ui.Post([&] { result = dlg.DoModal(nullptr); });
    robot.WaitIdle();
    robot.Key(kVkReturn);
    robot.Key(kVkTab);
    robot.Key(kVkF2);
    robot.Key('A', kModCtrl);
    EXPECT_EQ(dlg.first.keys, (std::vector<uint32_t>{kVkReturn, kVkTab, kVkF2, kVkControl, 'A'}));
    EXPECT_EQ(dlg.first.typed, (std::u16string{u'\r', u'\t', char16_t(1)})) << "Ctrl+A types 0x01";
    EXPECT_TRUE(dlg.IsModalRunning());
    ui.Call([&] { dlg.third.SetFocus(); });
    robot.Key(kVkEscape);
    EXPECT_EQ(result, kIdCancel);
}

class Modal : public GuiTest
{
};

TEST_F(Modal, AModalDialogDisablesItsOwnerAndNestedOnesUnwindInOrder)
{
    struct Outer : Dialog
    {
        Dialog inner;
        int innerResult = 0;
        bool OnMessage(uint32_t m, WParam, LParam, LResult&) override
        {
            if (m == kWmUser + 100) { // (WM_USER+0 and +1 are the dialog's own)
                inner.SetCreateParams(R(200, 200, 150, 100));
                innerResult = inner.DoModal(this);
                return true;
            }
            return false;
        }
    };
    UiThread ui;
    Pad owner;
    Outer outer;
    outer.SetCreateParams(R(150, 150, 300, 200));
    ui.Call([&] { owner.Create(nullptr, R(0, 0, 800, 600), kWsOverlappedWindow | kWsVisible); });
    int result = 0;
    ui.Post([&] { result = outer.DoModal(&owner); });
    robot.WaitIdle();
    EXPECT_FALSE(owner.IsEnabled());
    EXPECT_EQ(GetActiveWindow(), outer.Handle());
    robot.Click({20, 20}); // into the disabled owner
    EXPECT_TRUE(owner.pointer.empty()) << "the disabled owner takes no input";
    EXPECT_EQ(GetActiveWindow(), outer.Handle());
    outer.Post(kWmUser + 100);
    robot.WaitIdle();
    EXPECT_TRUE(outer.inner.IsModalRunning());
    EXPECT_FALSE(outer.IsEnabled());
    ui.Call([&] { outer.inner.EndDialog(42); });
    robot.WaitIdle(); // the inner loop unwinds after the call returned
    EXPECT_EQ(outer.innerResult, 42);
    EXPECT_TRUE(outer.IsEnabled());
    EXPECT_EQ(GetActiveWindow(), outer.Handle());
    // The caption's close box ends the dialog as Cancel.
    ui.Call([&] { outer.Send(kWmSysCommand, kScClose); });
    robot.WaitIdle();
    EXPECT_EQ(result, kIdCancel);
    EXPECT_TRUE(owner.IsEnabled());
    EXPECT_EQ(GetActiveWindow(), owner.Handle()) << "activation returns to the owner";
    ui.Call([&] { owner.Destroy(); });
}

TEST_F(Modal, EndDialogFromAnotherThreadWakesTheLoop)
{
    UiThread ui;
    Dialog dlg;
    dlg.SetCreateParams(R(100, 100, 200, 100));
    int result = 0;
    ui.Post([&] { result = dlg.DoModal(nullptr); });
    robot.WaitIdle();
    dlg.EndDialog(7);
    robot.WaitIdle();
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(dlg.IsWindow());
}
