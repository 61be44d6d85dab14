#include "LinkCtrl.h"

#include "Cursor.h"
#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"

namespace vel::gui {

LinkCtrl::LinkCtrl()
{
    m_linkColor = GetSysColor(SysColor::kHotLight);
}

namespace {

// The value of an attribute in an <a ...> tag.
std::u16string Attribute(std::u16string_view tag, std::u16string_view name)
{
    size_t at = tag.find(name);
    if (at == std::u16string_view::npos)
        return {};
    size_t q = tag.find(u'"', at + name.size());
    if (q == std::u16string_view::npos)
        return {};
    size_t e = tag.find(u'"', q + 1);
    if (e == std::u16string_view::npos)
        return {};
    return std::u16string(tag.substr(q + 1, e - q - 1));
}

bool StartsWithCI(std::u16string_view s, size_t at, std::u16string_view p)
{
    if (at + p.size() > s.size())
        return false;
    for (size_t i = 0; i < p.size(); ++i) {
        char16_t a = s[at + i], b = p[i];
        if (a >= u'A' && a <= u'Z')
            a = char16_t(a - u'A' + u'a');
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

void LinkCtrl::Parse(std::u16string_view s)
{
    m_parts.clear();
    int links = 0;
    size_t i = 0;
    std::u16string plain;
    while (i < s.size()) {
        if (StartsWithCI(s, i, u"<a") && i + 2 < s.size() && (s[i + 2] == u'>' || s[i + 2] == u' ')) {
            size_t close = s.find(u'>', i);
            size_t end =
                close == std::u16string_view::npos ? std::u16string_view::npos : s.find(u"</", close);
            if (close != std::u16string_view::npos && end != std::u16string_view::npos &&
                StartsWithCI(s, end, u"</a>")) {
                if (!plain.empty())
                    m_parts.push_back({plain, -1, {}, {}, {}});
                plain.clear();
                std::u16string_view tag = s.substr(i, close - i);
                m_parts.push_back({std::u16string(s.substr(close + 1, end - close - 1)),
                                   links++,
                                   Attribute(tag, u"id="),
                                   Attribute(tag, u"href="),
                                   {}});
                i = end + 4;
                continue;
            }
        }
        plain.push_back(s[i++]);
    }
    if (!plain.empty())
        m_parts.push_back({plain, -1, {}, {}, {}});
    Layout();
}

void LinkCtrl::Layout()
{
    const gfx::Font& font = *Font();
    int x = 0;
    int h = font.Metrics().height;
    int y = std::max(0, (ClientRect().Height() - h) / 2);
    for (Part& p : m_parts) {
        int w = gfx::Canvas::MeasureText(p.text, font, gfx::kTextSingleLine | gfx::kTextNoPrefix).cx;
        p.rect = {x, y, x + w, y + h};
        x += w;
    }
}

LResult LinkCtrl::WindowProc(uint32_t message, WParam wp, LParam lp)
{
    LResult r = Control::WindowProc(message, wp, lp);
    if (message == kWmSetText || message == kWmCreate) {
        Parse(Text());
        Invalidate();
    } else if (message == kWmSize || message == kWmSetFont) {
        Layout();
        Invalidate();
    }
    return r;
}

int LinkCtrl::LinkCount() const
{
    int n = 0;
    for (const Part& p : m_parts)
        n += p.link >= 0;
    return n;
}

Rect LinkCtrl::LinkRect(int link) const
{
    for (const Part& p : m_parts)
        if (p.link == link)
            return p.rect;
    return {};
}

std::u16string LinkCtrl::PlainText() const
{
    std::u16string out;
    for (const Part& p : m_parts)
        out += p.text;
    return out;
}

int LinkCtrl::LinkAt(Point pt) const
{
    for (const Part& p : m_parts)
        if (p.link >= 0 && p.rect.Contains(pt.x, pt.y))
            return p.link;
    return -1;
}

void LinkCtrl::Fire(int link)
{
    for (const Part& p : m_parts) {
        if (p.link != link)
            continue;
        LinkNotify ln;
        ln.link = link;
        ln.id = p.id;
        ln.url = p.url;
        NotifyParent(kNmClick, &ln.hdr);
        return;
    }
}

void LinkCtrl::OnLButtonDown(uint32_t, Point pt)
{
    m_pressed = LinkAt(pt);
    if (m_pressed >= 0)
        SetFocus();
}

void LinkCtrl::OnLButtonUp(uint32_t, Point pt)
{
    int at = LinkAt(pt);
    if (at >= 0 && at == m_pressed)
        Fire(at);
    m_pressed = -1;
}

void LinkCtrl::OnMouseMove(uint32_t, Point pt)
{
    int at = LinkAt(pt);
    if (at != m_hot) {
        m_hot = at;
        Invalidate();
        if (at >= 0)
            TrackMouseLeave();
    }
}

void LinkCtrl::OnMouseLeave()
{
    if (m_hot >= 0) {
        m_hot = -1;
        Invalidate();
    }
}

bool LinkCtrl::OnSetCursor(Window* window, int hit, uint32_t message)
{
    if (hit == kHtClient && LinkAt(ScreenToClient(CursorPos())) >= 0) {
        SetCursor(Cursor::System(SystemCursor::kHand));
        return true;
    }
    return Control::OnSetCursor(window, hit, message);
}

void LinkCtrl::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    if ((vk == kVkReturn || vk == kVkSpace) && LinkCount() > 0)
        Fire(0);
}

void LinkCtrl::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect r = ClientRect();
    ControlColors colors = PaintBackground(c, r, kWmCtlColorStatic, GetSysColor(SysColor::kWindowText),
                                           GetSysColor(SysColor::kBtnFace));
    const gfx::Font& font = *Font();
    gfx::FontSpec under = font.Spec();
    under.underline = true;
    static thread_local std::shared_ptr<gfx::Font> underlined;
    if (!underlined || !(underlined->Spec() == under))
        underlined = std::make_shared<gfx::Font>(under);
    const bool enabled = IsEnabled();
    for (const Part& p : m_parts) {
        bool link = p.link >= 0;
        gfx::Color ink = !enabled ? GetSysColor(SysColor::kGrayText) : link ? m_linkColor : colors.textColor;
        c.DrawText(p.text, p.rect.Inflate(0, 0), link ? *underlined : font, ink,
                   gfx::kTextSingleLine | gfx::kTextNoPrefix | gfx::kTextNoClip);
    }
    if (HasFocus() && LinkCount() > 0)
        look::DrawFocusRect(c, LinkRect(0).Inflate(1, 0).Intersect(r));
}

} // namespace vel::gui
