#include "CommonDialogs.h"

#include "Paint.h"
#include "Screen.h"
#include "SystemLook.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <algorithm>

namespace vel::gui {

namespace {

Rect R(int x, int y, int w, int h)
{
    return Rect::FromXYWH(x, y, w, h);
}

std::vector<std::u16string> SplitPatterns(std::u16string_view patterns)
{
    std::vector<std::u16string> out;
    for (auto& p : Split(patterns, u';'))
        if (!Trim(p).empty())
            out.push_back(Trim(p));
    return out;
}

} // namespace

std::vector<std::u16string> AvailableDrives()
{
    std::vector<std::u16string> out;
    for (char16_t c = u'A'; c <= u'Y'; ++c) {
        std::string root = fs::DriveRoot(c);
        if (root.empty())
            continue;
        std::u16string path{c, u':', u'\\'};
        if (fs::IsDirectory(path))
            out.push_back(path);
    }
    out.push_back(u"Z:\\");
    return out;
}

// --- Message box --------------------------------------------------------------------------------

MessageBoxDialog::MessageBoxDialog(std::u16string_view text, std::u16string_view caption, uint32_t type)
    : m_text(text), m_type(type)
{
    switch (type & kMbTypeMask) {
    case kMbOkCancel:
        m_buttons = {{u"确定", kIdOk}, {u"取消", kIdCancel}};
        break;
    case kMbAbortRetryIgnore:
        m_buttons = {{u"中止(&A)", kIdAbort}, {u"重试(&R)", kIdRetry}, {u"忽略(&I)", kIdIgnore}};
        break;
    case kMbYesNoCancel:
        m_buttons = {{u"是(&Y)", kIdYes}, {u"否(&N)", kIdNo}, {u"取消", kIdCancel}};
        break;
    case kMbYesNo:
        m_buttons = {{u"是(&Y)", kIdYes}, {u"否(&N)", kIdNo}};
        break;
    case kMbRetryCancel:
        m_buttons = {{u"重试(&R)", kIdRetry}, {u"取消", kIdCancel}};
        break;
    case kMbCancelTryContinue:
        m_buttons = {{u"取消", kIdCancel}, {u"重试(&T)", kIdTryAgain}, {u"继续(&C)", kIdContinue}};
        break;
    default:
        m_buttons = {{u"确定", kIdOk}};
        break;
    }
    const gfx::Font& font = *DefaultFont();
    gfx::Size ts = gfx::Canvas::MeasureText(m_text, font, gfx::kTextWordBreak | gfx::kTextNoPrefix, 400);
    bool icon = (type & kMbIconMask) != 0;
    int left = icon ? 62 : 18;
    int buttonsW = int(m_buttons.size()) * 81 - 6;
    int w = std::max({left + ts.cx + 18, buttonsW + 24, 180});
    int textH = std::max(ts.cy, icon ? 32 : 0);
    m_iconRect = icon ? R(18, 18, 32, 32) : Rect{};
    m_textRect = R(left, 18 + (textH - ts.cy) / 2, ts.cx + 2, ts.cy);
    int clientH = 18 + textH + 18 + 23 + 12;
    int frame = FrameThickness(kDefaultDialogStyle, 0);
    SetCreateParams({0, 0, w + 2 * frame, clientH + kCaptionHeight + 2 * frame}, kDefaultDialogStyle,
                    (type & kMbTopmost) ? kWsExTopmost : 0u, caption);
    SetBackground(GetSysColor(SysColor::kWindow));
}

Button* MessageBoxDialog::ButtonById(int id)
{
    for (auto& b : m_controls)
        if (b->Id() == id)
            return b.get();
    return nullptr;
}

bool MessageBoxDialog::OnInitDialog()
{
    Rect c = ClientRect();
    int x = c.right - 12 - (int(m_buttons.size()) * 81 - 6);
    int def = (m_type & kMbDefButton3) ? 2 : (m_type & kMbDefButton2) ? 1 : 0;
    def = std::min(def, int(m_buttons.size()) - 1);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        auto b = std::make_unique<Button>();
        uint32_t style = kWsVisible | kWsTabStop | (int(i) == def ? kBsDefPushButton : kBsPushButton);
        b->Create(*this, R(x, c.bottom - 12 - 23, 75, 23), style, m_buttons[i].second, m_buttons[i].first);
        x += 81;
        m_controls.push_back(std::move(b));
    }
    SetDefaultId(m_buttons[size_t(def)].second);
    if (Button* b = ButtonById(DefaultId()))
        b->SetFocus();
    return false;
}

