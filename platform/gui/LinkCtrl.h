#pragma once
// A link control: text in which <a>...</a> marks links (with optional
// href="..." and id="..."), drawn as links, with the hand cursor over them.
// A click on a link, or Enter / Space while focused, sends the parent
// WM_NOTIFY NM_CLICK with a LinkNotify record.

#include "Control.h"

#include <vector>

namespace vel::gui {

struct LinkNotify
{
    NotifyHeader hdr;
    int link = 0; // index among the links
    std::u16string id;
    std::u16string url;
};

class LinkCtrl : public Control
{
public:
    LinkCtrl();
    std::u16string_view ClassName() const override { return u"SysLink"; }

    int LinkCount() const;
    // Client rectangle of a link as last laid out (empty when none).
    Rect LinkRect(int link) const;
    // The text without the markup.
    std::u16string PlainText() const;
    void SetLinkColor(gfx::Color color) { m_linkColor = color; }

protected:
    LResult WindowProc(uint32_t message, WParam wp, LParam lp) override;
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnMouseMove(uint32_t keys, Point pt) override;
    void OnMouseLeave() override;
    bool OnSetCursor(Window* window, int hit, uint32_t message) override;
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(Window*) override { Invalidate(); }
    void OnKillFocus(Window*) override { Invalidate(); }
    uint32_t OnGetDlgCode() override { return kDlgcWantChars; }

private:
    struct Part
    {
        std::u16string text;
        int link = -1;
        std::u16string id, url;
        Rect rect;
    };
    void Parse(std::u16string_view markup);
    void Layout();
    int LinkAt(Point pt) const;
    void Fire(int link);

    std::vector<Part> m_parts;
    int m_hot = -1;
    int m_pressed = -1;
    gfx::Color m_linkColor;
};

} // namespace vel::gui
