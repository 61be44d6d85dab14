#include "Gallery.h"

#include "platform/base/Strings.h"
#include "platform/gui/CommonDialogs.h"
#include "platform/gui/Paint.h"
#include "platform/gui/SystemLook.h"

namespace vel::gallery {

namespace {

Rect R(int x, int y, int w, int h)
{
    return Rect::FromXYWH(x, y, w, h);
}

gfx::Bitmap Icon(gfx::Color body, gfx::Color edge)
{
    gfx::Bitmap b(16, 16, 0);
    gfx::Canvas c(b);
    c.RoundRect({1, 3, 15, 14}, 2, body, edge);
    c.FillRect({2, 2, 8, 4}, edge);
    return b;
}

const gfx::Color kKindColors[] = {gfx::Rgb(120, 120, 120), gfx::Rgb(0, 120, 215), gfx::Rgb(16, 137, 62),
                                  gfx::Rgb(202, 80, 16)};

} // namespace

GalleryDialog::GalleryDialog()
{
    int frame = FrameThickness(kDefaultDialogStyle, 0);
    SetCreateParams({0, 0, 640 + 2 * frame, 440 + kCaptionHeight + 2 * frame}, kDefaultDialogStyle, 0,
                    u"控件示例");
    SetBackground(GetSysColor(SysColor::kBtnFace));
}

Menu GalleryDialog::SampleMenu()
{
    Menu m;
    m.Append(kMfDefault, kCmdOpen, u"打开(&O)");
    m.Append(kMfGrayed, kCmdRename, u"重命名(&M)\tF2");
    m.AppendSeparator();
    Menu& view = m.AppendPopup(u"视图(&V)");
    view.Append(kMfChecked, kCmdLargeIcons, u"大图标(&G)");
    view.Append(0, kCmdList, u"列表(&L)");
    view.Append(0, kCmdDetails, u"详细信息(&D)");
    Menu& tools = m.AppendPopup(u"工具(&T)");
    tools.Append(kMfOwnerDraw, kCmdPlayer, u"视频播放(&V)", 1);
    tools.Append(0, kCmdMarker, u"图片标注(&K)");
    m.AppendSeparator();
    m.Append(0, kCmdRefresh, u"刷新(&E)\tF5");
    return m;
}

bool GalleryDialog::OnInitDialog()
{
    nameLabel.Create(*this, R(12, 14, 60, 20), kWsVisible | kSsCenterImage, -1, u"名称：");
    name.Create(*this, R(76, 12, 220, 24), kWsVisible | kWsTabStop | kEsAutoHScroll, kIdName, {},
                kWsExClientEdge);
    name.SetCueBanner(u"请输入档案名称");
    kindLabel.Create(*this, R(312, 14, 60, 20), kWsVisible | kSsCenterImage, -1, u"类型：");
    kind.Create(*this, R(376, 12, 180, 200), kWsVisible | kWsTabStop | kCbsDropDownList | kCbsOwnerDrawFixed,
                kIdKind);
    for (const char16_t* k : {u"全部类型", u"视频", u"图片", u"文档"})
        kind.AddString(k);
    kind.SetCurSel(0);

    sync.Create(*this, R(12, 48, 120, 20), kWsVisible | kWsTabStop | kBsAutoCheckBox, kIdSync, u"启用同步");
    video.Create(*this, R(140, 48, 70, 20), kWsVisible | kWsTabStop | kWsGroup | kBsAutoRadioButton, kIdVideo,
                 u"视频");
    picture.Create(*this, R(214, 48, 70, 20), kWsVisible | kBsAutoRadioButton, kIdPicture, u"图片");
    video.SetCheck(kBstChecked);
    fade.Create(*this, R(300, 48, 130, 20), kWsVisible | kWsTabStop | kWsGroup | kBsAutoCheckBox, kIdFade,
                u"半透明窗口");

    auto images = std::make_shared<ImageList>(16, 16);
    images->Add(Icon(gfx::Rgb(91, 155, 213), gfx::Rgb(46, 117, 182)));   // a case
    images->Add(Icon(gfx::Rgb(255, 217, 102), gfx::Rgb(191, 144, 0)));   // a folder
    images->Add(Icon(gfx::Rgb(200, 200, 200), gfx::Rgb(118, 118, 118))); // the computer
    tree.SetImageList(images);
    tree.Create(*this, R(12, 80, 200, 200),
                kWsVisible | kWsTabStop | kWsVScroll | kTvsHasButtons | kTvsHasLines | kTvsLinesAtRoot |
                    kTvsShowSelAlways,
                kIdTree, {}, kWsExClientEdge);
    TreeItem cases = tree.InsertItem(u"本地档案", 1, 1);
    yearItem = tree.InsertItem(u"2015年", 1, 1, cases);
    caseItem = tree.InsertItem(u"盗窃案", 0, 0, yearItem);
    photosItem = tree.InsertItem(u"现场照片", 1, 1, caseItem);
    tree.InsertItem(u"询问笔录", 1, 1, caseItem);
    tree.InsertItem(u"交通事故", 0, 0, yearItem);
    computerItem = tree.InsertItem(u"我的电脑", 2, 2);
    tree.InsertItem(u"本地磁盘 (C:)", 1, 1, computerItem);
    tree.Expand(cases, kTveExpand);

    list.Create(*this, R(224, 80, 200, 200), kWsVisible | kWsTabStop | kWsVScroll | kLbsNotify, kIdList, {},
                kWsExClientEdge);
    for (const char16_t* f :
         {u"CLIP0001.MP4", u"CLIP0002.MP4", u"现场.jpeg", u"笔录.doc", u"地图.png", u"录音.wav", u"报告.pdf",
          u"CLIP0003.MP4", u"CLIP0004.MP4", u"截图.png", u"说明.txt", u"附件.zip", u"补充.doc"})
        list.AddString(f);

    ownerDrawn.Create(*this, R(440, 80, 180, 28), kWsVisible | kWsTabStop | kBsOwnerDraw, kIdOwnerDrawn,
                      u"自绘按钮");
    menuButton.Create(*this, R(440, 114, 180, 28), kWsVisible | kWsTabStop, kIdMenuButton, u"菜单…");
    openFile.Create(*this, R(440, 148, 180, 28), kWsVisible | kWsTabStop, kIdOpenFile, u"打开文件…");
    pickFolder.Create(*this, R(440, 182, 180, 28), kWsVisible | kWsTabStop, kIdPickFolder, u"选择文件夹…");
    message.Create(*this, R(440, 216, 180, 28), kWsVisible | kWsTabStop, kIdMessage, u"消息框…");

    zoomLabel.Create(*this, R(12, 294, 60, 20), kWsVisible | kSsCenterImage, -1, u"缩放：");
    zoom.Create(*this, R(76, 290, 300, 30), kWsVisible | kWsTabStop | kTbsFixedLength, kIdZoom);
    zoom.SetThumbLength(16);
    zoom.SetRange(0, 100);
    zoom.SetPos(50);
    zoomValue.Create(*this, R(384, 294, 60, 20), kWsVisible | kSsCenterImage, kIdZoomValue, u"50");
    scroll.Create(*this, R(12, 330, 364, 17), kWsVisible | kSbsHorz, kIdScroll);
    scroll.SetInfo({0, 99, 10, 0, 0});
    link.Create(*this, R(12, 358, 240, 20), kWsVisible | kWsTabStop, kIdLink, u"<a>新增本地档案库路径</a>");
    status.Create(*this, R(12, 394, 410, 20), kWsVisible | kSsCenterImage | kSsEndEllipsis, kIdStatus,
                  u"就绪");
    ok.Create(*this, R(440, 392, 85, 28), kWsVisible | kWsTabStop | kBsDefPushButton, kIdOk, u"确定");
    cancel.Create(*this, R(535, 392, 85, 28), kWsVisible | kWsTabStop, kIdCancel, u"取消");

    tips.Create(this);
    tips.AddTool(&ownerDrawn, u"这是一个自绘按钮", {}, ownerDrawn.Handle(), kTtfIdIsHwnd | kTtfSubclass);
    tips.AddTool(&link, u"点击新增一个档案库路径", link.LinkRect(0), 1, kTtfSubclass);
    return true;
}

void GalleryDialog::SetStatus(std::u16string_view text)
{
    status.SetText(text);
}

void GalleryDialog::ShowMenuAt(Point screen)
{
    Menu menu = SampleMenu();
    uint32_t cmd = TrackPopupMenu(menu, kTpmReturnCmd | kTpmRightButton, screen, this);
    lastMenuCommand = cmd;
    SetStatus(cmd ? Format16(u"菜单命令：%u", cmd) : std::u16string(u"菜单已关闭"));
}

bool GalleryDialog::OnCommand(WParam wp, LParam lp)
{
    int id = LoWord(wp), code = HiWord(wp);
    const bool clicked = code == kBnClicked;
    switch (id) {
    case kIdName:
        if (code == kEnChange) {
            ++nameChanges;
            SetStatus(u"名称：" + name.Text());
        }
        return true;
    case kIdKind:
        if (code == kCbnSelChange)
            SetStatus(u"类型：" + kind.GetLBText(kind.GetCurSel()));
        return true;
    case kIdList:
        if (code == kLbnSelChange)
            SetStatus(u"文件：" + list.GetText(list.GetCurSel()));
        return true;
    case kIdSync:
        if (!clicked)
            return true;
        SetStatus(sync.GetCheck() ? u"同步：开" : u"同步：关");
        return true;
    case kIdVideo:
    case kIdPicture:
        if (!clicked)
            return true;
        SetStatus(video.GetCheck() ? u"视频" : u"图片");
        return true;
    case kIdFade:
        if (!clicked)
            return true;
        if (fade.GetCheck())
            SetLayeredAlpha(200);
        else
            ModifyExStyle(kWsExLayered, 0);
        return true;
    case kIdOwnerDrawn:
        if (!clicked)
            return true;
        ++ownerDrawnClicks;
        SetStatus(u"自绘按钮");
        return true;
    case kIdMenuButton: {
        if (!clicked)
            return true;
        Rect r = menuButton.WindowRect();
        ShowMenuAt({r.left, r.bottom});
        return true;
    }
    case kIdOpenFile: {
        if (!clicked)
            return true;
        FileDialogOptions o;
        o.title = u"打开文件";
        o.filters = {{u"视频文件", u"*.mp4;*.avi"}, {u"所有文件", u"*.*"}};
        o.multiSelect = true;
        if (auto files = ShowFileOpenDialog(this, o)) {
            openedFiles = *files;
            SetStatus(Format16(u"已选 %d 个文件", int(files->size())));
        }
        return true;
    }
    case kIdPickFolder: {
        if (!clicked)
            return true;
        FolderDialogOptions o;
        o.prompt = u"请选择档案库路径：";
        if (auto folder = ShowFolderBrowseDialog(this, o)) {
            pickedFolder = *folder;
            SetStatus(u"文件夹：" + *folder);
        }
        return true;
    }
    case kIdMessage: {
        if (!clicked)
            return true;
        int r =
            ShowMessageBox(this, u"您将取消所有同步设置，是否继续？", u"提示", kMbYesNo | kMbIconQuestion);
        SetStatus(r == kIdYes ? u"回答：是" : u"回答：否");
        return true;
    }
    default:
        return Dialog::OnCommand(wp, lp);
    }
}

bool GalleryDialog::OnNotify(WParam, NotifyHeader& h, LResult& result)
{
    if (h.idFrom == uintptr_t(kIdLink) && h.code == kNmClick) {
        ++linkClicks;
        SetStatus(u"链接：新增本地档案库路径");
        return true;
    }
    if (h.idFrom == uintptr_t(kIdTree) && h.code == kTvnSelChanged) {
        auto& tn = reinterpret_cast<TreeNotify&>(h);
        SetStatus(u"目录：" + tree.GetItemText(tn.itemNew));
        return true;
    }
    return false;
}

bool GalleryDialog::OnMeasureItem(int, MeasureItemInfo& info)
{
    if (info.ctlType == kOdtComboBox) {
        info.itemHeight = 20;
        return true;
    }
    if (info.ctlType == kOdtMenu) {
        info.itemWidth = 120;
        info.itemHeight = 26;
        return true;
    }
    return Dialog::OnMeasureItem(0, info);
}

bool GalleryDialog::OnDrawItem(int, DrawItemInfo& info)
{
    gfx::Canvas& c = *info.canvas;
    const Rect& r = info.rcItem;
    const bool selected = info.itemState & kOdsSelected;
    if (info.ctlType == kOdtButton && info.ctlId == uint32_t(kIdOwnerDrawn)) {
        gfx::Color face = selected             ? gfx::Rgb(46, 117, 182)
                          : ownerDrawn.IsHot() ? gfx::Rgb(112, 173, 235)
                                               : gfx::Rgb(91, 155, 213);
        c.FillRect(r, GetSysColor(SysColor::kBtnFace));
        c.RoundRect(r.Inflate(-1, -1), 4, face, gfx::Rgb(46, 117, 182));
        c.DrawText(ownerDrawn.Text(), r, *DefaultFont(), gfx::Rgb(255, 255, 255),
                   gfx::kTextSingleLine | gfx::kTextCenter | gfx::kTextVCenter);
        if (info.itemState & kOdsFocus)
            look::DrawFocusRect(c, r.Inflate(-4, -4));
        return true;
    }
    if (info.ctlType == kOdtComboBox) {
        bool field = info.itemState & kOdsComboBoxEdit;
        c.FillRect(r,
                   selected && !field ? GetSysColor(SysColor::kHighlight) : GetSysColor(SysColor::kWindow));
        int i = int(info.itemId);
        if (i >= 0 && i < kind.Count()) {
            c.FillRect(R(r.left + 4, r.top + (r.Height() - 12) / 2, 12, 12), kKindColors[i % 4]);
            c.DrawText(kind.GetLBText(i), {r.left + 22, r.top, r.right, r.bottom}, *DefaultFont(),
                       selected && !field ? GetSysColor(SysColor::kHighlightText)
                                          : GetSysColor(SysColor::kWindowText),
                       gfx::kTextSingleLine | gfx::kTextVCenter);
        }
        if (field && (info.itemState & kOdsFocus))
            c.FrameRect(r, gfx::Rgb(0, 0, 0)); // the focused field's one-pixel frame
        return true;
    }
    if (info.ctlType == kOdtMenu) {
        c.FillRect(r, selected ? gfx::Rgb(255, 245, 221) : GetSysColor(SysColor::kMenu));
        if (selected)
            c.FrameRect(r, gfx::Rgb(255, 207, 83));
        c.Ellipse(R(r.left + 6, r.top + (r.Height() - 14) / 2, 14, 14), gfx::Rgb(0, 120, 215));
        auto* item = static_cast<const MenuItem*>(info.menuItem);
        c.DrawText(item ? item->text : u"", {r.left + 26, r.top, r.right, r.bottom}, *DefaultFont(),
                   GetSysColor(SysColor::kMenuText), gfx::kTextSingleLine | gfx::kTextVCenter);
        return true;
    }
    return Dialog::OnDrawItem(0, info);
}

void GalleryDialog::OnHScroll(int code, int pos, Window* bar)
{
    if (bar == &zoom) {
        zoomValue.SetText(ToString16(zoom.GetPos()));
        if (code == kTbEndTrack)
            ++zoomEnds;
        return;
    }
    if (bar == &scroll) {
        ScrollInfo si = scroll.GetInfo();
        switch (code) {
        case kSbLineUp:
            si.pos -= 1;
            break;
        case kSbLineDown:
            si.pos += 1;
            break;
        case kSbPageUp:
            si.pos -= int(si.page);
            break;
        case kSbPageDown:
            si.pos += int(si.page);
            break;
        case kSbThumbTrack:
        case kSbThumbPosition:
            si.pos = si.trackPos;
            break;
        default:
            return;
        }
        scroll.SetInfo(si);
        SetStatus(Format16(u"滚动：%d", scroll.GetPos()));
    }
}

void GalleryDialog::OnContextMenu(Window*, Point screen)
{
    ShowMenuAt(screen);
}

void GalleryDialog::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect r = ClientRect();
    c.FillRect({r.left, 380, r.right, 381}, GetSysColor(SysColor::kBtnShadow));
}

int RunGallery(Window* owner)
{
    GalleryDialog dlg;
    return dlg.DoModal(owner);
}

} // namespace vel::gallery
