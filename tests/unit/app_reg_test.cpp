#include <gtest/gtest.h>

#include "doubles/memory_registry.h"
#include "shared/cAppRegAPI.h"

namespace ambrel {
namespace {

using testing::MemoryRegistry;

const std::string kPath = "Software\\Ambrel 2.0\\Options";

class AppReg : public ::testing::Test {
protected:
    MemoryRegistry mem;
    cAppRegAPI store{mem, "Ambrel 2.0"};
};

TEST_F(AppReg, FirstReadCreatesTheKeyAndStoresTheDefault) {
    EXPECT_EQ(store.GetStringSetting(kRootLocalMachine, "Options", "RunCommands", "C"), "C");
    const auto* v = mem.Find(kRootLocalMachine, kPath, "RunCommands");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Type, kRegSz);

    EXPECT_EQ(store.GetNumericSetting(kRootCurrentUser, "Options", "PowerOff", 0, -1, -1), 0);
    v = mem.Find(kRootCurrentUser, kPath, "PowerOff");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Type, kRegDword);

    // Now present: read as stored, nothing rewritten.
    mem.PutString(kRootLocalMachine, kPath, "RunCommands", "B");
    EXPECT_EQ(store.GetStringSetting(kRootLocalMachine, "Options", "RunCommands", "C"), "B");
    EXPECT_EQ(mem.OpenHandleCount(), 0u) << "every key is closed again";
}

TEST_F(AppReg, NumbersOutOfRangeFallBackToTheDefaultInTheRegistryToo) {
    mem.PutDword(kRootLocalMachine, kPath, "ShutdownOption", 7);
    EXPECT_EQ(store.GetNumericSetting(kRootLocalMachine, "Options", "ShutdownOption", 1, 1, 3), 1);
    EXPECT_EQ(mem.Find(kRootLocalMachine, kPath, "ShutdownOption")->Data,
              (std::vector<std::uint8_t>{1, 0, 0, 0}));

    mem.PutDword(kRootLocalMachine, kPath, "N", static_cast<std::uint32_t>(-40));
    EXPECT_EQ(store.GetNumericSetting(kRootLocalMachine, "Options", "N", 0, -1, -1), -40) << "no bounds";
    EXPECT_EQ(store.GetNumericSetting(kRootLocalMachine, "Options", "N", 3, 0, -1), 3) << "only a low bound";
    mem.PutDword(kRootLocalMachine, kPath, "N", 50);
    EXPECT_EQ(store.GetNumericSetting(kRootLocalMachine, "Options", "N", 3, -1, 10), 3) << "only a high bound";
    mem.PutDword(kRootLocalMachine, kPath, "N", 10);
    EXPECT_EQ(store.GetNumericSetting(kRootLocalMachine, "Options", "N", 3, 1, 10), 10) << "bounds included";
}

TEST_F(AppReg, AValueOfTheWrongTypeIsReplacedByTheDefault) {
    mem.PutDword(kRootCurrentUser, kPath, "LogDir", 12);
    EXPECT_EQ(store.GetStringSetting(kRootCurrentUser, "Options", "LogDir", "C:\\x.log"), "C:\\x.log");
    EXPECT_EQ(mem.Find(kRootCurrentUser, kPath, "LogDir")->Type, kRegSz);

    mem.PutString(kRootCurrentUser, kPath, "ForceLogoff", "-1");
    EXPECT_EQ(store.GetNumericSetting(kRootCurrentUser, "Options", "ForceLogoff", 0, -1, -1), 0);
    EXPECT_EQ(mem.Find(kRootCurrentUser, kPath, "ForceLogoff")->Type, kRegDword);
}

TEST_F(AppReg, AnUnwritableRootGivesEmptyTextsDefaultNumbersAndFalseSetters) {
    mem.DenyWrites(kRootLocalMachine);
    EXPECT_EQ(store.GetStringSetting(kRootLocalMachine, "Options", "QueryClose", "T"), "")
        << "the key can be neither opened nor created";
    EXPECT_EQ(store.GetNumericSetting(kRootLocalMachine, "Options", "PowerOff", -1, -1, -1), -1);
    EXPECT_FALSE(store.SetStringSetting(kRootLocalMachine, "Options", "QueryClose", "T"));
    EXPECT_FALSE(store.SetNumericSetting(kRootLocalMachine, "Options", "PowerOff", 0));
    EXPECT_FALSE(mem.KeyExists(kRootLocalMachine, kPath));

    // The key exists but the value cannot be written: the default is still the answer.
    mem.PutString(kRootLocalMachine, kPath, "Other", "x");
    EXPECT_EQ(store.GetStringSetting(kRootLocalMachine, "Options", "QueryClose", "T"), "T");
    EXPECT_EQ(mem.Find(kRootLocalMachine, kPath, "QueryClose"), nullptr);
}

TEST_F(AppReg, SettersCreateTheKeyAndTheSoftwareKeyCanBeReplaced) {
    EXPECT_TRUE(store.SetStringSetting(kRootCurrentUser, "Options", "RunMinimized", "T"));
    EXPECT_TRUE(store.SetNumericSetting(kRootCurrentUser, "Options", "PowerOff", -1));
    EXPECT_EQ(mem.Find(kRootCurrentUser, kPath, "PowerOff")->Data,
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    store.SoftwareKey("Other App");
    EXPECT_TRUE(store.SetStringSetting(kRootCurrentUser, "Sub", "V", "1"));
    EXPECT_TRUE(mem.KeyExists(kRootCurrentUser, "Software\\Other App\\Sub"));
    EXPECT_EQ(mem.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace ambrel