void MessageBoxDialog::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect client = ClientRect();
    c.FillRect({client.left, client.bottom - 47, client.right, client.bottom},
               GetSysColor(SysColor::kBtnFace));
    if (!m_iconRect.IsEmpty()) {
        uint32_t kind = m_type & kMbIconMask;
        gfx::Color color = kind == kMbIconError     ? gfx::Rgb(232, 17, 35)
                           : kind == kMbIconWarning ? gfx::Rgb(255, 185, 0)
                                                    : gfx::Rgb(0, 120, 215);
        c.Ellipse(m_iconRect, color);
        const char16_t* mark = kind == kMbIconError      ? u"×"
                               : kind == kMbIconQuestion ? u"?"
                               : kind == kMbIconWarning  ? u"!"
                                                         : u"i";
        c.DrawText(mark, m_iconRect, *DefaultBoldFont(), gfx::Rgb(255, 255, 255),
                   gfx::kTextSingleLine | gfx::kTextCenter | gfx::kTextVCenter);
    }
    c.DrawText(m_text, m_textRect, *DefaultFont(), GetSysColor(SysColor::kWindowText),
               gfx::kTextWordBreak | gfx::kTextNoPrefix);
}

bool MessageBoxDialog::OnCommand(WParam wp, LParam lp)
{
    int id = LoWord(wp);
    for (auto& b : m_buttons)
        if (b.second == id) {
            EndDialog(id);
            return true;
        }
    if (id == kIdCancel) {
        OnCancel();
        return true;
    }
    return Dialog::OnCommand(wp, lp);
}

void MessageBoxDialog::OnCancel()
{
    // Escape and the close box answer Cancel, or OK for a box that has
    // only OK; other boxes need a button.
    for (auto& b : m_buttons)
        if (b.second == kIdCancel) {
            EndDialog(kIdCancel);
            return;
        }
    if (m_buttons.size() == 1 && m_buttons[0].second == kIdOk)
        EndDialog(kIdOk);
}

int ShowMessageBox(Window* owner, std::u16string_view text, std::u16string_view caption, uint32_t type)
{
    MessageBoxDialog box(text, caption, type);
    return box.DoModal(owner);
}

// --- File open -----------------------------------------------------------------------------------

FileOpenDialog::FileOpenDialog(FileDialogOptions options) : m_options(std::move(options))
{
    if (m_options.filters.empty())
        m_options.filters.push_back({u"所有文件", u"*.*"});
    m_options.filterIndex = std::clamp(m_options.filterIndex, 0, int(m_options.filters.size()) - 1);
    int frame = FrameThickness(kDefaultDialogStyle, 0);
    SetCreateParams({0, 0, 560 + 2 * frame, 380 + kCaptionHeight + 2 * frame}, kDefaultDialogStyle, 0,
                    m_options.title);
    SetBackground(GetSysColor(SysColor::kBtnFace));
}

bool FileOpenDialog::OnInitDialog()
{
    m_folderLabel.Create(*this, R(10, 12, 80, 20), kWsVisible | kSsCenterImage, -1, u"查找范围：");
    m_folderEdit.Create(*this, R(90, 10, 370, 22), kWsVisible | kEsReadOnly | kEsAutoHScroll, kIdFolder, {},
                        kWsExClientEdge);
    m_up.Create(*this, R(466, 9, 84, 24), kWsVisible | kWsTabStop, kIdUp, u"向上一级");
    uint32_t sel = m_options.multiSelect ? kLbsExtendedSel : 0u;
    m_list.Create(*this, R(10, 40, 540, 240), kWsVisible | kWsTabStop | kWsVScroll | kLbsNotify | sel,
                  kIdList, {}, kWsExClientEdge);
    m_nameLabel.Create(*this, R(10, 292, 80, 22), kWsVisible | kSsCenterImage, -1, u"文件名(&N)：");
    m_name.Create(*this, R(90, 290, 370, 22), kWsVisible | kWsTabStop | kEsAutoHScroll, kIdName, {},
                  kWsExClientEdge);
    m_typeLabel.Create(*this, R(10, 322, 80, 22), kWsVisible | kSsCenterImage, -1, u"文件类型(&T)：");
    m_type.Create(*this, R(90, 320, 370, 200), kWsVisible | kWsTabStop | kCbsDropDownList, kIdType);
    for (auto& f : m_options.filters)
        m_type.AddString(f.first);
    m_type.SetCurSel(m_options.filterIndex);
    m_ok.Create(*this, R(470, 289, 80, 24), kWsVisible | kWsTabStop | kBsDefPushButton, kIdOk, u"打开(&O)");
    m_cancel.Create(*this, R(470, 319, 80, 24), kWsVisible | kWsTabStop, kIdCancel, u"取消");
    std::u16string start = m_options.initialFolder;
    if (start.empty() || !fs::IsDirectory(start))
        start = u"C:\\";
    Navigate(start);
    m_name.SetFocus();
    return false;
}

