#include "platform/res/Resources.h"
#include "support/Sandbox.h"

#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace vel;

extern "C" const void* ResFixtureModule(); // from test_res_shared_fixture

namespace {

std::string ReadFixture(const std::string& name)
{
    std::ifstream in(std::string(VEL_RES_TEST_DATA) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Bytes(std::span<const unsigned char> s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size()); }

} // namespace

TEST(Resources, EmbeddedBytesAreTheFilesBytes)
{
    struct Case {
        const char* type;
        uint32_t id;
        const char* file;
    } cases[] = {
        {"txt", 1, "hello.txt"},
        {"bin", 2, "bytes.bin"}, // every byte value, NULs, quotes, backslash, octal-looking digits
        {"empty", 3, "empty.txt"},
        {"PNG", 3001, "hello.txt"}, // type names ignore case
        {"Xml", 3002, "static.xml"}, // from a static library linked into the program
    };
    for (const Case& c : cases) {
        auto r = res::Find(nullptr, c.type, c.id);
        ASSERT_TRUE(r.has_value()) << c.type << " " << c.id;
        EXPECT_EQ(Bytes(*r), ReadFixture(c.file)) << c.type << " " << c.id;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(r->data()) % 16, 0u) << c.type;
    }
    EXPECT_EQ(ReadFixture("bytes.bin").size(), 520u); // the fixture itself is what we think
}

TEST(Resources, MissingTypeIdOrModuleFindsNothing)
{
    EXPECT_FALSE(res::Find(nullptr, "txt", 2).has_value());
    EXPECT_FALSE(res::Find(nullptr, "tx", 1).has_value());
    EXPECT_FALSE(res::Find(nullptr, "txtx", 1).has_value());
    EXPECT_FALSE(res::Find(nullptr, "", 1).has_value());
    EXPECT_FALSE(res::Find(ResFixtureModule(), "bin", 2).has_value());
    int local = 0;
    EXPECT_FALSE(res::Find(&local, "txt", 1).has_value()); // a stack address is no module
}

TEST(Resources, ModulesAreToldApart)
{
    const res::Module main = res::MainModule();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(VEL_RES_THIS_MODULE(), main);
    EXPECT_EQ(res::ModuleOf(reinterpret_cast<const void*>(&ReadFixture)), main);
    EXPECT_EQ(res::ModuleOf(nullptr), nullptr);

    const res::Module shared = ResFixtureModule();
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(shared, main);
    EXPECT_EQ(res::ModuleOf(reinterpret_cast<const void*>(&ResFixtureModule)), shared);
    // The same type and id in two modules: each module sees its own.
    auto inShared = res::Find(shared, "txt", 1);
    ASSERT_TRUE(inShared.has_value());
    EXPECT_EQ(Bytes(*inShared), ReadFixture("shared.txt"));
    EXPECT_EQ(Bytes(*res::Find(main, "txt", 1)), ReadFixture("hello.txt"));

    auto listed = res::List(shared);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].type, "txt");
    EXPECT_EQ(listed[0].id, 1u);
    EXPECT_EQ(listed[0].size, ReadFixture("shared.txt").size());
    EXPECT_EQ(res::List(main).size(), 5u);
}

TEST(Resources, LoadedModuleRegistersAndUnloadedOneLeaves)
{
    void* h = dlopen(VEL_RES_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    auto moduleOf = reinterpret_cast<const void* (*)()>(dlsym(h, "ResFixtureModule"));
    ASSERT_NE(moduleOf, nullptr);
    const res::Module plugin = moduleOf();
    ASSERT_NE(plugin, nullptr);
    EXPECT_NE(plugin, ResFixtureModule());
    auto r = res::Find(plugin, "txt", 7);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(Bytes(*r), ReadFixture("shared.txt"));
    ASSERT_EQ(dlclose(h), 0);
    EXPECT_FALSE(res::Find(plugin, "txt", 7).has_value());
    EXPECT_TRUE(res::List(plugin).empty());
}

TEST(Resources, GeneratorRefusesBadInput)
{
    vel::test::Sandbox box;
    const std::string gen = VEL_RESGEN;
    const std::string out = box.Root() + "/out.cpp";
    const std::string data = VEL_RES_TEST_DATA;
    struct Case {
        std::string args;
        int rc;
    } cases[] = {
        {"", 2},                                                        // no table name
        {"t txt 1", 2},                                                 // incomplete triple
        {"t 'x\"y' 1 " + data + "/hello.txt", 2},                       // type that would break the source
        {"t txt one " + data + "/hello.txt", 2},                        // id not a number
        {"t txt 99999999999 " + data + "/hello.txt", 2},                // id past 32 bits
        {"t txt 1 " + data + "/missing.txt", 1},                        // unreadable file
        {"t txt 1 " + data + "/hello.txt txt 1 " + data + "/bytes.bin", 2}, // listed twice
        {"t txt 1 " + data + "/hello.txt txt 0x10 " + data + "/bytes.bin", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vel::test::RunCommand(gen + " " + out + " " + c.args + " 2>/dev/null"), c.rc) << c.args;
}
