#pragma once
// The system's own dialogs, drawn with this window system's controls over
// platform/fs: the message box, a file-open dialog (a type filter, multiple
// selection, existing files only) and a folder-browse dialog (a tree of the
// drives, filled in as branches open). Paths are Windows paths.

#include "Button.h"
#include "ComboBox.h"
#include "Dialog.h"
#include "Edit.h"
#include "ListBox.h"
#include "Static.h"
#include "TreeCtrl.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vel::gui {

// Message box types, icons and flags (the platform's values).
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbOkCancel = 0x1;
inline constexpr uint32_t kMbAbortRetryIgnore = 0x2;
inline constexpr uint32_t kMbYesNoCancel = 0x3;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbRetryCancel = 0x5;
inline constexpr uint32_t kMbCancelTryContinue = 0x6;
inline constexpr uint32_t kMbTypeMask = 0xF;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconWarning = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr uint32_t kMbIconMask = 0xF0;
inline constexpr uint32_t kMbDefButton2 = 0x100;
inline constexpr uint32_t kMbDefButton3 = 0x200;
inline constexpr uint32_t kMbTopmost = 0x40000;

class MessageBoxDialog : public Dialog
{
public:
    MessageBoxDialog(std::u16string_view text, std::u16string_view caption, uint32_t type);
    // The buttons shown, left to right (text, id).
    const std::vector<std::pair<std::u16string, int>>& Buttons() const { return m_buttons; }
    Button* ButtonById(int id);

protected:
    bool OnInitDialog() override;
    void OnPaint() override;
    bool OnCommand(WParam wp, LParam lp) override;
    void OnCancel() override;

private:
    std::u16string m_text;
    uint32_t m_type;
    std::vector<std::pair<std::u16string, int>> m_buttons;
    std::vector<std::unique_ptr<Button>> m_controls;
    Rect m_textRect, m_iconRect;
};

// Shows a message box modally and returns the id of the button pressed
// (Escape and the close box answer Cancel where there is one).
int ShowMessageBox(Window* owner, std::u16string_view text, std::u16string_view caption,
                   uint32_t type = kMbOk);

struct FileDialogOptions
{
    std::u16string title = u"打开";
    std::u16string initialFolder;
    // Pairs of description and patterns separated by ';' ("*.mp4;*.avi").
    std::vector<std::pair<std::u16string, std::u16string>> filters;
    int filterIndex = 0;
    bool multiSelect = false;
    bool mustExist = true;
};

class FileOpenDialog : public Dialog
{
public:
    explicit FileOpenDialog(FileDialogOptions options);
    const std::vector<std::u16string>& Result() const { return m_result; }
    std::u16string Folder() const { return m_folder; }
    // What the list shows now: folders end in '\'.
    std::vector<std::u16string> Entries() const;
    void Navigate(std::u16string_view folder);

    static constexpr int kIdFolder = 1001;
    static constexpr int kIdUp = 1002;
    static constexpr int kIdList = 1003;
    static constexpr int kIdName = 1004;
    static constexpr int kIdType = 1005;

    ListBox& List() { return m_list; }
    Edit& NameEdit() { return m_name; }
    ComboBox& TypeCombo() { return m_type; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(WParam wp, LParam lp) override;
    void OnOK() override;

private:
    struct Entry
    {
        std::u16string name;
        bool folder = false;
    };
    void Refill();
    bool Matches(std::u16string_view name) const;
    std::vector<std::u16string> NamesInEdit() const;

    FileDialogOptions m_options;
    std::u16string m_folder; // "" shows the drives
    std::u16string m_wildcard;
    std::vector<Entry> m_entries;
    std::vector<std::u16string> m_result;
    Static m_folderLabel, m_nameLabel, m_typeLabel;
    Edit m_folderEdit, m_name;
    Button m_up, m_ok, m_cancel;
    ListBox m_list;
    ComboBox m_type;
};

std::optional<std::vector<std::u16string>> ShowFileOpenDialog(Window* owner,
                                                              const FileDialogOptions& options);

struct FolderDialogOptions
{
    std::u16string title = u"浏览文件夹";
    std::u16string prompt;
    std::u16string initialFolder;
};

class FolderBrowseDialog : public Dialog
{
public:
    explicit FolderBrowseDialog(FolderDialogOptions options);
    std::u16string Result() const { return m_result; }
    std::u16string SelectedPath() const;
    TreeCtrl& Tree() { return m_tree; }
    // Opens the branches down to `path` and selects it; false when some
    // part does not exist.
    bool SelectPath(std::u16string_view path);

    static constexpr int kIdTree = 1101;
    static constexpr int kIdPath = 1102;

protected:
    bool OnInitDialog() override;
    bool OnNotify(WParam wp, NotifyHeader& header, LResult& result) override;
    void OnOK() override;

private:
    void Fill(TreeItem item);
    std::u16string PathOf(TreeItem item) const;

    FolderDialogOptions m_options;
    std::u16string m_result;
    Static m_prompt, m_path;
    TreeCtrl m_tree;
    Button m_ok, m_cancel;
};

std::optional<std::u16string> ShowFolderBrowseDialog(Window* owner, const FolderDialogOptions& options);

// The drive roots that exist ("C:\", "D:\", ...; "Z:\", the host root, last).
std::vector<std::u16string> AvailableDrives();

} // namespace vel::gui
