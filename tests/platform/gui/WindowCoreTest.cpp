// The window tree, handles, sends and posts (on one thread and across
// threads), timers, painting and teardown.

#include "GuiTest.h"

#include "platform/gui/Backend.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/Input.h"
#include "platform/gui/Paint.h"
#include "platform/gui/System.h"

#include <thread>

using namespace vel::gui;
using namespace vel::gui::test;
namespace gfx = vel::gfx;

namespace {

constexpr uint32_t kWmNotifyRecord = kWmUser + 902;

// A window that answers a user message and counts what it frees.
class Answering : public Recorder
{
public:
    std::atomic<int> freed{0};
    std::atomic<int> lastValue{0};
    std::thread::id handledOn;

protected:
    bool OnMessage(uint32_t message, WParam wp, LParam lp, LResult& result) override
    {
        if (message == kWmNotifyRecord) {
            handledOn = std::this_thread::get_id();
            auto* record = reinterpret_cast<int*>(lp);
            lastValue = *record;
            delete record; // records carried by messages are freed by the window
            ++freed;
            result = LResult(wp) * 2;
            return true;
        }
        return false;
    }
};

Rect R(int x, int y, int w, int h)
{
    return Rect::FromXYWH(x, y, w, h);
}

} // namespace

class WindowTree : public GuiTest
{
};

TEST_F(WindowTree, HandlesNameWindowsForLifeAndAreNeverReused)
{
    Recorder top;
    ASSERT_TRUE(top.Create(nullptr, R(10, 10, 300, 200), kWsPopup));
    Recorder a, b, c;
    ASSERT_TRUE(a.CreateChild(top, R(0, 0, 50, 20), kWsVisible, 101));
    ASSERT_TRUE(b.CreateChild(top, R(0, 30, 50, 20), kWsVisible, 102));
    ASSERT_TRUE(c.CreateChild(b, R(1, 1, 10, 10), kWsVisible, 103));
    std::vector<WindowHandle> handles{top.Handle(), a.Handle(), b.Handle(), c.Handle()};
    std::sort(handles.begin(), handles.end());
    EXPECT_EQ(std::unique(handles.begin(), handles.end()), handles.end());
    EXPECT_EQ(Window::FromHandle(b.Handle()), &b);
    EXPECT_EQ(top.ChildById(102), &b);
    EXPECT_EQ(top.ChildById(103), nullptr) << "dialog items are direct children only";
    // Children are kept in creation order, the first one at the top.
    EXPECT_EQ(top.Children(), (std::vector<Window*>{&a, &b}));
    EXPECT_EQ(c.TopLevel(), &top);
    EXPECT_TRUE(top.IsAncestorOf(&c));
    EXPECT_FALSE(a.IsAncestorOf(&c));
    EXPECT_EQ(CheckWindowTree(), "");

    WindowHandle old = c.Handle();
    ASSERT_TRUE(top.Destroy());
    EXPECT_FALSE(a.IsWindow());
    EXPECT_FALSE(c.IsWindow());
    EXPECT_EQ(Window::FromHandle(old), nullptr);
    Recorder later;
    ASSERT_TRUE(later.Create(nullptr, R(0, 0, 10, 10), kWsPopup));
    EXPECT_NE(later.Handle(), old);
    EXPECT_GT(later.Handle(), *std::max_element(handles.begin(), handles.end()));
    later.Destroy();
}

