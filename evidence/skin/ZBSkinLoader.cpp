#include "ZBSkinLoader.h"

#include "ZBImage.h"
#include "ZBSkinValues.h"
#include "ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"
#include "platform/res/Resources.h"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace vel {

using zbskin::IsReference;

namespace {

thread_local const ZBXMLElement* t_documentInHand = nullptr;

std::u16string Attr(const ZBXMLElement& e, std::u16string_view name)
{
    return e.GetAttributeValue(name);
}
bool HasAttr(const ZBXMLElement& e, std::u16string_view name)
{
    return e.GetAttribute(name) != nullptr;
}

// The Windows path of the file a module was loaded from.
std::u16string ModuleFilePath(const void* module)
{
    Dl_info info{};
    const void* probe = module ? module : res::MainModule();
    std::string host;
    if (probe && dladdr(probe, &info) && info.dli_fname && info.dli_fname[0] && info.dli_fbase == probe)
        host = info.dli_fname;
    if (host.empty() || host.find('/') == std::string::npos) {
        char buf[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n > 0)
            host.assign(buf, size_t(n));
    }
    if (!host.empty() && host[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd))
            host = std::string(cwd) + "/" + host;
    }
    return host.empty() ? std::u16string() : fs::FromHost(host);
}

// The map value for a name, or null.
template <typename M> auto Lookup(const M& map, std::u16string_view name) -> const typename M::mapped_type*
{
    auto it = map.find(std::u16string(name));
    return it == map.end() ? nullptr : &it->second;
}

template <typename M, typename P> bool HoldsValue(const M& map, const P* p)
{
    if (!p)
        return false;
    for (const auto& [k, v] : map)
        if (v.get() == p)
            return true;
    return false;
}

} // namespace

uint16_t ZBSystemLanguage()
{
    const char* env = nullptr;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if ((env = std::getenv(var)) && *env)
            break;
    std::string loc = env && *env ? env : "C";
    std::string lang = loc.substr(0, loc.find_first_of("_.@"));
    std::string region = loc.find('_') != std::string::npos ? loc.substr(loc.find('_') + 1, 2) : "";
    for (char& c : lang)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    struct Entry
    {
        const char* lang;
        const char* region;
        uint16_t id;
    } static const table[] = {
        {"zh", "TW", 0x0404}, {"zh", "HK", 0x0C04}, {"zh", "MO", 0x1404}, {"zh", "SG", 0x1004},
        {"zh", "", 0x0804},   {"ja", "", 0x0411},   {"ko", "", 0x0412},   {"de", "", 0x0407},
        {"fr", "", 0x040C},   {"es", "", 0x0C0A},   {"it", "", 0x0410},   {"ru", "", 0x0419},
        {"pt", "BR", 0x0416}, {"pt", "", 0x0816},
    };
    for (const Entry& e : table)
        if (lang == e.lang && (!*e.region || region == e.region))
            return e.id;
    return 0x0409; // English of every variety, and the C locale
}

ZBSkinLoader::DocumentScope::DocumentScope(const ZBXMLElement* document) : m_previous(t_documentInHand)
{
    t_documentInHand = document;
}

ZBSkinLoader::DocumentScope::~DocumentScope()
{
    t_documentInHand = m_previous;
}

ZBSkinLoader::ZBSkinLoader() = default;
ZBSkinLoader::~ZBSkinLoader()
{
    Clear();
}

ZBSkinLoader& ZBSkinLoader::Shared()
{
    static ZBSkinLoader* loader = new ZBSkinLoader;
    return *loader;
}

void ZBSkinLoader::Clear()
{
    m_sizes.clear();
    m_rects.clear();
    m_colors.clear();
    m_fonts.clear();
    m_icons.clear();
    m_images.clear();
    m_menus.clear();
    m_imageCache.clear();
    m_loaded = false;
    m_resourceId = 0;
}