bool FileOpenDialog::Matches(std::u16string_view name) const
{
    if (!m_wildcard.empty())
        return fs::MatchPattern(m_wildcard, name);
    int i = m_type.GetCurSel();
    if (i < 0)
        return true;
    for (auto& p : SplitPatterns(m_options.filters[size_t(i)].second))
        if (fs::MatchPattern(p, name))
            return true;
    return false;
}

void FileOpenDialog::Navigate(std::u16string_view folder)
{
    m_folder = std::u16string(folder);
    while (m_folder.size() > 3 && fs::IsSeparator(m_folder.back()))
        m_folder.pop_back();
    m_wildcard.clear();
    Refill();
}

void FileOpenDialog::Refill()
{
    m_entries.clear();
    if (m_folder.empty()) {
        for (auto& d : AvailableDrives())
            m_entries.push_back({d, true});
    } else {
        std::vector<Entry> folders, files;
        for (auto& e : fs::List(fs::Join(m_folder, u"*"))) {
            if (e.info.attributes & fs::kAttrHidden)
                continue;
            if (e.info.isDirectory)
                folders.push_back({e.name, true});
            else if (Matches(e.name))
                files.push_back({e.name, false});
        }
        auto byName = [](const Entry& a, const Entry& b) { return CompareIgnoreCase(a.name, b.name) < 0; };
        std::sort(folders.begin(), folders.end(), byName);
        std::sort(files.begin(), files.end(), byName);
        m_entries = folders;
        m_entries.insert(m_entries.end(), files.begin(), files.end());
    }
    m_list.ResetContent();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        std::u16string shown = e.folder && !m_folder.empty() ? e.name + u"\\" : e.name;
        m_list.AddString(shown, i);
    }
    m_folderEdit.SetText(m_folder.empty() ? u"我的电脑" : m_folder);
}

std::vector<std::u16string> FileOpenDialog::Entries() const
{
    std::vector<std::u16string> out;
    for (auto& e : m_entries)
        out.push_back(e.folder && !m_folder.empty() ? e.name + u"\\" : e.name);
    return out;
}

std::vector<std::u16string> FileOpenDialog::NamesInEdit() const
{
    std::u16string text = Trim(m_name.Text());
    std::vector<std::u16string> names;
    if (text.find(u'"') == std::u16string::npos) {
        if (!text.empty())
            names.push_back(text);
        return names;
    }
    size_t i = 0;
    while (i < text.size()) {
        size_t q = text.find(u'"', i);
        if (q == std::u16string::npos)
            break;
        size_t e = text.find(u'"', q + 1);
        if (e == std::u16string::npos) {
            names.push_back(text.substr(q + 1));
            break;
        }
        if (e > q + 1)
            names.push_back(text.substr(q + 1, e - q - 1));
        i = e + 1;
    }
    return names;
}