TEST_F(WindowTree, DestroyTellsTheParentFirstAndFreesChildrenFirst)
{
    std::vector<std::string> order;
    struct Named : Window
    {
        std::vector<std::string>* order;
        std::string name;
        void OnDestroy() override { order->push_back("destroy " + name); }
        void OnNcDestroy() override { order->push_back("ncdestroy " + name); }
    };
    Named top, kid, grandkid;
    for (auto* n : {&top, &kid, &grandkid})
        n->order = &order;
    top.name = "top", kid.name = "kid", grandkid.name = "grandkid";
    ASSERT_TRUE(top.Create(nullptr, R(0, 0, 100, 100), kWsPopup));
    ASSERT_TRUE(kid.CreateChild(top, R(0, 0, 50, 50), kWsVisible, 1));
    ASSERT_TRUE(grandkid.CreateChild(kid, R(0, 0, 10, 10), kWsVisible, 2));
    top.Destroy();
    EXPECT_EQ(order, (std::vector<std::string>{"destroy top", "destroy kid", "destroy grandkid",
                                               "ncdestroy grandkid", "ncdestroy kid", "ncdestroy top"}));
}

TEST_F(WindowTree, CreationMessagesComeInOrderAndAFailedCreateLeavesNothing)
{
    Recorder w;
    ASSERT_TRUE(w.Create(nullptr, R(5, 5, 120, 80), kWsPopup | kWsVisible | kWsCaption));
    auto seq = w.Only({kWmNcCreate, kWmNcCalcSize, kWmCreate, kWmSize, kWmMove, kWmShowWindow});
    ASSERT_GE(seq.size(), 5u);
    EXPECT_EQ(seq[0], kWmNcCreate);
    EXPECT_EQ(seq[1], kWmNcCalcSize);
    EXPECT_EQ(seq[2], kWmCreate);
    EXPECT_EQ(w.Count(kWmShowWindow), 1);
    EXPECT_TRUE(w.IsVisible());
    w.Destroy();

    struct Refusing : Window
    {
        int OnCreate(const CreateStruct&) override { return -1; }
    };
    size_t before = WindowCount();
    Refusing r;
    EXPECT_FALSE(r.Create(nullptr, R(0, 0, 10, 10), kWsPopup));
    EXPECT_FALSE(r.IsWindow());
    EXPECT_EQ(WindowCount(), before);
    Window noParent;
    EXPECT_FALSE(noParent.Create(nullptr, R(0, 0, 10, 10), kWsChild)) << "a child needs a parent";
}

TEST_F(WindowTree, ZOrderKeepsTopmostWindowsInFrontAndOwnedWindowsAboveOwners)
{
    Window a, b, topmost, owned;
    ASSERT_TRUE(a.Create(nullptr, R(0, 0, 100, 100), kWsPopup | kWsVisible));
    ASSERT_TRUE(topmost.Create(nullptr, R(0, 0, 100, 100), kWsPopup | kWsVisible, kWsExTopmost));
    ASSERT_TRUE(b.Create(nullptr, R(0, 0, 100, 100), kWsPopup | kWsVisible));
    ASSERT_TRUE(owned.Create(&a, R(0, 0, 50, 50), kWsPopup | kWsVisible));
    auto order = TopLevelWindows();
    EXPECT_EQ(order.front(), topmost.Handle()) << "a topmost window stays in front of later ones";
    a.BringToTop();
    order = TopLevelWindows();
    auto pos = [&](const Window& w) {
        return std::find(order.begin(), order.end(), w.Handle()) - order.begin();
    };
    EXPECT_LT(pos(owned), pos(a)) << "an owned window stays above its owner";
    EXPECT_LT(pos(a), pos(b));
    EXPECT_EQ(pos(topmost), 0);
    EXPECT_EQ(CheckWindowTree(), "");
    for (Window* w : {&owned, &a, &b, &topmost})
        w->Destroy();
}

TEST_F(WindowTree, GeometryMapsBetweenClientWindowAndScreen)
{
    Window top, child;
    ASSERT_TRUE(top.Create(nullptr, R(100, 50, 300, 200), kWsPopup | kWsBorder | kWsVisible));
    ASSERT_TRUE(child.CreateChild(top, R(10, 20, 50, 40), kWsVisible, 1));
    EXPECT_EQ(top.ClientRectInWindow(), (Rect{1, 1, 299, 199})) << "a thin border takes one pixel a side";
    EXPECT_EQ(child.WindowRect(), R(111, 71, 50, 40));
    EXPECT_EQ(child.ClientToScreen(Point{0, 0}), (Point{111, 71}));
    EXPECT_EQ(top.ScreenToClient(Point{111, 71}), (Point{10, 20}));
    child.Move(R(0, 0, 60, 30));
    EXPECT_EQ(child.ClientRect(), (Rect{0, 0, 60, 30}));
    top.Destroy();
}

