#include "Clipboard.h"

#include "platform/base/Strings.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace vel::gui {

namespace {

struct State
{
    std::mutex mu;
    bool open = false;
    WindowHandle owner = 0;
    std::map<uint32_t, std::string> data;
    std::vector<std::u16string> names;
};

State& S()
{
    static State* s = new State;
    return *s;
}

} // namespace

bool Clipboard::Open(WindowHandle owner)
{
    std::lock_guard<std::mutex> g(S().mu);
    if (S().open)
        return false;
    S().open = true;
    S().owner = owner;
    return true;
}

void Clipboard::Close()
{
    std::lock_guard<std::mutex> g(S().mu);
    S().open = false;
    S().owner = 0;
}

bool Clipboard::Empty()
{
    std::lock_guard<std::mutex> g(S().mu);
    if (!S().open)
        return false;
    S().data.clear();
    return true;
}

bool Clipboard::SetData(uint32_t format, std::string bytes)
{
    std::lock_guard<std::mutex> g(S().mu);
    if (!S().open)
        return false;
    S().data[format] = std::move(bytes);
    return true;
}

std::optional<std::string> Clipboard::GetData(uint32_t format)
{
    std::lock_guard<std::mutex> g(S().mu);
    if (!S().open)
        return std::nullopt;
    auto it = S().data.find(format);
    if (it == S().data.end())
        return std::nullopt;
    return it->second;
}

bool Clipboard::HasFormat(uint32_t format)
{
    std::lock_guard<std::mutex> g(S().mu);
    return S().data.count(format) != 0;
}

uint32_t Clipboard::RegisterFormat(std::u16string_view name)
{
    std::lock_guard<std::mutex> g(S().mu);
    auto& names = S().names;
    for (size_t i = 0; i < names.size(); ++i)
        if (EqualsIgnoreCase(names[i], name))
            return uint32_t(0xC000 + i);
    names.emplace_back(name);
    return uint32_t(0xC000 + names.size() - 1);
}

bool Clipboard::SetText(std::u16string_view text, WindowHandle owner)
{
    if (!Open(owner))
        return false;
    Empty();
    std::string bytes((text.size() + 1) * sizeof(char16_t), '\0');
    std::memcpy(bytes.data(), text.data(), text.size() * sizeof(char16_t));
    SetData(kCfUnicodeText, std::move(bytes));
    Close();
    return true;
}

std::optional<std::u16string> Clipboard::GetText(WindowHandle owner)
{
    if (!Open(owner))
        return std::nullopt;
    auto bytes = GetData(kCfUnicodeText);
    Close();
    if (!bytes)
        return std::nullopt;
    std::u16string text(bytes->size() / sizeof(char16_t), u'\0');
    std::memcpy(text.data(), bytes->data(), text.size() * sizeof(char16_t));
    size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos)
        text.resize(nul);
    return text;
}

} // namespace vel::gui