std::u16string ZBSkinLoader::SkinFilePath() const
{
    std::u16string folder = m_folder;
    std::u16string moduleFolder = fs::RemoveLastComponent(ModuleFilePath(m_module));
    if (folder.empty())
        folder = moduleFolder;
    else if (fs::Parse(folder).kind == fs::PathKind::Relative)
        folder = fs::Join(moduleFolder, folder);
    uint16_t lang = m_language ? m_language : ZBSystemLanguage();
    if ((lang & 0x3FF) == 0x09)
        lang = 0x0409;
    return Format16(u"%s\\%04x\\%s", folder.c_str(), unsigned(lang), u"skin.xml");
}

std::unique_ptr<ZBXMLElement> ZBSkinLoader::ParseSource() const
{
    if (m_resourceId)
        return ZBXMLElement::LoadResource(m_module, m_resourceId);
    return ZBXMLElement::LoadFile(SkinFilePath());
}

bool ZBSkinLoader::LoadPublicFromResource(const void* module, uint32_t id)
{
    Clear();
    std::unique_ptr<ZBXMLElement> root = id ? ZBXMLElement::LoadResource(module, id) : nullptr;
    m_module = module;
    if (!root || !LoadPublic(*root)) {
        Clear();
        return false;
    }
    m_resourceId = id;
    m_loaded = true;
    return true;
}

bool ZBSkinLoader::LoadPublicFromFolder(const void* module, std::u16string_view folder, uint16_t language)
{
    Clear();
    m_module = module;
    m_folder = std::u16string(folder);
    m_language = language;
    std::unique_ptr<ZBXMLElement> root = ParseSource();
    if (!root || !LoadPublic(*root)) {
        Clear();
        return false;
    }
    m_loaded = true;
    return true;
}

bool ZBSkinLoader::LoadPublic(const ZBXMLElement& root)
{
    // A document whose root is not a skin is not one, whatever it holds.
    if (!EqualsIgnoreCase(root.GetName(), u"ZBSkin"))
        return false;
    DocumentScope scope(&root);
    for (const ZBXMLElement* child : root.GetChildren())
        if (EqualsIgnoreCase(child->GetName(), u"Public") && !ReadPublicSection(*child))
            return false;
    return true;
}

bool ZBSkinLoader::ReadPublicSection(const ZBXMLElement& section)
{
    // Item name: required, not empty, unique within its kind.
    auto nameOf = [](const ZBXMLElement& item, auto& map, std::u16string& name) {
        name = Attr(item, u"Name");
        return !name.empty() && !map.count(name);
    };
    for (const ZBXMLElement* list : section.GetChildren()) {
        const std::u16string& kind = list->GetName();
        auto items = [&](std::u16string_view itemName, auto&& read) {
            for (const ZBXMLElement* item : list->GetChildren())
                if (EqualsIgnoreCase(item->GetName(), itemName) && !read(*item))
                    return false;
            return true;
        };
        std::u16string name;
        bool ok = true;
        if (EqualsIgnoreCase(kind, u"Sizes")) {
            ok = items(u"Size", [&](const ZBXMLElement& e) {
                gfx::Size v;
                return nameOf(e, m_sizes, name) && ReadSize(Attr(e, u"Value"), v) &&
                       m_sizes.emplace(name, v).second;
            });
        } else if (EqualsIgnoreCase(kind, u"Rects")) {
            ok = items(u"Rect", [&](const ZBXMLElement& e) {
                gfx::Rect v;
                return nameOf(e, m_rects, name) && ReadRect(Attr(e, u"Value"), v) &&
                       m_rects.emplace(name, v).second;
            });
        } else if (EqualsIgnoreCase(kind, u"Colors")) {
            ok = items(u"Color", [&](const ZBXMLElement& e) {
                gfx::Color v;
                return nameOf(e, m_colors, name) && ReadColor(Attr(e, u"Value"), v) &&
                       m_colors.emplace(name, v).second;
            });
        } else if (EqualsIgnoreCase(kind, u"Fonts")) {
            ok = items(u"Font", [&](const ZBXMLElement& e) {
                if (!nameOf(e, m_fonts, name))
                    return false;
                auto font = MakeFont(e);
                return font && m_fonts.emplace(name, std::move(font)).second;
            });
        } else if (EqualsIgnoreCase(kind, u"Icons")) {
            ok = items(u"Icon", [&](const ZBXMLElement& e) {
                if (!nameOf(e, m_icons, name))
                    return false;
                auto icon = MakeIcon(e);
                return icon && m_icons.emplace(name, std::move(icon)).second;
            });
        } else if (EqualsIgnoreCase(kind, u"Images")) {
            ok = items(u"Image", [&](const ZBXMLElement& e) {
                if (!nameOf(e, m_images, name))
                    return false;
                auto image = MakeImage(e);
                return image && m_images.emplace(name, std::move(image)).second;
            });
        } else if (EqualsIgnoreCase(kind, u"Menus")) {
            ok = items(u"Menu", [&](const ZBXMLElement& e) {
                if (!nameOf(e, m_menus, name))
                    return false;
                auto menu = MakeMenu(e);
                return menu && m_menus.emplace(name, std::move(menu)).second;
            });
        }
        // Strings are read on demand; anything else is not ours.
        if (!ok)
            return false;
    }
    return true;
}

