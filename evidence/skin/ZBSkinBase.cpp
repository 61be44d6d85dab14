#include "ZBSkinBase.h"

#include "ZBImage.h"
#include "ZBSkinValues.h"
#include "ZBXMLElement.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace vel {

namespace {

bool Named(const ZBXMLElement& e, std::u16string_view name)
{
    return EqualsIgnoreCase(e.GetName(), name);
}
std::u16string Attr(const ZBXMLElement& e, std::u16string_view name)
{
    return e.GetAttributeValue(name);
}

// A "[name]" value of the element's Name attribute, if it has one.
bool NameReference(const ZBXMLElement& e, std::u16string& name)
{
    return zbskin::IsReference(Attr(e, u"Name"), &name);
}

} // namespace

ZBSkinBase::ZBSkinBase(std::u16string className) : m_className(std::move(className)) {}

ZBSkinBase::~ZBSkinBase()
{
    ZBSkinBase::Reset();
}

void ZBSkinBase::FreeImage()
{
    if (m_ownsImage)
        delete m_image;
    m_image = nullptr;
    m_ownsImage = false;
}

void ZBSkinBase::FreeMenu()
{
    if (m_ownsMenu)
        delete m_menu;
    m_menu = nullptr;
    m_ownsMenu = false;
}

void ZBSkinBase::FreeBackground()
{
    if (m_ownsBackgroundImage)
        delete m_backgroundImage;
    m_backgroundImage = nullptr;
    m_ownsBackgroundImage = false;
    m_backgroundKind = kZBBackgroundNone;
    m_backgroundColor = gfx::kNoColor;
    m_backgroundBrush = {};
}

void ZBSkinBase::Reset()
{
    FreeImage();
    FreeMenu();
    FreeBackground();
    m_loader = nullptr;
    m_loaded = false;
    m_skinName.clear();
    m_position = {};
    m_transparencyKind = kZBTransparencyNone;
    m_alpha = 255;
    m_matched = nullptr;
}

bool ZBSkinBase::Load(ZBSkinLoader* loader, std::u16string_view name)
{
    if (!loader || name.empty())
        return false;
    Reset();
    m_loader = loader;
    // Every Load reads the file again; nothing parsed outlives the call.
    std::unique_ptr<ZBXMLElement> root = loader->ParseSource();
    if (!root || !Named(*root, u"ZBSkin"))
        return false;
    ZBSkinLoader::DocumentScope scope(root.get());
    for (const ZBXMLElement* section : root->GetChildren()) {
        if (!Named(*section, u"WindowSkin"))
            continue;
        if (ParseSkin(*section, name)) {
            m_loaded = true;
            m_skinName = std::u16string(name);
            break;
        }
        Reset();
        m_loader = loader;
    }
    m_matched = nullptr;
    return m_loaded;
}

bool ZBSkinBase::ParseSkin(const ZBXMLElement& windowSkin, std::u16string_view name)
{
    m_matched = nullptr;
    if (!m_loader || m_className.empty())
        return false;
    for (const ZBXMLElement* skin : windowSkin.GetChildren()) {
        if (!Named(*skin, u"Skin") || !EqualsIgnoreCase(Attr(*skin, u"Name"), name))
            continue;
        std::u16string cls = Attr(*skin, u"Class");
        if (cls.empty() || !EqualsIgnoreCase(cls, m_className))
            continue;
        m_matched = skin;
        break;
    }
    if (!m_matched)
        return false;
    for (const ZBXMLElement* child : m_matched->GetChildren())
        if (!ReadCommon(*child))
            return false;
    return true;
}

bool ZBSkinBase::ReadCommon(const ZBXMLElement& e)
{
    ZBSkinLoader& loader = *m_loader;
    if (Named(e, u"Image")) {
        FreeImage();
        return ResolveImage(loader, e, m_image, m_ownsImage);
    }
    if (Named(e, u"Menu")) {
        FreeMenu();
        return ResolveMenu(loader, e, m_menu, m_ownsMenu);
    }
    if (Named(e, u"Position"))
        return loader.ReadRect(Attr(e, u"Rect"), m_position);
    if (Named(e, u"BackGround")) {
        FreeBackground();
        std::u16string type = Trim(Attr(e, u"Type"));
        if (EqualsIgnoreCase(type, u"Image")) {
            const ZBXMLElement* img = e.FindChild(u"Image");
            if (!img || !ResolveImage(loader, *img, m_backgroundImage, m_ownsBackgroundImage))
                return false;
            m_backgroundKind = kZBBackgroundImage;
            m_backgroundBrush = gfx::Brush::Pattern(m_backgroundImage->image->CreateBitmap());
        } else if (EqualsIgnoreCase(type, u"Color")) {
            const ZBXMLElement* color = e.FindChild(u"Color");
            if (!color || !loader.ReadColor(Attr(*color, u"Value"), m_backgroundColor))
                return false;
            m_backgroundKind = kZBBackgroundColor;
            m_backgroundBrush = gfx::Brush::Solid(m_backgroundColor);
        }
        return true; // any other type: no background
    }
    if (Named(e, u"Transparency")) {
        std::u16string type = Trim(Attr(e, u"Type"));
        int alpha = 0;
        if (!e.GetAttribute(u"Value") || !zbskin::ParseInteger(Attr(e, u"Value"), alpha))
            return false;
        m_transparencyKind = EqualsIgnoreCase(type, u"Integrated") ? kZBTransparencyIntegrated
                             : EqualsIgnoreCase(type, u"Partial")  ? kZBTransparencyPartial
                                                                   : kZBTransparencyNone;
        m_alpha = std::clamp(alpha, 0, 255);
        return true;
    }
    return true; // the derived class's, or nobody's
}