class Messaging : public GuiTest
{
};

TEST_F(Messaging, SendAnswersAtOncePostWaitsForTheLoop)
{
    Answering w;
    ASSERT_TRUE(w.Create(nullptr, R(0, 0, 50, 50), kWsPopup));
    EXPECT_EQ(w.Send(kWmNotifyRecord, 21, LParam(new int(5))), 42);
    EXPECT_EQ(w.lastValue, 5);
    ASSERT_TRUE(w.Post(kWmNotifyRecord, 1, LParam(new int(6))));
    ASSERT_TRUE(w.Post(kWmNotifyRecord, 1, LParam(new int(7))));
    EXPECT_EQ(w.freed, 1) << "a post is not handled before the queue is read";
    PumpMessages();
    EXPECT_EQ(w.freed, 3);
    EXPECT_EQ(w.lastValue, 7) << "posts arrive in order";
    w.Destroy();
}

TEST_F(Messaging, MessagesToADestroyedWindowAreDroppedAndTheirRecordsCanBeFreed)
{
    static std::atomic<int> dropped;
    dropped = 0;
    auto freeRecord = [](uint32_t, WParam, LParam lp) {
        delete reinterpret_cast<int*>(lp);
        ++dropped;
    };
    Answering w;
    ASSERT_TRUE(w.Create(nullptr, R(0, 0, 50, 50), kWsPopup));
    WindowHandle h = w.Handle();
    ASSERT_TRUE(PostMessageTo(h, kWmNotifyRecord, 0, LParam(new int(1)), freeRecord));
    ASSERT_TRUE(PostMessageTo(h, kWmNotifyRecord, 0, LParam(new int(2)), freeRecord));
    w.Destroy();
    PumpMessages();
    EXPECT_EQ(dropped, 2) << "each queued record is handed back once";
    EXPECT_EQ(w.freed, 0);
    EXPECT_EQ(SendMessageTo(h, kWmNotifyRecord, 0, 0), 0);
    EXPECT_FALSE(PostMessageTo(h, kWmNotifyRecord, 0, 0));
    EXPECT_FALSE(SetWindowTimer(h, 1, 10));
    EXPECT_FALSE(IsWindowHandle(h));
}

TEST_F(Messaging, AWorkerSendsToTheWindowThreadAndWaitsForItsAnswer)
{
    UiThread ui;
    auto w = std::make_unique<Answering>();
    WindowHandle h = ui.Call([&] {
        w->Create(nullptr, R(0, 0, 50, 50), kWsPopup);
        return w->Handle();
    });
    std::thread::id uiThread = ui.Call([] { return std::this_thread::get_id(); });
    LResult answers[3] = {};
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            answers[i] = SendMessageTo(h, kWmNotifyRecord, WParam(10 + i), LParam(new int(i)));
    });
    worker.join();
    EXPECT_EQ(answers[0], 20);
    EXPECT_EQ(answers[2], 24);
    EXPECT_EQ(w->freed, 3);
    EXPECT_EQ(w->handledOn, uiThread) << "the handler runs on the window's thread";
    ui.Call([&] { w->Destroy(); });
}

