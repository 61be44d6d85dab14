#pragma once
// Shared pieces of the window-system tests: a fixture on the manual clock
// that checks the window tree after every test and keeps a screen
// snapshot of a failed one, and a window that records what it receives.

#include "platform/gui/Clock.h"
#include "platform/gui/MessageLoop.h"
#include "platform/gui/Robot.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace vel::gui::test {

inline std::string SnapshotDir()
{
    return vel::test::BinaryDir() + "/gui-snapshots";
}

inline std::string TestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "unknown";
}

class GuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UseManualClock(true);
        Screen::SetScreenSize({1280, 800});
    }
    void TearDown() override
    {
        robot.WaitIdle();
        if (HasFailure())
            Screen::SaveScreen(SnapshotDir() + "/" + TestName() + ".failed.png");
        EXPECT_EQ(CheckWindowTree(), "");
    }
    // Keeps a snapshot of the screen for people to look at.
    void Keep(const std::string& name) { Screen::SaveScreen(SnapshotDir() + "/" + name + ".png"); }

    Robot robot;
};

// Records every message it gets (the number), in order.
class Recorder : public Window
{
public:
    std::u16string_view ClassName() const override { return u"Recorder"; }

    LResult WindowProc(uint32_t message, WParam wp, LParam lp) override
    {
        {
            std::lock_guard<std::mutex> g(m_mu);
            m_log.push_back(message);
        }
        return Window::WindowProc(message, wp, lp);
    }
    std::vector<uint32_t> Log() const
    {
        std::lock_guard<std::mutex> g(m_mu);
        return m_log;
    }
    void ClearLog()
    {
        std::lock_guard<std::mutex> g(m_mu);
        m_log.clear();
    }
    int Count(uint32_t message) const
    {
        auto l = Log();
        return int(std::count(l.begin(), l.end(), message));
    }
    // The messages of the log that are in `interesting`, in order.
    std::vector<uint32_t> Only(std::initializer_list<uint32_t> interesting) const
    {
        std::vector<uint32_t> out;
        for (uint32_t m : Log())
            if (std::find(interesting.begin(), interesting.end(), m) != interesting.end())
                out.push_back(m);
        return out;
    }

private:
    mutable std::mutex m_mu;
    std::vector<uint32_t> m_log;
};

} // namespace vel::gui::test
