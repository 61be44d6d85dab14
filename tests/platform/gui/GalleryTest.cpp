// The controls as a person uses them, on the gallery's sample dialog: the
// UI runs on its own thread, the robot gives the input, the checks come
// after the UI is idle.

#include "GuiTest.h"

#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/CommonDialogs.h"
#include "platform/gui/Menu.h"
#include "tools/uigallery/Gallery.h"

using namespace vel::gui;
using namespace vel::gui::test;
using namespace vel::gallery;
namespace gfx = vel::gfx;

class Gallery : public GuiTest
{
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        ui = std::make_unique<UiThread>();
        dlg = std::make_unique<GalleryDialog>();
        ui->Post([this] { result = dlg->DoModal(nullptr); });
        robot.WaitIdle();
        ASSERT_TRUE(dlg->IsModalRunning());
    }
    void TearDown() override
    {
        if (dlg->IsModalRunning())
            ui->Call([this] { dlg->EndDialog(kIdCancel); });
        robot.WaitIdle();
        GuiTest::TearDown();
        ui.reset();
        dlg.reset();
    }
    Point Center(const Window& w) { return Robot::CenterOf(w.Handle()); }
    Point At(const Window& w, const Rect& client) { return Robot::CenterOfClientRect(w.Handle(), client); }
    template <class F> auto OnUi(F&& f) { return ui->Call(std::forward<F>(f)); }

    std::unique_ptr<UiThread> ui;
    std::unique_ptr<GalleryDialog> dlg;
    std::atomic<int> result{-1};
};

TEST_F(Gallery, TypingAndSelectingInTheEdit)
{
    EXPECT_EQ(OnUi([&] { return dlg->name.CueBanner(); }), u"请输入档案名称");
    robot.Click(Center(dlg->name));
    EXPECT_EQ(GetFocusWindow(), dlg->name.Handle());
    robot.Text(u"盗窃案2015");
    EXPECT_EQ(dlg->name.Text(), u"盗窃案2015");
    EXPECT_EQ(dlg->nameChanges, 7) << "one change per character";
    EXPECT_EQ(dlg->StatusText(), u"名称：盗窃案2015");
    // Shift+Home selects back to the start; typing replaces the selection.
    robot.Key(kVkLeft);
    robot.Key(kVkLeft);
    robot.Key(kVkHome, kModShift);
    EXPECT_EQ(OnUi([&] { return dlg->name.SelectedText(); }), u"盗窃案20");
    robot.Text(u"抢");
    EXPECT_EQ(dlg->name.Text(), u"抢15");
    // Ctrl+A, Ctrl+C, End, Ctrl+V doubles the text; Ctrl+Z takes it back.
    robot.Key('A', kModCtrl);
    robot.Key('C', kModCtrl);
    robot.Key(kVkEnd);
    robot.Key('V', kModCtrl);
    EXPECT_EQ(dlg->name.Text(), u"抢15抢15");
    robot.Key('Z', kModCtrl);
    EXPECT_EQ(dlg->name.Text(), u"抢15");
    // Backspace and Delete.
    robot.Key(kVkHome);
    robot.Key(kVkDelete);
    robot.Key(kVkEnd);
    robot.Key(kVkBack);
    EXPECT_EQ(dlg->name.Text(), u"1");
    // Dragging over the text selects it.
    OnUi([&] { dlg->name.SetText(u"abcdef"); });
    int x0 = OnUi([&] { return dlg->name.PosFromChar(1); });
    int x1 = OnUi([&] { return dlg->name.PosFromChar(4); });
    Rect er = dlg->name.ClientRect();
    robot.Drag(Robot::ClientPoint(dlg->name.Handle(), {x0, er.Height() / 2}),
               Robot::ClientPoint(dlg->name.Handle(), {x1, er.Height() / 2}), 3);
    EXPECT_EQ(OnUi([&] { return dlg->name.SelectedText(); }), u"bcd");
    Keep("Gallery.edit");
}