TEST_F(Messaging, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    // The UI thread's handler sends back to a window of the sender's
    // thread while the sender waits: the waiting sender handles it.
    struct Echo : Window
    {
        WindowHandle peer = 0;
        bool OnMessage(uint32_t m, WParam wp, LParam, LResult& r) override
        {
            if (m == kWmUser + 1) {
                r = SendMessageTo(peer, kWmUser + 2, wp) + 1;
                return true;
            }
            if (m == kWmUser + 2) {
                r = LResult(wp) * 10;
                return true;
            }
            return false;
        }
    };
    UiThread ui;
    Echo onUi, onTest;
    ASSERT_TRUE(onTest.Create(nullptr, R(0, 0, 10, 10), kWsPopup));
    ui.Call([&] { onUi.Create(nullptr, R(0, 0, 10, 10), kWsPopup); });
    onUi.peer = onTest.Handle();
    EXPECT_EQ(SendMessageTo(onUi.Handle(), kWmUser + 1, 4), 41);
    ui.Call([&] { onUi.Destroy(); });
    onTest.Destroy();
}

TEST_F(Messaging, SendsToAnEndedThreadOrABusyOneDoNotHang)
{
    auto w = std::make_unique<Answering>();
    WindowHandle h = 0;
    std::thread gone([&] {
        w->Create(nullptr, R(0, 0, 10, 10), kWsPopup);
        h = w->Handle();
    });
    gone.join();
    // The window outlives its thread: nobody will ever answer.
    EXPECT_EQ(SendMessageTo(h, kWmNotifyRecord, 1, 0), 0);
    EXPECT_FALSE(PostMessageTo(h, kWmNotifyRecord, 1, 0));
    w->Destroy();
    EXPECT_FALSE(IsWindowHandle(h));

    UiThread ui;
    Answering busy;
    ui.Call([&] { busy.Create(nullptr, R(0, 0, 10, 10), kWsPopup); });
    std::atomic<bool> release{false}, spinning{false};
    ui.Post([&] {
        spinning = true;
        while (!release)
            std::this_thread::yield();
    });
    while (!spinning)
        std::this_thread::yield();
    LResult r = -1;
    int* record = new int(3);
    EXPECT_FALSE(SendMessageTimeout(busy.Handle(), kWmNotifyRecord, 1, LParam(record), 50, &r));
    release = true;
    robot.WaitIdle();
    EXPECT_EQ(busy.freed, 0) << "a send that timed out before it started is never delivered";
    delete record;
    ui.Call([&] { busy.Destroy(); });
}

TEST_F(Messaging, PreTranslationSeesAChildsMessagesFromTheParentUp)
{
    struct Filter : Window
    {
        std::vector<uint32_t> seen;
        bool PreTranslateMessage(Msg& m) override
        {
            seen.push_back(m.message);
            return m.message == kWmUser + 5; // consumed here
        }
    };
    Filter top;
    Recorder child;
    ASSERT_TRUE(top.Create(nullptr, R(0, 0, 100, 100), kWsPopup));
    ASSERT_TRUE(child.CreateChild(top, R(0, 0, 10, 10), kWsVisible, 1));
    child.Post(kWmUser + 5);
    child.Post(kWmUser + 6);
    PumpMessages();
    EXPECT_EQ(top.seen, (std::vector<uint32_t>{kWmUser + 5, kWmUser + 6}));
    EXPECT_EQ(child.Count(kWmUser + 5), 0);
    EXPECT_EQ(child.Count(kWmUser + 6), 1);
    top.Destroy();
}

class Timers : public GuiTest
{
};

