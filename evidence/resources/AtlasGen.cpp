// evd_atlasgen: draws the skin atlas from the skin file.
//
//   evd_atlasgen SKIN.xml OUT-DIR
//
// The skin file is the one authority on where each picture sits: this
// program reads every rectangle it names in the atlas (public images, parts,
// anchor pictures, option-control marks), paints the picture that the name
// stands for into it and writes OUT-DIR/atlas.png (1200 x 1400), plus the
// application icon (main_icon.ico) and the column-resize cursor
// (resize.cur). It fails, and so fails the build, when a rectangle has no
// painter, when two different rectangles overlap, or when one leaves the
// atlas, so the picture and the file cannot drift apart.

#include "AtlasGen.h"

#include "ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/gfx/Drawing.h"
#include "platform/gfx/Icon.h"
#include "platform/gfx/ImageCodec.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

using namespace vel;

namespace {

constexpr int kAtlasWidth = 1200, kAtlasHeight = 1400;

struct Target
{
    std::string key;   // painter name
    std::string group; // painter name of the whole part set of one state, if any
    gfx::Rect rect;
};

bool ParseRect(const std::u16string& text, gfx::Rect& out)
{
    auto parts = Split(text, u',');
    if (parts.size() != 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = ParseInt(Trim(parts[i]));
    out = gfx::Rect::FromXYWH(v[0], v[1], v[2], v[3]);
    return !out.IsEmpty();
}

std::string Lower(std::u16string_view s)
{
    return Utf16ToUtf8(ToLower(s));
}

// The state suffix of a part name ("TopLeftHot" -> "Hot").
std::string PartState(const std::string& part)
{
    for (const char* s : {"Disable", "Down", "Hot", "IA"}) {
        std::string suffix = s;
        if (part.size() > suffix.size() &&
            part.compare(part.size() - suffix.size(), suffix.size(), suffix) == 0)
            return suffix;
    }
    return "";
}

void Collect(const ZBXMLElement& root, std::vector<Target>& out, std::vector<std::string>& errors)
{
    for (ZBXMLElement* section : root.GetChildren()) {
        std::string kind = Lower(section->GetName());
        if (kind == "public") {
            ZBXMLElement* images = section->FindChild(u"images");
            if (!images)
                continue;
            for (ZBXMLElement* img : images->GetChildren()) {
                std::u16string rect = img->GetAttributeValue(u"rect");
                if (rect.empty())
                    continue; // the whole atlas
                Target t{Utf16ToUtf8(img->GetAttributeValue(u"name")), "", {}};
                if (!ParseRect(rect, t.rect))
                    errors.push_back("bad rect of image " + t.key);
                else
                    out.push_back(t);
            }
        } else if (kind == "windowskin") {
            for (ZBXMLElement* skin : section->GetChildren()) {
                std::string name = Utf16ToUtf8(skin->GetAttributeValue(u"name"));
                // Depth-first over the skin's elements, picking every
                // rectangle that lies in the atlas.
                std::vector<ZBXMLElement*> stack{skin};
                std::vector<Target> found;
                while (!stack.empty()) {
                    ZBXMLElement* e = stack.back();
                    stack.pop_back();
                    for (auto it = e->GetChildren().rbegin(); it != e->GetChildren().rend(); ++it)
                        stack.push_back(*it);
                    std::string el = Lower(e->GetName());
                    if (el == "part") {
                        std::string part = Utf16ToUtf8(e->GetAttributeValue(u"name"));
                        Target t{name + "/" + part, name + "/parts" + PartState(part), {}};
                        if (ParseRect(e->GetAttributeValue(u"rect"), t.rect))
                            found.push_back(t);
                        else
                            errors.push_back("bad rect of part " + t.key);
                    } else if (el == "anchor") {
                        std::string anchor = Utf16ToUtf8(e->GetAttributeValue(u"name"));
                        for (const char16_t* state : {u"normal", u"hover", u"down", u"disable"}) {
                            std::u16string v = e->GetAttributeValue(state);
                            if (v.empty())
                                continue;
                            Target t{name + "/" + anchor + "/" + Utf16ToUtf8(state), "", {}};
                            if (ParseRect(v, t.rect))
                                found.push_back(t);
                            else
                                errors.push_back("bad rect of " + t.key);
                        }
                    } else if (el == "expand" || el == "collapse" || el == "thumb") {
                        Target t{name + "/" + el, "", {}};
                        if (ParseRect(e->GetAttributeValue(u"rect"), t.rect))
                            found.push_back(t);
                    }
                }
                out.insert(out.end(), found.begin(), found.end());
            }
        }
    }
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: evd_atlasgen SKIN.xml OUT-DIR\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto root = ZBXMLElement::ParseBuffer(bytes.data(), bytes.size());
    if (!root || !EqualsIgnoreCase(root->GetName(), u"ZBSkin")) {
        std::fprintf(stderr, "evd_atlasgen: %s is not a skin file\n", argv[1]);
        return 1;
    }
    gfx::StartDrawing();
    std::vector<Target> targets;
    std::vector<std::string> errors;
    Collect(*root, targets, errors);

    const gfx::Rect atlasRect{0, 0, kAtlasWidth, kAtlasHeight};
    atlas::PainterMap painters = atlas::AllPainters();
    gfx::Bitmap atlasBitmap(kAtlasWidth, kAtlasHeight, 0);
    gfx::Canvas canvas(atlasBitmap);
    std::vector<gfx::Rect> painted;
    std::set<std::string> groupsDone;
    std::set<std::string> used;
    auto paint = [&](const std::string& key, const gfx::Rect& r) {
        canvas.Save();
        canvas.SetOrigin(r.left, r.top);
        canvas.ClipRect({0, 0, r.Width(), r.Height()});
        painters.at(key)(canvas, r.Width(), r.Height());
        canvas.Restore();
        used.insert(key);
    };
    // Group boxes: the bounding box of every part of one skin and state.
    std::map<std::string, gfx::Rect> groupBox;
    for (const Target& t : targets)
        if (!t.group.empty())
            groupBox[t.group] = groupBox[t.group].Union(t.rect);

    for (const Target& t : targets) {
        if (t.rect.Intersect(atlasRect) != t.rect) {
            errors.push_back(t.key + " leaves the atlas");
            continue;
        }
        bool same = false;
        for (const gfx::Rect& p : painted) {
            if (p == t.rect)
                same = true;
            else if (!p.Intersect(t.rect).IsEmpty())
                errors.push_back(t.key + " overlaps another picture");
        }
        if (same)
            continue; // a picture shared by several names
        if (painters.count(t.key)) {
            paint(t.key, t.rect);
        } else if (!t.group.empty() && painters.count(t.group)) {
            if (groupsDone.insert(t.group).second)
                paint(t.group, groupBox[t.group]);
        } else {
            errors.push_back("no painter for " + t.key);
            continue;
        }
        painted.push_back(t.rect);
    }
    for (const auto& [key, painter] : painters)
        if (!used.count(key))
            std::fprintf(stderr, "evd_atlasgen: note: painter %s is not used by the skin file\n",
                         key.c_str());
    if (!errors.empty()) {
        for (const std::string& e : errors)
            std::fprintf(stderr, "evd_atlasgen: %s\n", e.c_str());
        return 1;
    }

    std::string dir = argv[2];
    gfx::Point hot;
    gfx::Bitmap cursor = atlas::PaintResizeCursor(hot);
    std::vector<gfx::Bitmap> icons;
    for (int size : {16, 24, 32, 48, 64})
        icons.push_back(atlas::PaintAppIcon(size));
    if (!WriteFile(dir + "/atlas.png", gfx::EncodeImage(atlasBitmap)) ||
        !WriteFile(dir + "/main_icon.ico", gfx::EncodeIcon(icons)) ||
        !WriteFile(dir + "/resize.cur", gfx::EncodeIcon({cursor}, true, hot))) {
        std::fprintf(stderr, "evd_atlasgen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    std::printf("evd_atlasgen: %zu pictures painted into %s/atlas.png\n", painted.size(), dir.c_str());
    return 0;
}
