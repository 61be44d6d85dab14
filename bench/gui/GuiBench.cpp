// Baselines in the same run, compared pairwise by items_per_second:
//   BM_DirectCall        for BM_SendSameThread and BM_PostSameThread
//   BM_BareCrossThread   (a mutex + condition queue ping-pong) for BM_SendCrossThread
//   BM_BareQueue         (a mutex + condition queue, one-way) for BM_PostCrossThread
//   BM_CopyPixels        (plain copies of the same pixels) for BM_Composite20
//   BM_EncodePng         (PNG of a ready bitmap) for BM_CompositeAndSnapshotPng

#include "platform/gfx/ImageCodec.h"
#include "platform/gui/MessageLoop.h"
#include "platform/gui/Paint.h"
#include "platform/gui/Robot.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

using namespace vel;
using namespace vel::gui;

namespace {

constexpr uint32_t kPing = kWmUser + 10;

class Counter : public Window
{
public:
    std::atomic<long> count{0};

protected:
    bool OnMessage(uint32_t m, WParam wp, LParam, LResult& r) override
    {
        if (m != kPing)
            return false;
        ++count;
        r = LResult(wp) + 1;
        return true;
    }
};

struct Handler
{
    virtual ~Handler() = default;
    virtual LResult Handle(WParam wp) = 0;
};
struct Plain : Handler
{
    long count = 0;
    LResult Handle(WParam wp) override
    {
        ++count;
        return LResult(wp) + 1;
    }
};

void BM_DirectCall(benchmark::State& state)
{
    Plain p;
    Handler* h = &p;
    for (auto _ : state)
        benchmark::DoNotOptimize(h->Handle(WParam(state.iterations())));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DirectCall);

void BM_SendSameThread(benchmark::State& state)
{
    Counter w;
    w.Create(nullptr, {0, 0, 10, 10}, kWsPopup);
    for (auto _ : state)
        benchmark::DoNotOptimize(w.Send(kPing, 1));
    state.SetItemsProcessed(state.iterations());
    w.Destroy();
}
BENCHMARK(BM_SendSameThread);

void BM_PostSameThread(benchmark::State& state)
{
    Counter w;
    w.Create(nullptr, {0, 0, 10, 10}, kWsPopup);
    constexpr int kBatch = 256;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            w.Post(kPing, 1);
        PumpMessages();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    w.Destroy();
}
BENCHMARK(BM_PostSameThread);

void BM_BareCrossThread(benchmark::State& state)
{
    std::mutex m;
    std::condition_variable cv;
    long request = 0, answer = 0;
    bool stop = false;
    std::thread peer([&] {
        std::unique_lock<std::mutex> g(m);
        long seen = 0;
        for (;;) {
            cv.wait(g, [&] { return stop || request != seen; });
            if (stop)
                return;
            seen = request;
            answer = seen;
            cv.notify_all();
        }
    });
    for (auto _ : state) {
        std::unique_lock<std::mutex> g(m);
        long want = ++request;
        cv.notify_all();
        cv.wait(g, [&] { return answer == want; });
    }
    {
        std::lock_guard<std::mutex> g(m);
        stop = true;
    }
    cv.notify_all();
    peer.join();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareCrossThread)->UseRealTime();

void BM_SendCrossThread(benchmark::State& state)
{
    UiThread ui;
    Counter w;
    WindowHandle h = ui.Call([&] {
        w.Create(nullptr, {0, 0, 10, 10}, kWsPopup);
        return w.Handle();
    });
    for (auto _ : state)
        benchmark::DoNotOptimize(SendMessageTo(h, kPing, 1));
    state.SetItemsProcessed(state.iterations());
    ui.Call([&] { w.Destroy(); });
}
BENCHMARK(BM_SendCrossThread)->UseRealTime();

void BM_BareQueue(benchmark::State& state)
{
    std::mutex m;
    std::condition_variable cv;
    std::deque<long> q;
    std::atomic<long> done{0};
    bool stop = false;
    std::thread consumer([&] {
        std::unique_lock<std::mutex> g(m);
        for (;;) {
            cv.wait(g, [&] { return stop || !q.empty(); });
            while (!q.empty()) {
                q.pop_front();
                ++done;
            }
            if (stop)
                return;
        }
    });
    constexpr int kBatch = 256;
    long sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            std::lock_guard<std::mutex> g(m);
            q.push_back(i);
            cv.notify_one();
        }
        sent += kBatch;
        while (done < sent)
            std::this_thread::yield();
    }
    {
        std::lock_guard<std::mutex> g(m);
        stop = true;
    }
    cv.notify_all();
    consumer.join();
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BareQueue)->UseRealTime();