TEST_F(Timers, FireInOrderOfDueTimeOnTheManualClock)
{
    struct Ticking : Window
    {
        std::vector<std::pair<uintptr_t, uint64_t>> fired;
        uint64_t start = 0;
        void OnTimer(uintptr_t id) override { fired.push_back({id, ClockNow() - start}); }
    };
    UiThread ui;
    Ticking w;
    ui.Call([&] {
        w.Create(nullptr, R(0, 0, 10, 10), kWsPopup);
        w.start = ClockNow();
        w.SetTimer(1, 30);
        w.SetTimer(2, 50);
    });
    robot.AdvanceTime(29);
    EXPECT_TRUE(w.fired.empty()) << "nothing is due yet";
    robot.AdvanceTime(121);
    using P = std::pair<uintptr_t, uint64_t>;
    EXPECT_EQ(w.fired,
              (std::vector<P>{{1, 30}, {2, 50}, {1, 60}, {1, 90}, {2, 100}, {1, 120}, {1, 150}, {2, 150}}));
    ui.Call([&] {
        w.KillTimer(1);
        w.SetTimer(2, 10); // a new period replaces the old
        w.fired.clear();
        w.start = ClockNow();
    });
    robot.AdvanceTime(35);
    EXPECT_EQ(w.fired, (std::vector<P>{{2, 10}, {2, 20}, {2, 30}}));
    ui.Call([&] { w.Destroy(); });
    robot.AdvanceTime(100);
    EXPECT_EQ(NextTimerDue(), 0u) << "a destroyed window's timers are gone";
}

TEST_F(Timers, RealClockTimersFireWithoutHelp)
{
    UseManualClock(false);
    struct Once : Window
    {
        std::atomic<int> n{0};
        void OnTimer(uintptr_t id) override
        {
            KillTimer(id);
            ++n;
            PostQuitMessage(0);
        }
    };
    Once w;
    ASSERT_TRUE(w.Create(nullptr, R(0, 0, 10, 10), kWsPopup));
    w.SetTimer(7, 20);
    RunMessageLoop();
    EXPECT_EQ(w.n, 1);
    w.Destroy();
    UseManualClock(true);
}

class Painting : public GuiTest
{
};

namespace {
class Filler : public Window
{
public:
    gfx::Color color = gfx::Rgb(200, 0, 0);
    std::vector<Rect> painted;
    int erases = 0;

protected:
    bool OnEraseBkgnd(gfx::Canvas&) override
    {
        ++erases;
        return true;
    }
    void OnPaint() override
    {
        PaintContext pc(*this);
        painted.push_back(pc.Bounds());
        pc.Canvas().Clear(gfx::PixelOf(color)); // only this window's own pixels
    }
};
} // namespace

TEST_F(Painting, InvalidAreasAreCombinedAndPaintedWhenIdle)
{
    Filler top;
    ASSERT_TRUE(top.Create(nullptr, R(100, 100, 200, 100), kWsPopup | kWsVisible));
    robot.WaitIdle();
    ASSERT_EQ(top.painted.size(), 1u);
    EXPECT_EQ(top.painted[0], (Rect{0, 0, 200, 100}));
    EXPECT_EQ(top.erases, 1);
    top.painted.clear();
    top.InvalidateRect({10, 10, 20, 20}, false);
    top.InvalidateRect({30, 5, 40, 15}, false);
    top.InvalidateRect({500, 500, 600, 600}); // outside: nothing
    EXPECT_TRUE(top.NeedsPaint());
    robot.WaitIdle();
    ASSERT_EQ(top.painted.size(), 1u) << "two invalid rectangles, one paint";
    EXPECT_EQ(top.painted[0], (Rect{10, 5, 40, 20}));
    EXPECT_EQ(top.erases, 1) << "no erase was asked for";
    EXPECT_FALSE(top.NeedsPaint());
    EXPECT_EQ(Screen::PixelAt({150, 150}), 0xFFC80000u);
    top.Destroy();
}