void ZBSkinBase::Redraw(const gfx::Rect*) {}

bool ZBSkinBase::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message != kZBRepaintMessage)
        return false;
    auto lo = [](uintptr_t v) { return int(int16_t(uint16_t(v & 0xFFFF))); };
    auto hi = [](uintptr_t v) { return int(int16_t(uint16_t((v >> 16) & 0xFFFF))); };
    gfx::Rect r{lo(wParam), hi(wParam), lo(uintptr_t(lParam)), hi(uintptr_t(lParam))};
    Redraw(r.IsEmpty() ? nullptr : &r);
    return true;
}

bool ZBSkinBase::DrawBackground(gfx::Canvas& canvas, const gfx::Rect& rect)
{
    if (m_backgroundKind == kZBBackgroundColor && m_backgroundColor != gfx::kNoColor) {
        canvas.FillRect(rect, m_backgroundColor);
        return true;
    }
    if (m_backgroundKind == kZBBackgroundImage && m_backgroundImage && m_backgroundImage->image) {
        m_backgroundImage->image->DrawStretched(canvas, rect, m_backgroundImage->rect,
                                                m_backgroundImage->lowKey, m_backgroundImage->highKey);
        return true;
    }
    return false;
}

bool ZBSkinBase::ReadParts(const ZBSkinLoader& loader, const ZBXMLElement& parts, ZBPartMap& out)
{
    for (const ZBXMLElement* p : parts.GetChildren()) {
        if (!Named(*p, u"Part"))
            continue;
        std::u16string name = Attr(*p, u"Name");
        _ZB_PART part;
        if (name.empty() || out.count(name) || !p->GetAttribute(u"Rect") ||
            !loader.ReadRect(Attr(*p, u"Rect"), part.rect))
            return false;
        part.mode = EqualsIgnoreCase(Trim(Attr(*p, u"Mode")), u"Tile") ? kZBPartTile : kZBPartStretch;
        out.emplace(std::move(name), part);
    }
    return true;
}

bool ZBSkinBase::ResolveImage(ZBSkinLoader& loader, const ZBXMLElement& e, _ZB_IMAGEEX*& out, bool& owned)
{
    std::u16string ref;
    if (NameReference(e, ref)) {
        owned = false;
        return loader.GetImage(ref, out);
    }
    std::unique_ptr<_ZB_IMAGEEX> made = loader.MakeImage(e);
    if (!made)
        return false;
    out = made.release();
    owned = true;
    return true;
}

bool ZBSkinBase::ResolveFont(const ZBSkinLoader& loader, const ZBXMLElement& e, gfx::Font*& out, bool& owned)
{
    std::u16string ref;
    if (NameReference(e, ref)) {
        owned = false;
        return loader.GetFont(ref, out);
    }
    std::unique_ptr<gfx::Font> made = loader.MakeFont(e);
    if (!made)
        return false;
    out = made.release();
    owned = true;
    return true;
}

bool ZBSkinBase::ResolveIcon(ZBSkinLoader& loader, const ZBXMLElement& e, gfx::Icon*& out, bool& owned)
{
    std::u16string ref;
    if (NameReference(e, ref)) {
        owned = false;
        return loader.GetIcon(ref, out);
    }
    std::unique_ptr<gfx::Icon> made = loader.MakeIcon(e);
    if (!made)
        return false;
    out = made.release();
    owned = true;
    return true;
}

bool ZBSkinBase::ResolveMenu(const ZBSkinLoader& loader, const ZBXMLElement& e, ZBMenu*& out, bool& owned)
{
    std::u16string ref;
    if (NameReference(e, ref)) {
        owned = false;
        return loader.GetMenu(ref, out);
    }
    std::unique_ptr<ZBMenu> made = loader.MakeMenu(e);
    if (!made)
        return false;
    out = made.release();
    owned = true;
    return true;
}

// --- Part sets ---------------------------------------------------------------------

const _ZB_PART* ZBFindPart(const ZBPartMap& parts, std::u16string_view name,
                           std::initializer_list<std::u16string_view> suffixes)
{
    std::u16string key(name);
    for (std::u16string_view suffix : suffixes) {
        auto it = parts.find(key + std::u16string(suffix));
        if (it != parts.end())
            return &it->second;
    }
    auto it = parts.find(key);
    return it == parts.end() ? nullptr : &it->second;
}

