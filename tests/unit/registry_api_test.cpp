#include <gtest/gtest.h>

#include "doubles/memory_registry.h"
#include "shared/cRegistryAPI.h"

namespace ambrel {
namespace {

using testing::MemoryRegistry;

TEST(RegistryApi, CreateKeyJoinsItsTwoPartsAndRefusesAnEmptyPermanentPart) {
    MemoryRegistry mem;
    cRegistryAPI api(mem);
    RegHandle key = 77;
    EXPECT_FALSE(api.RegCreateKey(api.HKEY_CURRENT_USER(), "", "Options", key));
    EXPECT_EQ(key, 77);
    EXPECT_FALSE(mem.KeyExists(kRootCurrentUser, "Options"));

    ASSERT_TRUE(api.RegCreateKey(api.HKEY_CURRENT_USER(), "Software\\Ambrel 2.0", "\\Options", key));
    EXPECT_TRUE(mem.KeyExists(kRootCurrentUser, "Software\\Ambrel 2.0\\Options"));
    api.RegCloseKey(key);

    ASSERT_TRUE(api.RegCreateKey(api.HKEY_LOCAL_MACHINE(), "Software\\Ambrel 2.0", "", key));
    EXPECT_TRUE(mem.KeyExists(kRootLocalMachine, "Software\\Ambrel 2.0"));
    EXPECT_FALSE(mem.KeyExists(kRootLocalMachine, "Software\\Ambrel 2.0\\Options"));
    api.RegCloseKey(key);
    EXPECT_EQ(mem.OpenHandleCount(), 0u);
}

TEST(RegistryApi, RootsHaveTheirFixedValues) {
    MemoryRegistry mem;
    cRegistryAPI api(mem);
    EXPECT_EQ(static_cast<std::uint32_t>(api.HKEY_CLASSES_ROOT()), 0x80000000u);
    EXPECT_EQ(static_cast<std::uint32_t>(api.HKEY_CURRENT_USER()), 0x80000001u);
    EXPECT_EQ(static_cast<std::uint32_t>(api.HKEY_LOCAL_MACHINE()), 0x80000002u);
    EXPECT_EQ(static_cast<std::uint32_t>(api.HKEY_USERS()), 0x80000003u);
}

TEST(RegistryApi, FailuresLeaveTheOutputsAlone) {
    MemoryRegistry mem;
    cRegistryAPI api(mem);
    EXPECT_FALSE(api.RegSetStringValue(0, "Name", "x")) << "a handle of 0 is refused without a call";

    RegHandle key = 0;
    ASSERT_TRUE(api.RegCreateKey(api.HKEY_CURRENT_USER(), "Software\\T", "", key));
    ASSERT_TRUE(api.RegSetStringValue(key, "S", "text"));
    mem.Put(kRootCurrentUser, "Software\\T", "B", kRegBinary, {1, 2, 3});
    mem.Put(kRootCurrentUser, "Software\\T", "Long", kRegDword, {1, 2, 3, 4, 5, 6, 7, 8});

    std::string text = "before";
    std::int32_t number = 5;
    EXPECT_FALSE(api.RegQueryStringValue(key, "B", text));
    EXPECT_FALSE(api.RegQueryStringValue(key, "Missing", text));
    EXPECT_FALSE(api.RegQueryNumericValue(key, "S", number));
    EXPECT_FALSE(api.RegQueryNumericValue(key, "Long", number)) << "a longer value is not a number";
    EXPECT_EQ(text, "before");
    EXPECT_EQ(number, 5);

    std::string name = "kept";
    EXPECT_FALSE(api.RegEnumKey(key, 0, name));
    EXPECT_EQ(name, "kept");
    EXPECT_FALSE(api.RegEnumValue(key, 3, name));
    EXPECT_EQ(name, "kept");
    api.RegCloseKey(key);
}

TEST(RegistryApi, StringsAreStoredWithTheirTerminatorAndReadBackCutAtTheFirstZero) {
    MemoryRegistry mem;
    cRegistryAPI api(mem);
    RegHandle key = 0;
    ASSERT_TRUE(api.RegCreateKey(api.HKEY_CURRENT_USER(), "Software\\T", "", key));
    ASSERT_TRUE(api.RegSetStringValue(key, "S", "abc"));
    const auto* stored = mem.Find(kRootCurrentUser, "Software\\T", "S");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Type, kRegSz);
    EXPECT_EQ(stored->Data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));

    mem.Put(kRootCurrentUser, "Software\\T", "Embedded", kRegSz, {'o', 'n', 0, 'x', 0});
    mem.Put(kRootCurrentUser, "Software\\T", "Unterminated", kRegSz, {'r', 'a', 'w'});
    std::string text;
    ASSERT_TRUE(api.RegQueryStringValue(key, "Embedded", text));
    EXPECT_EQ(text, "on");
    ASSERT_TRUE(api.RegQueryStringValue(key, "Unterminated", text));
    EXPECT_EQ(text, "raw");
    EXPECT_EQ(CutAtTerminator(std::string("ab\0cd", 5)), "ab");
    api.RegCloseKey(key);
}

}  // namespace
}  // namespace ambrel