TEST_F(Painting, ChildrenPaintOverTheirParentAndHiddenWindowsWait)
{
    Filler top, child;
    top.color = gfx::Rgb(0, 0, 255);
    child.color = gfx::Rgb(0, 255, 0);
    ASSERT_TRUE(top.Create(nullptr, R(0, 0, 100, 100), kWsPopup | kWsVisible));
    ASSERT_TRUE(child.CreateChild(top, R(10, 10, 20, 20), 0, 1)); // hidden
    robot.WaitIdle();
    EXPECT_TRUE(child.painted.empty()) << "a hidden window is not painted";
    EXPECT_EQ(Screen::PixelAt({15, 15}), 0xFF0000FFu);
    child.Show(kSwShow);
    robot.WaitIdle();
    EXPECT_EQ(child.painted.size(), 1u);
    EXPECT_EQ(Screen::PixelAt({15, 15}), 0xFF00FF00u);
    EXPECT_EQ(Screen::PixelAt({5, 5}), 0xFF0000FFu) << "the child's clear stayed in the child";
    // A child sticking out of its parent is cut at the parent's client area.
    child.Move(R(90, 90, 50, 50));
    robot.WaitIdle();
    EXPECT_EQ(Screen::PixelAt({95, 95}), 0xFF00FF00u);
    EXPECT_EQ(Screen::PixelAt({105, 105}), gfx::PixelOf(Screen::DesktopColor()));
    top.Destroy();
}

TEST_F(Painting, AHandlerThatDoesNotPaintIsNotAskedForever)
{
    struct Lazy : Window
    {
        int paints = 0;
        void OnPaint() override { ++paints; } // neither paints nor asks for the default
    };
    Lazy w;
    ASSERT_TRUE(w.Create(nullptr, R(0, 0, 10, 10), kWsPopup | kWsVisible));
    EXPECT_TRUE(robot.WaitIdle(2000));
    EXPECT_EQ(w.paints, 1);
    w.Destroy();
}

class Teardown : public GuiTest
{
};

TEST_F(Teardown, InputTimersAndMessagesDuringTeardownDoNoHarm)
{
    UiThread ui;
    struct Busy : Recorder
    {
        int ticks = 0;
        void OnTimer(uintptr_t) override { ++ticks; }
        void OnLButtonDown(uint32_t, Point) override { Destroy(); } // goes away in its own handler
        void OnDestroy() override { Post(kWmUser + 9); }
    };
    auto windows = std::make_unique<std::vector<std::unique_ptr<Busy>>>();
    ui.Call([&] {
        for (int i = 0; i < 5; ++i) {
            auto b = std::make_unique<Busy>();
            b->Create(nullptr, R(20 * i, 0, 200, 200), kWsPopup | kWsVisible);
            b->SetTimer(1, 10);
            windows->push_back(std::move(b));
        }
    });
    std::vector<WindowHandle> handles;
    for (auto& b : *windows)
        handles.push_back(b->Handle());
    // Everything at once: clicks into windows that die on the first click,
    // posts and sends from another thread, and timers, while they go away.
    Robot quick(false);
    std::thread pelter([&] {
        for (int round = 0; round < 50; ++round)
            for (WindowHandle h : handles) {
                PostMessageTo(h, kWmUser + 3);
                SendMessageTimeout(h, kWmUser + 4, 0, 0, 100);
            }
    });
    for (int i = 0; i < 5; ++i)
        quick.Click({100 + 20 * i, 100});
    AdvanceClock(25);
    ui.Call([&] {
        for (auto& b : *windows)
            b->Destroy();
    });
    pelter.join();
    robot.AdvanceTime(100);
    for (WindowHandle h : handles)
        EXPECT_FALSE(IsWindowHandle(h));
    windows.reset();
    EXPECT_EQ(NextTimerDue(), 0u);
}

TEST_F(Teardown, TheUiThreadEndingDestroysItsWindows)
{
    WindowHandle h;
    auto w = std::make_unique<Window>(); // the object outlives its thread
    {
        UiThread ui;
        h = ui.Call([&] {
            w->Create(nullptr, R(0, 0, 10, 10), kWsPopup | kWsVisible);
            return w->Handle();
        });
        EXPECT_TRUE(IsWindowHandle(h));
    }
    EXPECT_FALSE(IsWindowHandle(h));
}

class Platform : public GuiTest
{
};