TEST_F(Gallery, TheEditScrollsToKeepTheCaretInView)
{
    robot.Click(Center(dlg->name));
    std::u16string longText(60, u'字');
    robot.Text(longText);
    int scroll = OnUi([&] { return dlg->name.ScrollOffset(); });
    EXPECT_GT(scroll, 0) << "the text is wider than the field";
    int caretX = OnUi([&] { return dlg->name.PosFromChar(dlg->name.Caret()); });
    EXPECT_LT(caretX, dlg->name.ClientRect().Width());
    EXPECT_GE(caretX, 0);
    robot.Key(kVkHome);
    EXPECT_EQ(OnUi([&] { return dlg->name.ScrollOffset(); }), 0);
    // The cue text is gone with the text and back when it is empty and unfocused.
    OnUi([&] { dlg->name.SetText(u""); });
    robot.Key(kVkTab);
    Keep("Gallery.cue");
}

TEST_F(Gallery, TabOrderFollowsTheControlsAndSkipsWhatCannotTakeFocus)
{
    OnUi([&] { dlg->name.SetFocus(); });
    std::vector<WindowHandle> order;
    for (int i = 0; i < 8; ++i) {
        robot.Key(kVkTab);
        order.push_back(GetFocusWindow());
    }
    std::vector<WindowHandle> expected{dlg->kind.Handle(),       dlg->sync.Handle(),      dlg->video.Handle(),
                                       dlg->fade.Handle(),       dlg->tree.Handle(),      dlg->list.Handle(),
                                       dlg->ownerDrawn.Handle(), dlg->menuButton.Handle()};
    EXPECT_EQ(order, expected);
    robot.Key(kVkTab, kModShift);
    EXPECT_EQ(GetFocusWindow(), dlg->ownerDrawn.Handle());
    // Arrows move within the radio group and check the radio they reach.
    OnUi([&] { dlg->video.SetFocus(); });
    robot.Key(kVkRight);
    EXPECT_EQ(GetFocusWindow(), dlg->picture.Handle());
    EXPECT_EQ(dlg->picture.GetCheck(), kBstChecked);
    EXPECT_EQ(dlg->video.GetCheck(), kBstUnchecked);
    // Space clicks a check box.
    OnUi([&] { dlg->sync.SetFocus(); });
    robot.Key(kVkSpace);
    EXPECT_EQ(dlg->sync.GetCheck(), kBstChecked);
}

TEST_F(Gallery, AComboChoiceByPointerAndByKeys)
{
    robot.Click(Center(dlg->kind));
    ASSERT_TRUE(dlg->kind.GetDroppedState());
    Window* drop = dlg->kind.DropList();
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->WindowRect().top, dlg->kind.WindowRect().bottom) << "the list drops below the field";
    EXPECT_EQ(static_cast<ListBox*>(drop)->GetItemHeight(), 20) << "owner-drawn items measured by the owner";
    EXPECT_EQ(static_cast<ListBox*>(drop)->HotItem(), 0) << "the current choice is highlighted";
    Keep("Gallery.combo-open");
    Rect item = static_cast<ListBox*>(drop)->GetItemRect(1);
    robot.Click(At(*drop, item));
    EXPECT_FALSE(dlg->kind.GetDroppedState());
    EXPECT_EQ(dlg->kind.GetCurSel(), 1);
    EXPECT_EQ(dlg->StatusText(), u"类型：视频");
    // Closed, the arrows change the choice; open, Escape keeps it.
    robot.Key(kVkDown);
    EXPECT_EQ(dlg->kind.GetCurSel(), 2);
    robot.Key(kVkF4);
    EXPECT_TRUE(dlg->kind.GetDroppedState());
    robot.Key(kVkDown);
    robot.Key(kVkEscape);
    EXPECT_FALSE(dlg->kind.GetDroppedState());
    EXPECT_EQ(dlg->kind.GetCurSel(), 2);
    EXPECT_TRUE(dlg->IsModalRunning()) << "Escape closed the list, not the dialog";
    // A click outside the dropped list closes it without a choice.
    robot.Click(Center(dlg->kind));
    robot.Click(Center(dlg->list));
    EXPECT_FALSE(dlg->kind.GetDroppedState());
    EXPECT_EQ(dlg->kind.GetCurSel(), 2);
}