bool FileOpenDialog::OnCommand(WParam wp, LParam lp)
{
    int id = LoWord(wp), code = HiWord(wp);
    if (id == kIdUp && code == kBnClicked) {
        if (!m_folder.empty())
            Navigate(m_folder.size() <= 3 ? std::u16string() : fs::RemoveLastComponent(m_folder));
        return true;
    }
    if (id == kIdType && code == kCbnSelChange) {
        m_wildcard.clear();
        Refill();
        return true;
    }
    if (id == kIdList && code == kLbnSelChange) {
        std::vector<std::u16string> files;
        for (int i : m_list.GetSelItems()) {
            const Entry& e = m_entries[m_list.GetItemData(i)];
            if (!e.folder)
                files.push_back(e.name);
        }
        if (files.size() == 1)
            m_name.SetText(files[0]);
        else if (files.size() > 1) {
            std::u16string t;
            for (auto& f : files)
                t += (t.empty() ? u"\"" : u" \"") + f + u"\"";
            m_name.SetText(t);
        }
        return true;
    }
    if (id == kIdList && code == kLbnDblClk) {
        int i = m_list.GetCaretIndex();
        if (i >= 0 && i < m_list.Count()) {
            const Entry& e = m_entries[m_list.GetItemData(i)];
            if (e.folder)
                Navigate(m_folder.empty() ? e.name : fs::Join(m_folder, e.name));
            else {
                m_name.SetText(e.name);
                OnOK();
            }
        }
        return true;
    }
    return Dialog::OnCommand(wp, lp);
}

void FileOpenDialog::OnOK()
{
    std::vector<std::u16string> names = NamesInEdit();
    if (names.empty()) {
        // Nothing typed: a selected folder opens.
        int i = m_list.GetCaretIndex();
        if (i >= 0 && i < m_list.Count() && m_list.GetSel(i)) {
            const Entry& e = m_entries[m_list.GetItemData(i)];
            if (e.folder)
                Navigate(m_folder.empty() ? e.name : fs::Join(m_folder, e.name));
        }
        return;
    }
    auto full = [&](const std::u16string& n) {
        fs::ParsedPath p = fs::Parse(n);
        if (p.kind == fs::PathKind::Drive || p.kind == fs::PathKind::Unc)
            return n;
        return m_folder.empty() ? n : fs::Join(m_folder, n);
    };
    if (names.size() == 1) {
        std::u16string path = full(names[0]);
        if (names[0].find_first_of(u"*?") != std::u16string::npos) {
            m_wildcard = names[0];
            Refill();
            m_name.SetText(u"");
            return;
        }
        if (fs::IsDirectory(path)) {
            Navigate(path);
            m_name.SetText(u"");
            return;
        }
    }
    if (names.size() > 1 && !m_options.multiSelect) {
        ShowMessageBox(this, u"只能选择一个文件。", m_options.title, kMbOk | kMbIconWarning);
        return;
    }
    std::vector<std::u16string> paths;
    for (auto& n : names) {
        std::u16string path = full(n);
        if (m_options.mustExist && !fs::Exists(path)) {
            ShowMessageBox(this, n + u"\n文件不存在，请检查文件名是否正确。", m_options.title,
                           kMbOk | kMbIconWarning);
            return;
        }
        paths.push_back(path);
    }
    m_result = paths;
    EndDialog(kIdOk);
}

std::optional<std::vector<std::u16string>> ShowFileOpenDialog(Window* owner, const FileDialogOptions& options)
{
    FileOpenDialog dlg(options);
    if (dlg.DoModal(owner) != kIdOk)
        return std::nullopt;
    return dlg.Result();
}

// --- Folder browse --------------------------------------------------------------------------------

FolderBrowseDialog::FolderBrowseDialog(FolderDialogOptions options) : m_options(std::move(options))
{
    int frame = FrameThickness(kDefaultDialogStyle, 0);
    SetCreateParams({0, 0, 360 + 2 * frame, 420 + kCaptionHeight + 2 * frame}, kDefaultDialogStyle, 0,
                    m_options.title);
    SetBackground(GetSysColor(SysColor::kBtnFace));
}

bool FolderBrowseDialog::OnInitDialog()
{
    m_prompt.Create(*this, R(12, 10, 336, 36), kWsVisible, -1, m_options.prompt);
    m_tree.Create(*this, R(12, 50, 336, 280),
                  kWsVisible | kWsTabStop | kWsVScroll | kTvsHasButtons | kTvsHasLines | kTvsLinesAtRoot |
                      kTvsShowSelAlways,
                  kIdTree, {}, kWsExClientEdge);
    m_path.Create(*this, R(12, 338, 336, 36), kWsVisible | kSsPathEllipsis | kSsNoPrefix, kIdPath);
    m_ok.Create(*this, R(184, 384, 80, 24), kWsVisible | kWsTabStop | kBsDefPushButton | kWsDisabled, kIdOk,
                u"确定");
    m_cancel.Create(*this, R(268, 384, 80, 24), kWsVisible | kWsTabStop, kIdCancel, u"取消");
    for (auto& d : AvailableDrives()) {
        TreeItem item = m_tree.InsertItem(d.substr(0, 2), -1, -1, kTviRoot, kTviLast);
        m_tree.SetHasChildren(item, true);
    }
    if (!m_options.initialFolder.empty())
        SelectPath(m_options.initialFolder);
    m_tree.SetFocus();
    return false;
}