TEST_F(Platform, CopyDataCrossesThreadsWhileTheSenderWaits)
{
    struct Receiver : Window
    {
        std::string got;
        WindowHandle from = 1;
        bool OnCopyData(Window* sender, const CopyData& cd) override
        {
            got.assign(static_cast<const char*>(cd.bytes), cd.size);
            from = sender ? sender->Handle() : 0;
            return cd.data == 7;
        }
    };
    UiThread ui;
    Receiver r;
    ui.Call([&] { r.Create(nullptr, R(0, 0, 10, 10), kWsPopup); });
    std::thread tool([&] {
        // As a separate tool answers with a marked picture: the buffer only
        // needs to live until the send returns.
        std::string xml = "<Ret>0</Ret><SrcFile>D:\\PicNoteTool\\MergeImage\\1.jpg</SrcFile>";
        CopyData cd{7, uint32_t(xml.size()), xml.data()};
        EXPECT_EQ(SendMessageTo(r.Handle(), kWmCopyData, 0, LParam(&cd)), 1);
    });
    tool.join();
    EXPECT_EQ(r.got, "<Ret>0</Ret><SrcFile>D:\\PicNoteTool\\MergeImage\\1.jpg</SrcFile>");
    EXPECT_EQ(r.from, 0u) << "a sender without a window";
    ui.Call([&] { r.Destroy(); });
}

TEST_F(Platform, MinimiseHidesFromTheScreenAndRestoreBringsItBack)
{
    struct Sized : Filler
    {
        std::vector<int> kinds;
        void OnSize(int kind, int, int) override { kinds.push_back(kind); }
    };
    Sized w, other;
    other.color = gfx::Rgb(0, 0, 255);
    ASSERT_TRUE(other.Create(nullptr, R(0, 0, 300, 300), kWsPopup | kWsVisible));
    ASSERT_TRUE(w.Create(nullptr, R(50, 50, 100, 100), kWsOverlappedWindow | kWsVisible));
    robot.WaitIdle();
    EXPECT_EQ(GetActiveWindow(), w.Handle());
    w.kinds.clear();
    w.Send(kWmSysCommand, kScMinimize);
    robot.WaitIdle();
    EXPECT_TRUE(w.IsMinimized());
    EXPECT_EQ(w.kinds, (std::vector<int>{kSizeMinimized}));
    EXPECT_EQ(Screen::PixelAt({100, 100}), 0xFF0000FFu) << "a minimised window is not shown";
    EXPECT_NE(GetActiveWindow(), w.Handle()) << "and gives up activation";
    EXPECT_EQ(WindowFromPoint({100, 100}), other.Handle());
    w.Send(kWmSysCommand, kScRestore);
    robot.WaitIdle();
    EXPECT_FALSE(w.IsMinimized());
    EXPECT_EQ(w.WindowRect(), R(50, 50, 100, 100));
    EXPECT_EQ(w.kinds.back(), kSizeRestored);
    EXPECT_EQ(GetActiveWindow(), w.Handle());
    w.Destroy();
    other.Destroy();
}

TEST_F(Platform, FocusMovesWithKillBeforeSetAndFollowsActivation)
{
    std::vector<std::pair<std::string, WindowHandle>> log;
    struct Focusable : Window
    {
        std::vector<std::pair<std::string, WindowHandle>>* log;
        std::string name;
        void OnSetFocus(Window* prev) override { log->push_back({"set " + name, prev ? prev->Handle() : 0}); }
        void OnKillFocus(Window* next) override
        {
            log->push_back({"kill " + name, next ? next->Handle() : 0});
        }
    };
    Window top1, top2;
    Focusable a, b, c;
    for (auto* f : {&a, &b, &c})
        f->log = &log;
    a.name = "a", b.name = "b", c.name = "c";
    ASSERT_TRUE(top1.Create(nullptr, R(0, 0, 100, 100), kWsPopup | kWsVisible));
    ASSERT_TRUE(a.CreateChild(top1, R(0, 0, 10, 10), kWsVisible, 1));
    ASSERT_TRUE(b.CreateChild(top1, R(20, 0, 10, 10), kWsVisible, 2));
    ASSERT_TRUE(top2.Create(nullptr, R(200, 0, 100, 100), kWsPopup | kWsVisible));
    ASSERT_TRUE(c.CreateChild(top2, R(0, 0, 10, 10), kWsVisible, 3));
    a.SetFocus();
    log.clear();
    b.SetFocus();
    EXPECT_EQ(log, (std::vector<std::pair<std::string, WindowHandle>>{{"kill a", b.Handle()},
                                                                      {"set b", a.Handle()}}));
    c.SetFocus();
    EXPECT_EQ(GetActiveWindow(), top2.Handle()) << "focusing a window activates its top level";
    SetActiveWindow(top1.Handle());
    EXPECT_EQ(GetFocusWindow(), b.Handle()) << "activation gives the focus back where it was";
    b.Destroy();
    EXPECT_EQ(GetFocusWindow(), 0u) << "a destroyed focus is nobody's";
    top1.Destroy();
    top2.Destroy();
}