TEST_F(Gallery, ATreeExpandedAndAnItemSelected)
{
    EXPECT_FALSE(OnUi([&] { return dlg->tree.IsExpanded(dlg->yearItem); }));
    Rect year = OnUi([&] { return dlg->tree.GetItemRect(dlg->yearItem, true); });
    robot.DoubleClick(At(dlg->tree, year));
    EXPECT_TRUE(OnUi([&] { return dlg->tree.IsExpanded(dlg->yearItem); })) << "a double click opens a branch";
    Rect theCase = OnUi([&] { return dlg->tree.GetItemRect(dlg->caseItem, true); });
    ASSERT_FALSE(theCase.IsEmpty());
    robot.AdvanceTime(DoubleClickTime() + 1);
    robot.Click(At(dlg->tree, theCase));
    EXPECT_EQ(OnUi([&] { return dlg->tree.GetSelectedItem(); }), dlg->caseItem);
    EXPECT_EQ(dlg->StatusText(), u"目录：盗窃案");
    // The button opens the case's branch; Right goes into it, Left back out.
    uint32_t flags = 0;
    Point button{(OnUi([&] { return dlg->tree.GetIndent(); })) * 2 + 9, (theCase.top + theCase.bottom) / 2};
    OnUi([&] { dlg->tree.HitTest(button, &flags); });
    EXPECT_EQ(flags, kTvhtOnItemButton);
    robot.Click(Robot::ClientPoint(dlg->tree.Handle(), button));
    EXPECT_TRUE(OnUi([&] { return dlg->tree.IsExpanded(dlg->caseItem); }));
    robot.Key(kVkDown);
    EXPECT_EQ(OnUi([&] { return dlg->tree.GetSelectedItem(); }), dlg->photosItem);
    robot.Key(kVkLeft);
    EXPECT_EQ(OnUi([&] { return dlg->tree.GetSelectedItem(); }), dlg->caseItem);
    robot.Key(kVkLeft);
    EXPECT_FALSE(OnUi([&] { return dlg->tree.IsExpanded(dlg->caseItem); }));
    Keep("Gallery.tree");
}

TEST_F(Gallery, AMenuCommandChosenFromASubMenu)
{
    robot.Click(Center(dlg->menuButton));
    auto menus = OpenMenuWindows();
    ASSERT_EQ(menus.size(), 1u);
    // Hovering a sub-menu item opens it after the hover delay.
    robot.MoveTo(Robot::CenterOfClientRect(0, MenuItemScreenRect(menus[0], 3)));
    EXPECT_EQ(OpenMenuWindows().size(), 1u);
    robot.AdvanceTime(HoverTime());
    menus = OpenMenuWindows();
    ASSERT_EQ(menus.size(), 2u);
    Keep("Gallery.menu");
    // A disabled item cannot be chosen; the sub-menu item can.
    robot.Click(Robot::CenterOfClientRect(0, MenuItemScreenRect(menus[0], 1)));
    EXPECT_FALSE(OpenMenuWindows().empty()) << "a grayed item does nothing";
    robot.MoveTo(Robot::CenterOfClientRect(0, MenuItemScreenRect(menus[0], 3)));
    robot.AdvanceTime(HoverTime());
    menus = OpenMenuWindows();
    ASSERT_EQ(menus.size(), 2u);
    robot.Click(Robot::CenterOfClientRect(0, MenuItemScreenRect(menus[1], 2)));
    EXPECT_TRUE(OpenMenuWindows().empty());
    EXPECT_EQ(dlg->lastMenuCommand, kCmdDetails);
    EXPECT_EQ(dlg->StatusText(), u"菜单命令：40013");
}

TEST_F(Gallery, MenusByKeyboardOwnerDrawnItemsAndDismissal)
{
    // A right click opens the menu at the pointer; keys walk it.
    Point at = Robot::ClientPoint(dlg->Handle(), {600, 300});
    robot.Click(at, MouseButton::kRight);
    auto menus = OpenMenuWindows();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(WindowRectOf(menus[0]).left, at.x);
    robot.Key(kVkDown); // 打开
    robot.Key(kVkDown); // 重命名 (grayed, still highlighted)
    robot.Key(kVkDown); // 视图 (the separator is skipped)
    robot.Key(kVkDown); // 工具
    robot.Key(kVkRight);
    menus = OpenMenuWindows();
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(WindowRectOf(menus[1]).Height(), 2 * 26 + 2 + 4 - 26 + 22)
        << "one owner-drawn item of 26, one of 22";
    Keep("Gallery.menu-ownerdrawn");
    robot.Key(kVkReturn); // the owner-drawn "视频播放"
    EXPECT_EQ(dlg->lastMenuCommand, kCmdPlayer);
    // Escape twice, or a click outside, dismisses with no command.
    robot.Click(at, MouseButton::kRight);
    robot.Key(kVkUp);
    robot.Key(kVkEscape);
    EXPECT_TRUE(OpenMenuWindows().empty());
    EXPECT_EQ(dlg->lastMenuCommand, 0u);
    robot.Click(at, MouseButton::kRight);
    robot.Click(Center(dlg->tree));
    EXPECT_TRUE(OpenMenuWindows().empty());
    EXPECT_EQ(dlg->StatusText(), u"菜单已关闭");
    // Mnemonic letters choose.
    robot.Click(at, MouseButton::kRight);
    robot.Text(u"e");
    EXPECT_EQ(dlg->lastMenuCommand, kCmdRefresh);
}

