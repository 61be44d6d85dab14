#pragma once
// The control gallery: one modal sample dialog holding every control of the
// window system, wired the way the suite's dialogs wire theirs (commands,
// notifications, owner drawing, a tooltip, a popup menu with sub-menus, the
// file and folder dialogs). People open it to try the controls; the tests
// drive it with the robot; the demo keeps snapshots of it.

#include "platform/gui/Button.h"
#include "platform/gui/ComboBox.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/Edit.h"
#include "platform/gui/LinkCtrl.h"
#include "platform/gui/ListBox.h"
#include "platform/gui/Menu.h"
#include "platform/gui/ScrollBarCtrl.h"
#include "platform/gui/Static.h"
#include "platform/gui/ToolTip.h"
#include "platform/gui/TrackBar.h"
#include "platform/gui/TreeCtrl.h"

#include <atomic>
#include <string>
#include <vector>

namespace vel::gallery {

using namespace vel::gui;

enum : int
{
    kIdName = 2001,
    kIdSync = 2002,
    kIdVideo = 2003,
    kIdPicture = 2004,
    kIdOwnerDrawn = 2005,
    kIdMenuButton = 2006,
    kIdOpenFile = 2007,
    kIdPickFolder = 2008,
    kIdMessage = 2009,
    kIdKind = 2010,
    kIdList = 2011,
    kIdTree = 2012,
    kIdZoom = 2013,
    kIdZoomValue = 2014,
    kIdLink = 2015,
    kIdScroll = 2016,
    kIdStatus = 2017,
    kIdFade = 2018,
};

// Menu commands of the sample menu.
enum : uint32_t
{
    kCmdOpen = 40001,
    kCmdRename = 40002,
    kCmdRefresh = 40003,
    kCmdLargeIcons = 40011,
    kCmdList = 40012,
    kCmdDetails = 40013,
    kCmdPlayer = 40021,
    kCmdMarker = 40022,
};

class GalleryDialog : public Dialog
{
public:
    GalleryDialog();

    // The sample menu (the "菜单…" button and a right click show it).
    static Menu SampleMenu();

    Edit name;
    Button sync, video, picture, ownerDrawn, menuButton, openFile, pickFolder, message, fade, ok, cancel;
    ComboBox kind;
    ListBox list;
    TreeCtrl tree;
    TrackBar zoom;
    Static nameLabel, kindLabel, zoomLabel, zoomValue, status;
    LinkCtrl link;
    ScrollBarCtrl scroll;
    ToolTip tips;
    TreeItem caseItem = 0, photosItem = 0, computerItem = 0, yearItem = 0;

    // What happened, for the tests (read after the UI is idle).
    std::atomic<uint32_t> lastMenuCommand{0};
    std::atomic<int> linkClicks{0};
    std::atomic<int> ownerDrawnClicks{0};
    std::atomic<int> nameChanges{0};
    std::atomic<int> zoomEnds{0};
    std::vector<std::u16string> openedFiles;
    std::u16string pickedFolder;
    std::u16string StatusText() const { return status.Text(); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(WParam wp, LParam lp) override;
    bool OnNotify(WParam wp, NotifyHeader& header, LResult& result) override;
    bool OnDrawItem(int id, DrawItemInfo& info) override;
    bool OnMeasureItem(int id, MeasureItemInfo& info) override;
    void OnHScroll(int code, int pos, Window* bar) override;
    void OnContextMenu(Window* window, Point screen) override;
    void OnPaint() override;

private:
    void SetStatus(std::u16string_view text);
    void ShowMenuAt(Point screen);
};

// Runs the gallery modally over `owner` (may be null) and returns its result.
int RunGallery(Window* owner);

} // namespace vel::gallery
