#pragma once
// Fixtures of the skin loader tests: a sandbox skin folder with a skin file
// and pictures written by the test, a probe skin class, and pixel helpers.

#include "evidence/skin/ZBImage.h"
#include "evidence/skin/ZBSkinBase.h"
#include "evidence/skin/ZBSkinLoader.h"
#include "evidence/skin/ZBSkinValues.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/gfx/ImageCodec.h"
#include "support/Sandbox.h"

#include <string>
#include <vector>

namespace vel::test {

// A skin folder D:\skins\0804 in a fresh sandbox.
class SkinFolder
{
public:
    SkinFolder() { loader.SetResourceFolder(u"D:\\skins"); }

    // The skin file, as UTF-8 with a byte-order mark.
    void WriteSkin(const std::string& xml)
    {
        Sandbox::WriteHostFile(m_sandbox.Drive('D') + "/skins/0804/skin.xml", "\xEF\xBB\xBF" + xml);
    }
    // A picture beside it, named in File attributes by `name`.
    void WritePicture(const std::string& name, const gfx::Bitmap& bitmap)
    {
        Sandbox::WriteHostFile(m_sandbox.Drive('D') + "/skins/" + name, gfx::EncodeImage(bitmap));
    }
    bool Load(const std::string& xml)
    {
        WriteSkin(xml);
        return loader.LoadPublicFromFolder(nullptr, u"D:\\skins", 0x0804);
    }

    ZBSkinLoader loader;

private:
    Sandbox m_sandbox;
};

// A skin of any class that also reads a Parts element, as the part-set
// classes do.
class ProbeSkin : public ZBSkinBase
{
public:
    explicit ProbeSkin(std::u16string cls = u"ZBFrame") : ZBSkinBase(std::move(cls)) {}
    ~ProbeSkin() override { ProbeSkin::Reset(); }

    bool ParseSkin(const ZBXMLElement& windowSkin, std::u16string_view name) override
    {
        if (!ZBSkinBase::ParseSkin(windowSkin, name))
            return false;
        if (const ZBXMLElement* list = MatchedSkin()->FindChild(u"Parts"))
            return ReadParts(*GetLoader(), *list, parts);
        return true;
    }
    void Reset() override
    {
        parts.clear();
        ZBSkinBase::Reset();
    }
    void Redraw(const gfx::Rect* rect) override
    {
        ++redraws;
        lastRedraw = rect ? std::optional<gfx::Rect>(*rect) : std::nullopt;
    }

    ZBPartMap parts;
    int redraws = 0;
    std::optional<gfx::Rect> lastRedraw;
};

// A skin file around window skins and public sections.
inline std::string SkinXml(const std::string& publicPart, const std::string& windowSkins = "")
{
    return "<zbskin><public>" + publicPart + "</public><windowskin>" + windowSkins + "</windowskin></zbskin>";
}

} // namespace vel::test