TEST_F(Gallery, ATooltipAppearsAfterHoveringAndHidesOnLeave)
{
    robot.MoveTo(Center(dlg->ownerDrawn));
    EXPECT_FALSE(dlg->tips.IsShown());
    robot.AdvanceTime(dlg->tips.DelayTime(kTtdtInitial) - 1);
    EXPECT_FALSE(dlg->tips.IsShown()) << "not before the delay";
    robot.AdvanceTime(1);
    ASSERT_TRUE(dlg->tips.IsShown());
    EXPECT_EQ(dlg->tips.ShownText(), u"这是一个自绘按钮");
    Rect tip = dlg->tips.WindowRect();
    EXPECT_GT(tip.top, CursorPos().y) << "below the pointer";
    Keep("Gallery.tooltip");
    robot.MoveTo(Center(dlg->list));
    EXPECT_FALSE(dlg->tips.IsShown()) << "leaving the tool hides the tip";
    // Straight from one tool to the next, the shorter delay applies; the
    // tool of the link is its link rectangle.
    robot.MoveTo(Center(dlg->ownerDrawn));
    robot.AdvanceTime(dlg->tips.DelayTime(kTtdtInitial));
    ASSERT_TRUE(dlg->tips.IsShown());
    robot.MoveTo(At(dlg->link, dlg->link.LinkRect(0)));
    robot.AdvanceTime(dlg->tips.DelayTime(kTtdtReshow));
    EXPECT_TRUE(dlg->tips.IsShown());
    EXPECT_EQ(dlg->tips.ShownText(), u"点击新增一个档案库路径");
    // A click hides it; the automatic pop delay does too.
    robot.Click(At(dlg->link, dlg->link.LinkRect(0)));
    EXPECT_FALSE(dlg->tips.IsShown());
    EXPECT_EQ(dlg->linkClicks, 1);
    robot.MoveTo(Center(dlg->ownerDrawn));
    robot.AdvanceTime(dlg->tips.DelayTime(kTtdtInitial));
    EXPECT_TRUE(dlg->tips.IsShown());
    robot.AdvanceTime(dlg->tips.DelayTime(kTtdtAutoPop));
    EXPECT_FALSE(dlg->tips.IsShown());
}

TEST_F(Gallery, TheTrackBarFollowsTheThumbAndTheKeys)
{
    Rect thumb = dlg->zoom.ThumbRect();
    Rect channel = dlg->zoom.ChannelRect();
    Point from = At(dlg->zoom, thumb);
    Point to = Robot::ClientPoint(dlg->zoom.Handle(), {channel.right + 40, (thumb.top + thumb.bottom) / 2});
    robot.Drag(from, to, 5);
    EXPECT_EQ(dlg->zoom.GetPos(), 100) << "dragged past the end";
    EXPECT_EQ(dlg->zoomValue.Text(), u"100");
    EXPECT_EQ(dlg->zoomEnds, 1);
    robot.Key(kVkHome);
    EXPECT_EQ(dlg->zoom.GetPos(), 0);
    robot.Key(kVkNext);
    EXPECT_EQ(dlg->zoom.GetPos(), 20) << "a page is a fifth of the range";
    robot.Click(Robot::ClientPoint(dlg->zoom.Handle(), {channel.right - 2, (thumb.top + thumb.bottom) / 2}));
    EXPECT_EQ(dlg->zoom.GetPos(), 40) << "a click beside the thumb moves a page towards it";
}

