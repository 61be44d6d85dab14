#pragma once
// A popup menu as the skin file describes it: items with ids, texts and
// states, separators, and sub-menus. Windows turn it into a real popup menu
// of the window system when they show it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vel {

// Item flags, with the values of the window system's menu flags.
enum ZBMenuFlags : uint32_t
{
    kZBMenuString = 0x0,
    kZBMenuGrayed = 0x1,
    kZBMenuDisabled = 0x2,
    kZBMenuChecked = 0x8,
    kZBMenuPopup = 0x10,
    kZBMenuSeparator = 0x800,
    kZBMenuDefault = 0x1000,
};

class ZBMenu;

struct ZBMenuItem
{
    uint32_t id = 0;
    uint32_t flags = kZBMenuString;
    std::u16string text;
    std::unique_ptr<ZBMenu> popup; // with kZBMenuPopup
};

class ZBMenu
{
public:
    std::vector<ZBMenuItem> items;
    // The item with this id anywhere in the menu or its sub-menus.
    const ZBMenuItem* Find(uint32_t id) const;
};

} // namespace vel
