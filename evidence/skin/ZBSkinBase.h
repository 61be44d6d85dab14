#pragma once
// ZBSkinBase: what every skin class (frames, buttons, sliders, toolbars,
// option controls) shares: the lookup of its Skin element in the skin file
// by name and class, the common children (Image, Menu, Position,
// BackGround, Transparency), the background drawing and the repaint
// message.
//
// A skin is constructed empty, becomes loaded by Load, and returns to empty
// by Reset (which every Load calls first) and by destruction. Objects it
// takes from the loader by reference ("[name]") are borrowed; objects
// written inline in its Skin element are its own and freed by Reset.
//
// Virtual operations, in slot order: destructor, Load, ParseSkin, Redraw,
// Reset, HandleMessage, DrawBackground; derived classes add theirs after.

#include "ZBSkinLoader.h"
#include "ZBSkinTypes.h"
#include "platform/gfx/Canvas.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vel {

class ZBXMLElement;

// The empty base of the skin file readers.
class ZBParseBase
{
public:
    virtual ~ZBParseBase() = default;
};

enum : int
{
    kZBBackgroundNone = 0,
    kZBBackgroundImage = 1,
    kZBBackgroundColor = 2,
};

enum : int
{
    kZBTransparencyNone = 0,
    kZBTransparencyIntegrated = 1,
    kZBTransparencyPartial = 2,
};

class ZBSkinBase : public ZBParseBase
{
public:
    explicit ZBSkinBase(std::u16string className);
    ~ZBSkinBase() override;
    ZBSkinBase(const ZBSkinBase&) = delete;
    ZBSkinBase& operator=(const ZBSkinBase&) = delete;

    // Resets, then reads the skin file anew from the loader's source and
    // takes the first WindowSkin section in which ParseSkin succeeds for
    // `name`. False for a null loader, an empty name, an unreadable source,
    // a root that is not ZBSkin, or no section that yields the skin (the
    // skin is then empty).
    virtual bool Load(ZBSkinLoader* loader, std::u16string_view name);
    // Finds the first Skin of `windowSkin` whose Name equals `name` and whose
    // Class equals this skin's class name (both ignoring case; an empty
    // Class never matches) and reads its common children in document order;
    // a child that fails fails the skin. Derived classes call this first and
    // then read their own children of MatchedSkin().
    virtual bool ParseSkin(const ZBXMLElement& windowSkin, std::u16string_view name);
    // Repaints the skinned window (null: all of it). Nothing here.
    virtual void Redraw(const gfx::Rect* rect);
    // Frees what the skin owns; every field back to its constructed value.
    virtual void Reset();
    // The repaint message 0x8888: the rectangle packed into the parameters
    // (left and top as the low and high word of wParam, right and bottom of
    // lParam, each a signed 16-bit value) is handed to Redraw, null when
    // empty; reported handled. Other messages are not handled.
    virtual bool HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Colour background: a fill; image background: the image stretched into
    // the rectangle. Returns whether it drew.
    virtual bool DrawBackground(gfx::Canvas& canvas, const gfx::Rect& rect);

    // --- Fields ------------------------------------------------------------------
    ZBSkinLoader* GetLoader() const { return m_loader; }
    bool IsLoaded() const { return m_loaded; }
    const std::u16string& GetSkinName() const { return m_skinName; }
    const std::u16string& GetClassName() const { return m_className; }
    const _ZB_IMAGEEX* GetImage() const { return m_image; }
    const ZBMenu* GetMenu() const { return m_menu; }
    const gfx::Rect& GetPosition() const { return m_position; }
    int GetBackgroundKind() const { return m_backgroundKind; }
    gfx::Color GetBackgroundColor() const { return m_backgroundColor; }
    const _ZB_IMAGEEX* GetBackgroundImage() const { return m_backgroundImage; }
    const gfx::Brush& GetBackgroundBrush() const { return m_backgroundBrush; }
    int GetTransparencyKind() const { return m_transparencyKind; }
    int GetAlpha() const { return m_alpha; }

    // --- Readers the skin classes share --------------------------------------------
    // A Parts element: Part children with a Name (required, unique in the
    // map: a second one fails), a Rect (rectangle or reference; required)
    // and a Mode (Tile, else stretched).
    static bool ReadParts(const ZBSkinLoader& loader, const ZBXMLElement& parts, ZBPartMap& out);
    // An element naming an image by reference (Name="[x]"), or carrying the
    // inline attributes of a public Image. `owned` tells which.
    static bool ResolveImage(ZBSkinLoader& loader, const ZBXMLElement& e, _ZB_IMAGEEX*& out, bool& owned);
    static bool ResolveFont(const ZBSkinLoader& loader, const ZBXMLElement& e, gfx::Font*& out, bool& owned);
    static bool ResolveIcon(ZBSkinLoader& loader, const ZBXMLElement& e, gfx::Icon*& out, bool& owned);
    static bool ResolveMenu(const ZBSkinLoader& loader, const ZBXMLElement& e, ZBMenu*& out, bool& owned);

protected:
    // The Skin element the last ParseSkin matched (valid during Load only).
    const ZBXMLElement* MatchedSkin() const { return m_matched; }

private:
    bool ReadCommon(const ZBXMLElement& child);
    void FreeImage();
    void FreeMenu();
    void FreeBackground();

    ZBSkinLoader* m_loader = nullptr;
    bool m_loaded = false;
    std::u16string m_skinName;
    const std::u16string m_className;
    _ZB_IMAGEEX* m_image = nullptr;
    bool m_ownsImage = false;
    ZBMenu* m_menu = nullptr;
    bool m_ownsMenu = false;
    gfx::Rect m_position;
    int m_backgroundKind = kZBBackgroundNone;
    gfx::Color m_backgroundColor = gfx::kNoColor;
    _ZB_IMAGEEX* m_backgroundImage = nullptr;
    bool m_ownsBackgroundImage = false;
    gfx::Brush m_backgroundBrush;
    int m_transparencyKind = kZBTransparencyNone;
    int m_alpha = 255;
    const ZBXMLElement* m_matched = nullptr;
};

// --- Part-set drawing ----------------------------------------------------------------
//
// Frames, buttons, sliders and toolbars draw their parts as a nine-grid
// with edge caps into a target rectangle W x H: corners 1:1, then the edge
// caps 1:1 (shortening the side bands), then the Top, Left, Right and Bottom
// bands (tiled from the band's start with the last copy cut, or stretched;
// an empty band is skipped; where the top band starts at the left edge the
// left band starts below the drawn Top, and likewise on the right), then
// Middle, stretched over the top band's horizontal and the left band's
// vertical span. Part rectangles are coordinates in the skin image, counted
// from its rectangle's origin; the image's colour keys apply to every part.

// Which part to draw for a plain part name (null: none).
using ZBPartPicker = std::function<const _ZB_PART*(std::u16string_view name)>;

// The first of name + suffix that exists in the map, else the plain name.
const _ZB_PART* ZBFindPart(const ZBPartMap& parts, std::u16string_view name,
                           std::initializer_list<std::u16string_view> suffixes = {});
void ZBDrawPartSet(gfx::Canvas& canvas, const _ZB_IMAGEEX& image, const gfx::Rect& target,
                   const ZBPartPicker& pick);
// The plain parts of a map.
void ZBDrawPartSet(gfx::Canvas& canvas, const _ZB_IMAGEEX& image, const gfx::Rect& target,
                   const ZBPartMap& parts);

} // namespace vel