TEST_F(Gallery, ListBoxAndScrollBarByPointerWheelAndKeys)
{
    Rect second = dlg->list.GetItemRect(1);
    robot.Click(At(dlg->list, second));
    EXPECT_EQ(dlg->list.GetCurSel(), 1);
    EXPECT_EQ(dlg->StatusText(), u"文件：CLIP0002.MP4");
    robot.Key(kVkEnd);
    EXPECT_EQ(dlg->list.GetCurSel(), dlg->list.Count() - 1);
    EXPECT_GT(dlg->list.GetTopIndex(), 0) << "the last item was scrolled into view";
    robot.Wheel(Center(dlg->list), 5);
    EXPECT_EQ(dlg->list.GetTopIndex(), 0);
    robot.Text(u"现");
    EXPECT_EQ(dlg->list.GetText(dlg->list.GetCurSel()), u"现场.jpeg") << "a letter jumps to an item";
    // The scroll bar control: the right arrow, then a page click.
    Rect bar = dlg->scroll.ClientRect();
    robot.Click(Robot::ClientPoint(dlg->scroll.Handle(), {bar.right - 5, bar.Height() / 2}));
    EXPECT_EQ(dlg->scroll.GetPos(), 1);
    robot.Click(Robot::ClientPoint(dlg->scroll.Handle(), {bar.right - 40, bar.Height() / 2}));
    EXPECT_EQ(dlg->scroll.GetPos(), 11);
    EXPECT_EQ(dlg->StatusText(), u"滚动：11");
}

TEST_F(Gallery, AModalMessageBoxEndsWithTheButtonsResult)
{
    robot.Click(Center(dlg->message));
    WindowHandle box = GetActiveWindow();
    ASSERT_NE(box, dlg->Handle());
    EXPECT_EQ(WindowText(box), u"提示");
    EXPECT_FALSE(dlg->IsEnabled()) << "the gallery waits under the box";
    Keep("Gallery.messagebox");
    WindowHandle no = FindWindowByText(box, u"否(&N)");
    ASSERT_NE(no, 0u);
    robot.Click(Robot::CenterOf(no));
    EXPECT_EQ(dlg->StatusText(), u"回答：否");
    EXPECT_TRUE(dlg->IsEnabled());
    EXPECT_EQ(GetActiveWindow(), dlg->Handle());
    // Escape in a Yes/No box does nothing; Enter takes the default (Yes).
    robot.Click(Center(dlg->message));
    robot.Key(kVkEscape);
    EXPECT_NE(GetActiveWindow(), dlg->Handle());
    robot.Key(kVkReturn);
    EXPECT_EQ(dlg->StatusText(), u"回答：是");
    // And the gallery itself ends with OK.
    robot.Click(Center(dlg->ok));
    EXPECT_EQ(result, kIdOk);
}

TEST_F(Gallery, ALayeredGalleryShowsTheDesktopThroughItInTheSnapshot)
{
    Point probe = Robot::ClientPoint(dlg->Handle(), {630, 385}); // plain dialog background
    uint32_t opaque = Screen::PixelAt(probe);
    robot.Click(Center(dlg->fade));
    EXPECT_EQ(dlg->LayeredAlpha(), 200);
    uint32_t blended = Screen::PixelAt(probe);
    EXPECT_NE(blended, opaque);
    // 200/255 of the dialog's grey over the desktop's blue.
    gfx::Color desk = Screen::DesktopColor();
    int expectRed = (gfx::RedOf(gfx::ColorOfPixel(opaque)) * 200 + gfx::RedOf(desk) * 55) / 255;
    EXPECT_NEAR(int((blended >> 16) & 0xFF), expectRed, 2);
    Keep("Gallery.layered");
    robot.Click(Center(dlg->fade));
    EXPECT_EQ(Screen::PixelAt(probe), opaque);
}

class CommonDialogsTest : public GuiTest
{
};