// --- Lookups ----------------------------------------------------------------------

bool ZBSkinLoader::GetSize(std::u16string_view name, gfx::Size& out) const
{
    auto* v = Lookup(m_sizes, name);
    return v ? (out = *v, true) : false;
}

bool ZBSkinLoader::GetRect(std::u16string_view name, gfx::Rect& out) const
{
    auto* v = Lookup(m_rects, name);
    return v ? (out = *v, true) : false;
}

bool ZBSkinLoader::GetColor(std::u16string_view name, gfx::Color& out) const
{
    auto* v = Lookup(m_colors, name);
    return v ? (out = *v, true) : false;
}

bool ZBSkinLoader::GetFont(std::u16string_view name, gfx::Font*& out) const
{
    auto* v = Lookup(m_fonts, name);
    return v ? (out = v->get(), true) : false;
}

bool ZBSkinLoader::GetIcon(std::u16string_view name, gfx::Icon*& out) const
{
    auto* v = Lookup(m_icons, name);
    return v ? (out = v->get(), true) : false;
}

bool ZBSkinLoader::GetImage(std::u16string_view name, _ZB_IMAGEEX*& out) const
{
    auto* v = Lookup(m_images, name);
    return v ? (out = v->get(), true) : false;
}

bool ZBSkinLoader::GetMenu(std::u16string_view name, ZBMenu*& out) const
{
    auto* v = Lookup(m_menus, name);
    return v ? (out = v->get(), true) : false;
}

bool ZBSkinLoader::OwnsFont(const gfx::Font* font) const
{
    return HoldsValue(m_fonts, font);
}
bool ZBSkinLoader::OwnsIcon(const gfx::Icon* icon) const
{
    return HoldsValue(m_icons, icon);
}
bool ZBSkinLoader::OwnsImage(const _ZB_IMAGEEX* image) const
{
    return HoldsValue(m_images, image);
}
bool ZBSkinLoader::OwnsMenu(const ZBMenu* menu) const
{
    return HoldsValue(m_menus, menu);
}

// --- Strings -----------------------------------------------------------------------

bool ZBSkinLoader::FindString(const ZBXMLElement& root, std::u16string_view name, std::u16string& out)
{
    for (const ZBXMLElement* pub : root.GetChildren()) {
        if (!EqualsIgnoreCase(pub->GetName(), u"Public"))
            continue;
        for (const ZBXMLElement* strings : pub->GetChildren()) {
            if (!EqualsIgnoreCase(strings->GetName(), u"Strings"))
                continue;
            for (const ZBXMLElement* s : strings->GetChildren())
                if (EqualsIgnoreCase(s->GetName(), u"String") && EqualsIgnoreCase(Attr(*s, u"Name"), name)) {
                    out = Attr(*s, u"Value");
                    return true;
                }
        }
    }
    return false;
}

bool ZBSkinLoader::GetString(std::u16string_view name, std::u16string& out) const
{
    // The document in hand is the source being loaded or read right now;
    // otherwise the source is read again, which needs a loaded skin.
    if (t_documentInHand)
        return FindString(*t_documentInHand, name, out);
    if (!m_loaded)
        return false;
    std::unique_ptr<ZBXMLElement> root = ParseSource();
    return root && FindString(*root, name, out);
}

