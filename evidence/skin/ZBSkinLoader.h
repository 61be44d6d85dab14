#pragma once
// ZBSkinLoader: the shared objects of the skin, loaded from the public
// sections of the skin file, and the source every skin is read from.
//
// One loader serves the whole process (Shared()); skins and windows keep a
// pointer to it. The source is either an "xml" resource of a module (the
// library's own skin, resource 3002) or a skin folder with a language id
// (<folder>\<lang as 4 hex digits>\skin.xml). The public load reads every
// Public section: sizes, rectangles, colours, fonts, icons, images (cut from
// decoded pictures, each picture decoded once and shared) and menus; strings
// are looked up in the source on demand. The loader owns every object in
// its maps; skins that take one by reference only borrow it.
//
// States: empty --LoadPublic*() ok--> loaded --Clear()--> empty (source back
// to "folder"). A failed public load leaves it empty. Lookups are meant for
// after the load, from any thread; loading and clearing are not
// synchronised with them.

#include "ZBMenu.h"
#include "ZBSkinTypes.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Icon.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vel {

class ZBImage;
class ZBXMLElement;

class ZBSkinLoader
{
public:
    ZBSkinLoader();
    ~ZBSkinLoader();
    ZBSkinLoader(const ZBSkinLoader&) = delete;
    ZBSkinLoader& operator=(const ZBSkinLoader&) = delete;

    // The process-wide loader (never destroyed, so windows torn down late
    // still find it).
    static ZBSkinLoader& Shared();

    // --- Loading ---------------------------------------------------------------
    // Parses the module's "xml" resource `id` and reads every Public section;
    // on success the resource becomes the source. On failure everything is
    // cleared. Returns success.
    bool LoadPublicFromResource(const void* module, uint32_t id = 3002);
    // Selects a skin folder as the source (empty: the module file's folder;
    // relative: below it) with a language id (0: the system's default
    // language; English variants become 0x0409), and loads its public part.
    bool LoadPublicFromFolder(const void* module, std::u16string_view folder, uint16_t language = 0);
    // Deletes every object and empties the maps; the source goes back to
    // "folder".
    void Clear();

    bool IsLoaded() const { return m_loaded; }
    const void* GetModule() const { return m_module; }
    // The resource id of the source, 0 when the source is a folder.
    uint32_t GetResourceId() const { return m_resourceId; }
    // The skin file path of a folder source.
    std::u16string SkinFilePath() const;
    // Where File attributes are found ("" in this system: the shipped skin
    // names resources only).
    void SetResourceFolder(std::u16string folder) { m_resourceFolder = std::move(folder); }

    // The whole skin file, parsed anew from the source; null when it cannot
    // be read or parsed.
    std::unique_ptr<ZBXMLElement> ParseSource() const;

    // --- Lookups by name (exact map keys) --------------------------------------
    bool GetSize(std::u16string_view name, gfx::Size& out) const;
    bool GetRect(std::u16string_view name, gfx::Rect& out) const;
    bool GetColor(std::u16string_view name, gfx::Color& out) const;
    bool GetFont(std::u16string_view name, gfx::Font*& out) const;
    bool GetIcon(std::u16string_view name, gfx::Icon*& out) const;
    bool GetImage(std::u16string_view name, _ZB_IMAGEEX*& out) const;
    bool GetMenu(std::u16string_view name, ZBMenu*& out) const;

    // The Value of the first String of that name (any letter case) in any
    // Public/Strings section of the source; false when nothing is loaded.
    bool GetString(std::u16string_view name, std::u16string& out) const;
    // Every "[name]" whose string exists is replaced by its value; an
    // unknown name, or a '[' without ']', stays as written. Values are not
    // expanded again.
    std::u16string ExpandStrings(std::u16string_view text) const;

    // Whether the object is one of this loader's (a value in that map).
    bool OwnsFont(const gfx::Font* font) const;
    bool OwnsIcon(const gfx::Icon* icon) const;
    bool OwnsImage(const _ZB_IMAGEEX* image) const;
    bool OwnsMenu(const ZBMenu* menu) const;

    // --- Element readers shared with the skins -----------------------------------
    // Each takes a value that is either written in place or a "[name]"
    // reference to a public object of that kind; false when it does not parse
    // or the reference names nothing.
    bool ReadSize(std::u16string_view value, gfx::Size& out) const;
    bool ReadRect(std::u16string_view value, gfx::Rect& out) const;
    bool ReadColor(std::u16string_view value, gfx::Color& out) const;
    // Built from an element's inline attributes (the attributes of a public
    // Font, Icon, Image or Menu item, without the Name); the caller owns the
    // result. Null on failure.
    std::unique_ptr<gfx::Font> MakeFont(const ZBXMLElement& element) const;
    std::unique_ptr<gfx::Icon> MakeIcon(const ZBXMLElement& element);
    std::unique_ptr<_ZB_IMAGEEX> MakeImage(const ZBXMLElement& element);
    std::unique_ptr<ZBMenu> MakeMenu(const ZBXMLElement& element) const;

    // While a scope lives, string lookups on this thread read the given
    // document instead of parsing the source again (it is the source,
    // already in hand: the public load and every skin Load use it).
    class DocumentScope
    {
    public:
        explicit DocumentScope(const ZBXMLElement* document);
        ~DocumentScope();
        DocumentScope(const DocumentScope&) = delete;
        DocumentScope& operator=(const DocumentScope&) = delete;

    private:
        const ZBXMLElement* m_previous;
    };

    // Number of decoded pictures in the image cache (diagnostics, tests).
    size_t CachedImageCount() const { return m_imageCache.size(); }

private:
    bool LoadPublic(const ZBXMLElement& root);
    bool ReadPublicSection(const ZBXMLElement& section);
    ZBImage* CachedImage(const ZBXMLElement& element);
    bool AppendItems(ZBMenu& menu, const ZBXMLElement& parent, int depth) const;
    static bool FindString(const ZBXMLElement& root, std::u16string_view name, std::u16string& out);

    template <typename T> using Map = std::unordered_map<std::u16string, T>;

    bool m_loaded = false;
    const void* m_module = nullptr;
    uint32_t m_resourceId = 0; // 0: folder source
    std::u16string m_folder;
    uint16_t m_language = 0;
    std::u16string m_resourceFolder;

    Map<gfx::Size> m_sizes;
    Map<gfx::Rect> m_rects;
    Map<gfx::Color> m_colors;
    Map<std::unique_ptr<gfx::Font>> m_fonts;
    Map<std::unique_ptr<gfx::Icon>> m_icons;
    Map<std::unique_ptr<_ZB_IMAGEEX>> m_images;
    Map<std::unique_ptr<ZBMenu>> m_menus;
    Map<std::unique_ptr<ZBImage>> m_imageCache; // file path or ResId text
};

// The system's default language id (from the locale environment), with
// every English variant as 0x0409.
uint16_t ZBSystemLanguage();

} // namespace vel