TEST_F(CommonDialogsTest, FileOpenListsFoldersAndFilteredFilesAndReturnsExistingOnes)
{
    vel::test::Sandbox box;
    std::string d = box.Drive('C');
    for (const char* f : {"cases/a.mp4", "cases/b.AVI", "cases/c.txt", "cases/sub/d.mp4"})
        vel::test::Sandbox::WriteHostFile(d + "/" + f, "x");
    UiThread ui;
    FileDialogOptions o;
    o.initialFolder = u"C:\\cases";
    o.filters = {{u"视频", u"*.mp4;*.avi"}, {u"所有文件", u"*.*"}};
    o.multiSelect = true;
    FileOpenDialog dlg(o);
    int result = -1;
    ui.Post([&] { result = dlg.DoModal(nullptr); });
    robot.WaitIdle();
    EXPECT_EQ(ui.Call([&] { return dlg.Entries(); }),
              (std::vector<std::u16string>{u"sub\\", u"a.mp4", u"b.AVI"}));
    // Choosing all files shows the text file too.
    ui.Call([&] { dlg.TypeCombo().SetCurSel(1); });
    ui.Call([&] { dlg.Send(kWmCommand, MakeWParam(FileOpenDialog::kIdType, kCbnSelChange), 0); });
    EXPECT_EQ(ui.Call([&] { return dlg.Entries(); }).size(), 4u);
    // Two files by pointer: click, Ctrl+click.
    Rect a = dlg.List().GetItemRect(1), c = dlg.List().GetItemRect(3);
    robot.Click(Robot::CenterOfClientRect(dlg.List().Handle(), a));
    robot.KeyDown(kVkControl);
    robot.Click(Robot::CenterOfClientRect(dlg.List().Handle(), c));
    robot.KeyUp(kVkControl);
    EXPECT_EQ(dlg.NameEdit().Text(), u"\"a.mp4\" \"c.txt\"");
    Keep("CommonDialogs.open");
    // A name that does not exist is refused with a message and the dialog stays.
    ui.Call([&] { dlg.NameEdit().SetText(u"missing.mp4"); });
    robot.Click(Robot::CenterOf(dlg.Item(kIdOk)->Handle()));
    WindowHandle msg = GetActiveWindow();
    ASSERT_NE(msg, dlg.Handle());
    robot.Key(kVkReturn);
    EXPECT_TRUE(dlg.IsModalRunning());
    // A double click on a folder goes into it.
    Rect sub = dlg.List().GetItemRect(0);
    robot.DoubleClick(Robot::CenterOfClientRect(dlg.List().Handle(), sub));
    EXPECT_EQ(dlg.Folder(), u"C:\\cases\\sub");
    robot.Click(Robot::CenterOf(dlg.Item(FileOpenDialog::kIdUp)->Handle()));
    EXPECT_EQ(dlg.Folder(), u"C:\\cases");
    ui.Call([&] { dlg.NameEdit().SetText(u"\"a.mp4\" \"c.txt\""); });
    robot.Click(Robot::CenterOf(dlg.Item(kIdOk)->Handle()));
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.Result(), (std::vector<std::u16string>{u"C:\\cases\\a.mp4", u"C:\\cases\\c.txt"}));
}

TEST_F(CommonDialogsTest, FolderBrowseOpensBranchesAsTheyExpandAndReturnsThePath)
{
    vel::test::Sandbox box;
    std::string d = box.Drive('C');
    vel::test::Sandbox::WriteHostFile(d + "/Evidence/2015/x.txt", "x");
    vel::test::Sandbox::WriteHostFile(d + "/Other/y.txt", "y");
    UiThread ui;
    FolderDialogOptions o;
    o.prompt = u"请选择档案库路径：";
    o.initialFolder = u"C:\\Evidence";
    FolderBrowseDialog dlg(o);
    int result = -1;
    ui.Post([&] { result = dlg.DoModal(nullptr); });
    robot.WaitIdle();
    EXPECT_EQ(ui.Call([&] { return dlg.SelectedPath(); }), u"C:\\Evidence");
    TreeCtrl& tree = dlg.Tree();
    TreeItem evidence = ui.Call([&] { return tree.GetSelectedItem(); });
    EXPECT_TRUE(ui.Call([&] { return tree.ItemHasChildren(evidence); }));
    EXPECT_EQ(ui.Call([&] { return tree.GetChildItem(evidence); }), 0u) << "not filled before it opens";
    robot.Key(kVkRight);
    TreeItem year = ui.Call([&] { return tree.GetChildItem(evidence); });
    ASSERT_NE(year, 0u);
    EXPECT_EQ(ui.Call([&] { return tree.GetItemText(year); }), u"2015");
    robot.Key(kVkDown);
    EXPECT_EQ(dlg.Item(FolderBrowseDialog::kIdPath)->Text(), u"C:\\Evidence\\2015");
    Keep("CommonDialogs.folder");
    robot.Key(kVkReturn);
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.Result(), u"C:\\Evidence\\2015");
}