void BM_PostCrossThread(benchmark::State& state)
{
    UiThread ui;
    Counter w;
    WindowHandle h = ui.Call([&] {
        w.Create(nullptr, {0, 0, 10, 10}, kWsPopup);
        return w.Handle();
    });
    constexpr int kBatch = 256;
    long sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            PostMessageTo(h, kPing, 1);
        sent += kBatch;
        while (w.count < sent)
            std::this_thread::yield();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    ui.Call([&] { w.Destroy(); });
}
BENCHMARK(BM_PostCrossThread)->UseRealTime();

// --- The screen -----------------------------------------------------------------------------

class Solid : public Window
{
public:
    gfx::Color color = 0;

protected:
    void OnPaint() override
    {
        PaintContext pc(*this);
        pc.Canvas().FillRect(ClientRect(), color);
    }
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
};

// 20 windows of 300 x 200 over a 1280 x 800 screen: every fourth layered at
// half alpha, every fifth shaped by a region, each with a child.
struct Scene
{
    Solid tops[20], kids[20];
    Scene()
    {
        Screen::SetScreenSize({1280, 800});
        for (int i = 0; i < 20; ++i) {
            Solid& t = tops[i];
            t.color = gfx::Rgb(40 + 10 * i, 200 - 5 * i, 120);
            uint32_t ex = (i % 4 == 0) ? kWsExLayered : 0u;
            t.Create(nullptr, Rect::FromXYWH((i % 5) * 240, (i / 5) * 180, 300, 200), kWsPopup | kWsVisible,
                     ex);
            if (ex)
                t.SetLayeredAlpha(128);
            if (i % 5 == 0) {
                gfx::Region r(Rect{0, 0, 300, 200});
                r.Subtract(Rect{0, 0, 20, 20});
                r.Subtract(Rect{280, 0, 300, 20});
                t.SetRegion(r);
            }
            kids[i].color = gfx::Rgb(250, 250, 250);
            kids[i].CreateChild(t, {20, 40, 280, 180}, kWsVisible, 1);
        }
        WaitUntilIdle();
    }
    ~Scene()
    {
        for (auto& t : tops)
            t.Destroy();
    }
};

void BM_CopyPixels(benchmark::State& state)
{
    gfx::Bitmap screen(1280, 800), window(300, 200, 0xFF808080u), kid(260, 140, 0xFFFFFFFFu);
    for (auto _ : state) {
        std::fill(screen.Pixels(), screen.Pixels() + 1280 * 800, 0xFF3A6EA5u);
        for (int i = 0; i < 20; ++i) {
            int x0 = (i % 5) * 240, y0 = (i / 5) * 180;
            for (int y = 0; y < 200 && y0 + y < 800; ++y)
                std::memcpy(screen.Pixels() + size_t(y0 + y) * 1280 + size_t(x0),
                            window.Pixels() + size_t(y) * 300, size_t(std::min(300, 1280 - x0)) * 4);
            for (int y = 0; y < 140 && y0 + 40 + y < 800; ++y)
                std::memcpy(screen.Pixels() + size_t(y0 + 40 + y) * 1280 + size_t(x0 + 20),
                            kid.Pixels() + size_t(y) * 260, size_t(std::min(260, 1280 - x0 - 20)) * 4);
        }
        benchmark::DoNotOptimize(screen.Pixels());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyPixels)->Unit(benchmark::kMillisecond);

void BM_Composite20(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state) {
        gfx::Bitmap b = Screen::Composite();
        benchmark::DoNotOptimize(b.Pixels());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Composite20)->Unit(benchmark::kMillisecond);

void BM_EncodePng(benchmark::State& state)
{
    Scene scene;
    gfx::Bitmap b = Screen::Composite();
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::EncodeImage(b, "png"));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

void BM_CompositeAndSnapshotPng(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::EncodeImage(Screen::Composite(), "png"));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompositeAndSnapshotPng)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
