// The process-wide registry of embedded resource tables. Tables register
// from static constructors of the modules that carry them, which may run on
// any thread that loads a shared library, so the registry is guarded by a
// mutex. Lookups copy nothing: they hand out the module's own bytes.

#include "Resources.h"

#include <dlfcn.h>
#include <link.h>
#include <mutex>
#include <sys/auxv.h>

namespace vel::res {

namespace {

struct Registered {
    Module module;
    const Table* table;
};

struct Registry {
    std::mutex mutex;
    std::vector<Registered> tables; // registration order
};

Registry& TheRegistry()
{
    // Never destroyed: modules unregister from their own static destructors,
    // which may run after this file's statics would have been torn down.
    static Registry* registry = new Registry;
    return *registry;
}

bool TypeEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

Module ModuleOf(const void* address)
{
    Dl_info info {};
    if (!address || dladdr(address, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}

Module MainModule()
{
    // The program headers of the executable lie inside its first mapped
    // segment, so the module that holds them is the main program, whether
    // it is position-independent or not.
    static const Module main = ModuleOf(reinterpret_cast<const void*>(getauxval(AT_PHDR)));
    return main;
}

void Register(Module module, const Table* table)
{
    if (!table)
        return;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    for (const Registered& t : r.tables)
        if (t.table == table)
            return;
    r.tables.push_back({module, table});
}

void Unregister(const Table* table)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.tables, [table](const Registered& t) { return t.table == table; });
}

std::optional<std::span<const unsigned char>> Find(Module module, std::string_view type, uint32_t id)
{
    if (!module)
        module = MainModule();
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    for (const Registered& t : r.tables) {
        if (t.module != module)
            continue;
        for (size_t i = 0; i < t.table->count; ++i) {
            const Entry& e = t.table->entries[i];
            if (e.id == id && TypeEquals(e.type, type))
                return std::span<const unsigned char>(e.data, e.size);
        }
    }
    return std::nullopt;
}

std::vector<Listed> List(Module module)
{
    if (!module)
        module = MainModule();
    std::vector<Listed> out;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    for (const Registered& t : r.tables) {
        if (t.module != module)
            continue;
        for (size_t i = 0; i < t.table->count; ++i)
            out.push_back({t.table->entries[i].type, t.table->entries[i].id, t.table->entries[i].size});
    }
    return out;
}

} // namespace vel::res