TEST_F(Platform, ABackendHearsOfTopLevelChangesDamageAndDestruction)
{
    struct Recording : Backend
    {
        std::mutex mu;
        std::vector<std::string> events;
        const char* Name() const override { return "recording"; }
        void OnTopLevelChanged(WindowHandle) override { Add("changed"); }
        void OnTopLevelDestroyed(WindowHandle) override { Add("destroyed"); }
        void OnSurfaceDamaged(WindowHandle, const Rect& r) override { Add("damage"); }
        void Add(const char* e)
        {
            std::lock_guard<std::mutex> g(mu);
            events.push_back(e);
        }
        int Count(const std::string& e)
        {
            std::lock_guard<std::mutex> g(mu);
            return int(std::count(events.begin(), events.end(), e));
        }
    };
    auto* rec = new Recording;
    SetBackend(std::unique_ptr<Backend>(rec));
    EXPECT_STREQ(CurrentBackend().Name(), "recording");
    Filler w;
    ASSERT_TRUE(w.Create(nullptr, R(0, 0, 50, 50), kWsPopup | kWsVisible));
    robot.WaitIdle();
    EXPECT_GT(rec->Count("changed"), 0);
    EXPECT_GT(rec->Count("damage"), 0) << "painting tells the backend what to show again";
    w.Move(R(10, 10, 50, 50));
    w.Destroy();
    EXPECT_EQ(rec->Count("destroyed"), 1);
    SetBackend(std::make_unique<HeadlessBackend>());
}

TEST_F(Platform, AbsurdSizesFromOutsideAreKeptWithinLimits)
{
    Window w;
    ASSERT_TRUE(w.Create(nullptr, R(0, 0, 1 << 30, -50), kWsPopup | kWsVisible));
    EXPECT_EQ(w.WindowRect().Width(), 8192);
    EXPECT_EQ(w.WindowRect().Height(), 0);
    w.SetPos(0, 0, 0, 100000, 100000, kSwpNoMove | kSwpNoZOrder);
    EXPECT_EQ(w.WindowRect(), R(0, 0, 8192, 8192));
    robot.WaitIdle();
    w.Destroy();
}

TEST_F(Platform, DialogUnitsFollowTheFont)
{
    gfx::Font small(gfx::FontSpec{u"宋体", 12});
    gfx::Font big(gfx::FontSpec{u"宋体", 24});
    Size s = DialogBaseUnits(small), b = DialogBaseUnits(big);
    EXPECT_GT(s.cx, 0);
    EXPECT_EQ(s.cy, small.Metrics().height);
    EXPECT_GT(b.cx, s.cx);
    Rect r = MapDialogRect({4, 8, 499, 309}, small);
    EXPECT_EQ(r.left, s.cx);
    EXPECT_EQ(r.top, s.cy);
    EXPECT_EQ(r.right, 499 * s.cx / 4);
    EXPECT_EQ(r.bottom, 309 * s.cy / 8);
}