std::u16string ZBSkinLoader::ExpandStrings(std::u16string_view text) const
{
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    // One parse of the source for the whole text, however many names it holds.
    std::unique_ptr<ZBXMLElement> parsed;
    const ZBXMLElement* doc = t_documentInHand;
    while (pos < text.size()) {
        size_t open = text.find(u'[', pos);
        if (open == std::u16string_view::npos)
            break;
        size_t close = text.find(u']', open + 1);
        if (close == std::u16string_view::npos)
            break;
        out.append(text.substr(pos, open - pos));
        if (!doc && m_loaded && !parsed) {
            parsed = ParseSource();
            doc = parsed.get();
        }
        std::u16string value;
        if (doc && FindString(*doc, text.substr(open + 1, close - open - 1), value)) {
            out += value;
            pos = close + 1;
        } else {
            out += u'[';
            pos = open + 1; // an inner "[name]" may still be one
        }
    }
    out.append(text.substr(pos));
    return out;
}

// --- Values and objects --------------------------------------------------------------

bool ZBSkinLoader::ReadSize(std::u16string_view value, gfx::Size& out) const
{
    std::u16string name;
    return IsReference(value, &name) ? GetSize(name, out) : zbskin::ParseSize(value, out);
}

bool ZBSkinLoader::ReadRect(std::u16string_view value, gfx::Rect& out) const
{
    std::u16string name;
    return IsReference(value, &name) ? GetRect(name, out) : zbskin::ParseRect(value, out);
}

bool ZBSkinLoader::ReadColor(std::u16string_view value, gfx::Color& out) const
{
    std::u16string name;
    return IsReference(value, &name) ? GetColor(name, out) : zbskin::ParseColor(value, out);
}

std::unique_ptr<gfx::Font> ZBSkinLoader::MakeFont(const ZBXMLElement& e) const
{
    gfx::FontSpec fontDesc;
    fontDesc.face = Trim(Attr(e, u"Face"));
    if (fontDesc.face.empty())
        return nullptr;
    int size = 12;
    if (HasAttr(e, u"Size") && zbskin::ParseInteger(Attr(e, u"Size"), size) && size > 0)
        fontDesc.height = size;
    fontDesc.weight = EqualsIgnoreCase(Trim(Attr(e, u"Weight")), u"Bold") ? gfx::kWeightBold : gfx::kWeightNormal;
    fontDesc.italic = zbskin::ParseBool(Attr(e, u"Italic"));
    fontDesc.underline = zbskin::ParseBool(Attr(e, u"Underline"));
    return std::make_unique<gfx::Font>(std::move(fontDesc));
}

std::unique_ptr<gfx::Icon> ZBSkinLoader::MakeIcon(const ZBXMLElement& e)
{
    gfx::Size size;
    if (HasAttr(e, u"Size") && !ReadSize(Attr(e, u"Size"), size))
        return nullptr;
    if (size.cx < 0 || size.cy < 0 || size.cx > 256 || size.cy > 256)
        return nullptr;
    std::optional<gfx::Icon> icon;
    if (HasAttr(e, u"File")) {
        std::u16string file = Trim(Attr(e, u"File"));
        std::u16string path = m_resourceFolder.empty() ? file : m_resourceFolder + u"\\" + file;
        if (auto bytes = fs::ReadFile(path, 16u << 20))
            icon = gfx::DecodeIcon(*bytes, size);
    } else if (HasAttr(e, u"ResId")) {
        int id = 0;
        if (zbskin::ParseInteger(Attr(e, u"ResId"), id))
            if (auto bytes = res::Find(m_module, "icon", uint32_t(id)))
                icon = gfx::DecodeIcon({reinterpret_cast<const char*>(bytes->data()), bytes->size()}, size);
    }
    if (!icon || icon->image.Empty())
        return nullptr;
    return std::make_unique<gfx::Icon>(std::move(*icon));
}

