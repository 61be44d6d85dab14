// uigallery: the control gallery. With a display backend it is a dialog to
// try the controls; on the headless screen (the only one built today) it
// walks through the controls with the robot and keeps a snapshot of each
// step, so people can look at them:
//
//   uigallery [--snapshots DIR]
//
// Exit status 0 when every step did what it should.

#include "Gallery.h"

#include "platform/base/Strings.h"
#include "platform/gui/Clock.h"
#include "platform/gui/Menu.h"
#include "platform/gui/Robot.h"
#include "platform/gui/Screen.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace vel::gui;
using namespace vel::gallery;

namespace {

int g_failures = 0;

void Check(bool ok, const char* what)
{
    std::printf("  %s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        ++g_failures;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = "uigallery-snapshots";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--snapshots") && i + 1 < argc)
            dir = argv[++i];
        else {
            std::fprintf(stderr, "usage: uigallery [--snapshots DIR]\n");
            return 2;
        }
    }
    UseManualClock(true);
    Screen::SetScreenSize({1024, 700});
    Robot robot;
    int result = -1;
    {
        UiThread ui;
        GalleryDialog dlg;
        ui.Post([&] { result = dlg.DoModal(nullptr); });
        robot.WaitIdle();
        auto save = [&](const char* name, bool wholeScreen = false) {
            std::string path = dir + "/" + name;
            bool ok = wholeScreen ? Screen::SaveScreen(path) : Screen::SaveWindow(dlg.Handle(), path);
            std::printf("  wrote %s%s\n", path.c_str(), ok ? "" : " (failed)");
        };
        std::printf("The gallery dialog \"%s\" is open.\n", vel::Utf16ToUtf8(dlg.Text()).c_str());
        save("gallery.png");

        std::printf("Typing a case name, selecting a word with the keyboard:\n");
        robot.Click(Robot::CenterOf(dlg.name.Handle()));
        robot.Text(u"盗窃案 现场");
        robot.Key(kVkLeft, kModShift | kModCtrl);
        Check(dlg.name.Text() == u"盗窃案 现场", "the edit holds the typed text");
        Check(dlg.name.SelectedText() == u"现场", "Ctrl+Shift+Left selected the last word");
        save("gallery-edit.png");

        std::printf("Choosing a kind in the owner-drawn combo box:\n");
        robot.Click(Robot::CenterOf(dlg.kind.Handle()));
        Check(dlg.kind.GetDroppedState(), "the list dropped down");
        save("gallery-combo.png", true);
        if (Window* drop = dlg.kind.DropList()) {
            Rect item = static_cast<ListBox*>(drop)->GetItemRect(2);
            robot.Click(Robot::CenterOfClientRect(drop->Handle(), item));
        }
        Check(dlg.kind.GetCurSel() == 2 && !dlg.kind.GetDroppedState(),
              "\"图片\" chosen and the list closed");

        std::printf("Opening the tree down to a case and selecting it:\n");
        Rect year = dlg.tree.GetItemRect(dlg.yearItem, true);
        robot.DoubleClick(Robot::CenterOfClientRect(dlg.tree.Handle(), year));
        Rect theCase = dlg.tree.GetItemRect(dlg.caseItem, true);
        robot.AdvanceTime(600);
        robot.Click(Robot::CenterOfClientRect(dlg.tree.Handle(), theCase));
        Check(dlg.tree.GetSelectedItem() == dlg.caseItem, "\"盗窃案\" is selected");
        save("gallery-tree.png");

        std::printf("A command from a sub-menu of the popup menu:\n");
        robot.Click(Robot::CenterOf(dlg.menuButton.Handle()));
        auto menus = OpenMenuWindows();
        if (!menus.empty()) {
            robot.MoveTo(Robot::CenterOfClientRect(0, MenuItemScreenRect(menus[0], 3)));
            robot.AdvanceTime(HoverTime());
            menus = OpenMenuWindows();
            save("gallery-menu.png", true);
            if (menus.size() > 1)
                robot.Click(Robot::CenterOfClientRect(0, MenuItemScreenRect(menus[1], 2)));
        }
        Check(dlg.lastMenuCommand == kCmdDetails, "\"详细信息\" came back from the sub-menu");

        std::printf("A tooltip after resting on the owner-drawn button:\n");
        robot.MoveTo(Robot::CenterOf(dlg.ownerDrawn.Handle()));
        robot.AdvanceTime(dlg.tips.DelayTime(kTtdtInitial));
        Check(dlg.tips.IsShown(), "the tip shows");
        save("gallery-tooltip.png", true);
        robot.MoveTo(Robot::CenterOf(dlg.list.Handle()));
        Check(!dlg.tips.IsShown(), "and hides when the pointer leaves");

        std::printf("The dialog made translucent (a layered window):\n");
        robot.Click(Robot::CenterOf(dlg.fade.Handle()));
        save("gallery-layered.png", true);

        robot.Click(Robot::CenterOf(dlg.ok.Handle()));
        robot.WaitIdle();
    }
    Check(result == kIdOk, "the dialog ended with OK");
    std::printf("%s\n", g_failures ? "Some steps failed." : "Every step did what it should.");
    return g_failures ? 1 : 0;
}