std::u16string FolderBrowseDialog::PathOf(TreeItem item) const
{
    std::u16string path;
    for (TreeItem i = item; i; i = m_tree.GetParentItem(i)) {
        std::u16string part = m_tree.GetItemText(i);
        path = path.empty() ? part : part + u"\\" + path;
    }
    if (path.size() == 2 && path[1] == u':')
        path += u"\\";
    return path;
}

std::u16string FolderBrowseDialog::SelectedPath() const
{
    TreeItem sel = m_tree.GetSelectedItem();
    return sel ? PathOf(sel) : std::u16string();
}

void FolderBrowseDialog::Fill(TreeItem item)
{
    if (m_tree.GetChildItem(item))
        return; // filled before
    std::u16string path = PathOf(item);
    std::vector<std::u16string> folders;
    for (auto& e : fs::List(fs::Join(path, u"*")))
        if (e.info.isDirectory && !(e.info.attributes & fs::kAttrHidden))
            folders.push_back(e.name);
    std::sort(folders.begin(), folders.end(),
              [](const std::u16string& a, const std::u16string& b) { return CompareIgnoreCase(a, b) < 0; });
    for (auto& f : folders) {
        TreeItem child = m_tree.InsertItem(f, -1, -1, item, kTviLast);
        m_tree.SetHasChildren(child, true);
    }
    if (folders.empty())
        m_tree.SetHasChildren(item, false);
}

bool FolderBrowseDialog::SelectPath(std::u16string_view path)
{
    std::u16string root = fs::RootOf(path);
    if (root.size() < 2)
        return false;
    std::u16string drive = root.substr(0, 2);
    TreeItem item = 0;
    for (TreeItem i = m_tree.GetRootItem(); i; i = m_tree.GetNextSiblingItem(i))
        if (EqualsIgnoreCase(m_tree.GetItemText(i), drive))
            item = i;
    if (!item)
        return false;
    for (auto& part : Split(path.substr(root.size()), u'\\')) {
        if (part.empty())
            continue;
        Fill(item);
        m_tree.Expand(item, kTveExpand);
        TreeItem found = 0;
        for (TreeItem c = m_tree.GetChildItem(item); c; c = m_tree.GetNextSiblingItem(c))
            if (EqualsIgnoreCase(m_tree.GetItemText(c), part))
                found = c;
        if (!found)
            break;
        item = found;
    }
    m_tree.SelectItem(item);
    m_tree.EnsureVisible(item);
    return EqualsIgnoreCase(PathOf(item), std::u16string(path)) || fs::IsDirectory(PathOf(item));
}

bool FolderBrowseDialog::OnNotify(WParam, NotifyHeader& h, LResult& result)
{
    if (h.idFrom != uintptr_t(kIdTree))
        return false;
    if (h.code == kTvnItemExpanding) {
        auto& tn = reinterpret_cast<TreeNotify&>(h);
        if (tn.action == kTveExpand)
            Fill(tn.itemNew);
        result = 0;
        return true;
    }
    if (h.code == kTvnSelChanged) {
        std::u16string p = SelectedPath();
        m_path.SetText(p);
        m_ok.Enable(!p.empty() && fs::IsDirectory(p));
        return true;
    }
    return false;
}

void FolderBrowseDialog::OnOK()
{
    std::u16string p = SelectedPath();
    if (p.empty() || !fs::IsDirectory(p))
        return;
    m_result = p;
    EndDialog(kIdOk);
}

std::optional<std::u16string> ShowFolderBrowseDialog(Window* owner, const FolderDialogOptions& options)
{
    FolderBrowseDialog dlg(options);
    if (dlg.DoModal(owner) != kIdOk)
        return std::nullopt;
    return dlg.Result();
}

} // namespace vel::gui