void ZBDrawPartSet(gfx::Canvas& canvas, const _ZB_IMAGEEX& image, const gfx::Rect& target,
                   const ZBPartMap& parts)
{
    ZBDrawPartSet(canvas, image, target, [&](std::u16string_view name) { return ZBFindPart(parts, name); });
}

void ZBDrawPartSet(gfx::Canvas& canvas, const _ZB_IMAGEEX& image, const gfx::Rect& target,
                   const ZBPartPicker& pick)
{
    if (!image.image || image.image->IsEmpty() || target.IsEmpty())
        return;
    const ZBImage& img = *image.image;
    const int W = target.Width(), H = target.Height();
    const int ox = target.left, oy = target.top;
    const int ix = image.rect.left, iy = image.rect.top;
    auto src = [&](const _ZB_PART& p) { return p.rect.Offset(ix, iy); };
    auto blit = [&](const _ZB_PART& p, int x, int y) {
        gfx::Rect s = src(p);
        img.DrawPart(canvas, ox + x, oy + y, s.Width(), s.Height(), s.left, s.top, image.lowKey,
                     image.highKey);
    };
    auto width = [](const _ZB_PART* p) { return p ? std::max(0, p->rect.Width()) : 0; };
    auto height = [](const _ZB_PART* p) { return p ? std::max(0, p->rect.Height()) : 0; };
    // A band from `start` to `end` along x (horizontal) or y, at `at` across.
    auto band = [&](const _ZB_PART& p, bool horizontal, int start, int end, int at) {
        if (start >= end)
            return;
        gfx::Rect s = src(p);
        int pw = s.Width(), ph = s.Height();
        if (pw <= 0 || ph <= 0)
            return;
        if (p.mode == kZBPartTile) {
            int step = horizontal ? pw : ph;
            for (int pos = start; pos < end; pos += step) {
                int len = std::min(step, end - pos);
                if (horizontal)
                    img.DrawPart(canvas, ox + pos, oy + at, len, ph, s.left, s.top, image.lowKey,
                                 image.highKey);
                else
                    img.DrawPart(canvas, ox + at, oy + pos, pw, len, s.left, s.top, image.lowKey,
                                 image.highKey);
            }
        } else {
            gfx::Rect t =
                horizontal ? gfx::Rect{start, at, end, at + ph} : gfx::Rect{at, start, at + pw, end};
            img.DrawStretched(canvas, t.Offset(ox, oy), s, image.lowKey, image.highKey);
        }
    };

    const _ZB_PART* tl = pick(u"TopLeft");
    const _ZB_PART* tr = pick(u"TopRight");
    const _ZB_PART* bl = pick(u"BottomLeft");
    const _ZB_PART* br = pick(u"BottomRight");
    // 1. Corners, and the limits they set.
    if (tl)
        blit(*tl, 0, 0);
    if (tr)
        blit(*tr, W - width(tr), 0);
    if (bl)
        blit(*bl, 0, H - height(bl));
    if (br)
        blit(*br, W - width(br), H - height(br));
    int topStart = width(tl), topEnd = W - width(tr);
    int leftStart = height(tl), leftEnd = H - height(bl);
    int rightStart = height(tr), rightEnd = H - height(br);
    int bottomStart = width(bl), bottomEnd = W - width(br);
    // 2. Edge caps.
    if (const _ZB_PART* p = pick(u"LeftTop")) {
        blit(*p, 0, leftStart);
        leftStart += height(p);
    }
    if (const _ZB_PART* p = pick(u"LeftBottom")) {
        leftEnd -= height(p);
        blit(*p, 0, leftEnd);
    }
    if (const _ZB_PART* p = pick(u"RightTop")) {
        blit(*p, W - width(p), rightStart);
        rightStart += height(p);
    }
    if (const _ZB_PART* p = pick(u"RightBottom")) {
        rightEnd -= height(p);
        blit(*p, W - width(p), rightEnd);
    }
    // 3. Bands.
    if (const _ZB_PART* p = pick(u"Top")) {
        band(*p, true, topStart, topEnd, 0);
        if (topStart < topEnd) {
            if (topStart <= 0)
                leftStart = std::max(leftStart, height(p));
            if (topEnd >= W)
                rightStart = std::max(rightStart, height(p));
        }
    }
    if (const _ZB_PART* p = pick(u"Left"))
        band(*p, false, leftStart, leftEnd, 0);
    if (const _ZB_PART* p = pick(u"Right"))
        band(*p, false, rightStart, rightEnd, W - width(p));
    if (const _ZB_PART* p = pick(u"Bottom"))
        band(*p, true, bottomStart, bottomEnd, H - height(p));
    // 4. Middle, always stretched.
    if (const _ZB_PART* p = pick(u"Middle")) {
        gfx::Rect m{topStart, leftStart, topEnd, leftEnd};
        if (!m.IsEmpty())
            img.DrawStretched(canvas, m.Offset(ox, oy), src(*p), image.lowKey, image.highKey);
    }
}

} // namespace vel