ZBImage* ZBSkinLoader::CachedImage(const ZBXMLElement& e)
{
    std::u16string key;
    auto image = std::make_unique<ZBImage>();
    if (HasAttr(e, u"File")) {
        std::u16string file = Trim(Attr(e, u"File"));
        key = m_resourceFolder.empty() ? file : m_resourceFolder + u"\\" + file;
        if (auto it = m_imageCache.find(key); it != m_imageCache.end())
            return it->second.get();
        image->LoadFromFile(key);
    } else if (HasAttr(e, u"ResId")) {
        key = Trim(Attr(e, u"ResId"));
        if (auto it = m_imageCache.find(key); it != m_imageCache.end())
            return it->second.get();
        int id = 0;
        if (zbskin::ParseInteger(key, id))
            image->LoadFromPngResource(m_module, uint32_t(id));
    }
    if (key.empty() || image->IsEmpty()) // an empty image never enters a map
        return nullptr;
    ZBImage* raw = image.get();
    m_imageCache.emplace(key, std::move(image));
    return raw;
}

std::unique_ptr<_ZB_IMAGEEX> ZBSkinLoader::MakeImage(const ZBXMLElement& e)
{
    auto out = std::make_unique<_ZB_IMAGEEX>();
    out->image = CachedImage(e);
    if (!out->image)
        return nullptr;
    out->rect = {0, 0, out->image->Width(), out->image->Height()};
    if (HasAttr(e, u"Rect") && !ReadRect(Attr(e, u"Rect"), out->rect))
        return nullptr;
    if (HasAttr(e, u"MinMask") && !ReadColor(Attr(e, u"MinMask"), out->lowKey))
        return nullptr;
    if (HasAttr(e, u"MaxMask") && !ReadColor(Attr(e, u"MaxMask"), out->highKey))
        return nullptr;
    return out;
}

bool ZBSkinLoader::AppendItems(ZBMenu& menu, const ZBXMLElement& parent, int depth) const
{
    for (const ZBXMLElement* e : parent.GetChildren()) {
        if (!EqualsIgnoreCase(e->GetName(), u"Item"))
            continue;
        ZBMenuItem item;
        int id = 0;
        if (HasAttr(*e, u"ID") && !zbskin::ParseInteger(Attr(*e, u"ID"), id))
            return false;
        item.id = uint32_t(id);
        std::u16string type = Attr(*e, u"Type"), state = Attr(*e, u"State");
        if (zbskin::HasKeyword(type, u"Separator"))
            item.flags |= kZBMenuSeparator;
        if (zbskin::HasKeyword(state, u"Disable"))
            item.flags |= kZBMenuDisabled | kZBMenuGrayed;
        if (zbskin::HasKeyword(state, u"Default"))
            item.flags |= kZBMenuDefault;
        if (zbskin::HasKeyword(state, u"Checked"))
            item.flags |= kZBMenuChecked;
        if (!(item.flags & kZBMenuSeparator))
            item.text = ExpandStrings(Attr(*e, u"Text"));
        bool hasChildren =
            std::any_of(e->GetChildren().begin(), e->GetChildren().end(),
                        [](const ZBXMLElement* c) { return EqualsIgnoreCase(c->GetName(), u"Item"); });
        if (hasChildren) {
            item.popup = std::make_unique<ZBMenu>();
            if (depth >= 64 || !AppendItems(*item.popup, *e, depth + 1))
                return false;
            item.flags |= kZBMenuPopup;
            item.flags &= ~uint32_t(kZBMenuSeparator);
        }
        menu.items.push_back(std::move(item));
    }
    return true;
}

std::unique_ptr<ZBMenu> ZBSkinLoader::MakeMenu(const ZBXMLElement& e) const
{
    auto menu = std::make_unique<ZBMenu>();
    if (!AppendItems(*menu, e, 0))
        return nullptr; // what was built so far goes with it
    return menu;
}

const ZBMenuItem* ZBMenu::Find(uint32_t id) const
{
    for (const ZBMenuItem& item : items) {
        if (!(item.flags & (kZBMenuPopup | kZBMenuSeparator)) && item.id == id)
            return &item;
        if (item.popup)
            if (const ZBMenuItem* found = item.popup->Find(id))
                return found;
    }
    return nullptr;
}

} // namespace vel
