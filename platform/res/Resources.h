#pragma once
// Resources embedded in a module (the executable or a shared library), found
// by type and numeric id, the way the suite's windows find their skin file
// ("xml" 3002), atlas ("png" 3001), icons, cursors, menus and dialog
// templates.
//
// A module is named by its handle: the base address at which the dynamic
// loader mapped its image, as an instance handle is on the platform the suite
// was written for. The bytes are compiled into the module by the CMake
// function vel_embed_resources (VelResources.cmake), which generates one
// source file per call holding the bytes and a table; a static object in that
// file enters the table into this process-wide registry when the module is
// loaded and takes it out again when the module is unloaded.
//
// Lookup: the module handle (VEL_RES_THIS_MODULE() in the code of the module
// itself, or ModuleOf(any address inside it)); a null handle means the main
// program. Type names compare without regard to ASCII letter case. When one
// module holds the same type and id twice, the first table registered wins.
// The registry is one per process because this library is a shared object:
// every module that embeds resources, the main program and shared libraries
// alike, registers with the same copy. The bytes stay valid while the module
// stays loaded; they are not NUL
// terminated for the caller (the generated array has a NUL after the last
// byte, which `size` does not count) and start on a 16-byte boundary.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

extern "C" void* __dso_handle __attribute__((visibility("hidden"))); // one per module, in its own image

#define VEL_RES_API __attribute__((visibility("default")))

namespace vel::res {

using Module = const void*;

// The handle of the module whose image contains `address`; null when the
// address lies in no loaded module.
VEL_RES_API Module ModuleOf(const void* address);
// The handle of the main program.
VEL_RES_API Module MainModule();

// The module the calling code was linked into. A macro, so that it expands
// in that module and not in whichever copy of an inline function the dynamic
// loader happens to pick.
#define VEL_RES_THIS_MODULE() (::vel::res::ModuleOf(&__dso_handle))

// One embedded resource, as the generated source file describes it.
struct Entry {
    const char* type;
    uint32_t id;
    const unsigned char* data;
    size_t size;
};

// The resources of one vel_embed_resources call.
struct Table {
    const char* name; // the CMake target the table was made for
    const Entry* entries;
    size_t count;
};

// Enters a table under a module (idempotent for the same table) and takes
// it out again. The generated code calls these through Registration.
VEL_RES_API void Register(Module module, const Table* table);
VEL_RES_API void Unregister(const Table* table);

class Registration {
public:
    Registration(Module module, const Table* table) : m_table(table) { Register(module, table); }
    ~Registration() { Unregister(m_table); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    const Table* m_table;
};

// The bytes of the resource of `type` and `id` in `module` (null: the main
// program), or nothing when the module holds no such resource.
VEL_RES_API std::optional<std::span<const unsigned char>> Find(Module module, std::string_view type, uint32_t id);

struct Listed {
    std::string type;
    uint32_t id;
    size_t size;
};
// Every resource a module holds, in registration order (for diagnostics and
// tools that enumerate, such as an icon viewer).
VEL_RES_API std::vector<Listed> List(Module module);

} // namespace vel::res
