#include "evidence/skin/ZBSkinLoader.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace vel;

namespace {

const std::string& Folder()
{
    static const std::string dir = [] {
        std::string d = std::filesystem::temp_directory_path().string() + "/vel-fuzz-skin-" + std::to_string(getpid());
        std::filesystem::create_directories(d + "/0409");
        return d;
    }();
    return dir;
}

void Visit(const ZBSkinLoader& loader, const ZBXMLElement& e, int depth)
{
    if (depth > 32)
        return;
    for (auto* a : e.GetAttributes()) {
        gfx::Size size;
        gfx::Rect rect;
        gfx::Color color;
        loader.ReadSize(a->GetValue(), size);
        loader.ReadRect(a->GetValue(), rect);
        loader.ReadColor(a->GetValue(), color);
        loader.ExpandStrings(a->GetValue());
        gfx::Font* font = nullptr;
        ZBMenu* menu = nullptr;
        _ZB_IMAGEEX* image = nullptr;
        loader.GetFont(a->GetValue(), font);
        loader.GetMenu(a->GetValue(), menu);
        loader.GetImage(a->GetValue(), image);
    }
    loader.MakeFont(e);
    loader.MakeMenu(e);
    for (auto* c : e.GetChildren())
        Visit(loader, *c, depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = Folder() + "/0409/skin.xml";
    if (FILE* f = fopen(path.c_str(), "wb")) {
        fwrite(data, 1, size, f);
        fclose(f);
    }
    ZBSkinLoader& loader = ZBSkinLoader::Shared();
    loader.LoadPublicFromFolder(nullptr, fs::FromHost(Folder()), 0x0409);
    if (auto doc = ZBXMLElement::ParseBuffer(data, size))
        Visit(loader, *doc, 0);
    loader.Clear();
    return 0;
}
