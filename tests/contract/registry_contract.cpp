// Every case works below its own scratch key and removes it afterwards, so the
// suite leaves the registry as it found it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "contract/registry_contract.h"
#include "shared/cRegistryAPI.h"

namespace ambrel::testing {
namespace {

const std::string kScratch = "Software\\AmbrelContractScratch";

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        reg = MakeContractRegistry();
        DeleteTree(kRootCurrentUser, kScratch);
        ASSERT_EQ(reg->CreateKey(kRootCurrentUser, kScratch, scratch), kErrorSuccess);
    }
    void TearDown() override {
        if (scratch) reg->CloseKey(scratch);
        DeleteTree(kRootCurrentUser, kScratch);
    }

    // RegDeleteKeyA only removes keys without sub-keys, so go depth first.
    void DeleteTree(RegHandle root, const std::string& path) {
        RegHandle key = 0;
        if (reg->OpenKey(root, path, key) != kErrorSuccess) return;
        std::vector<std::string> children;
        char name[300];
        for (std::uint32_t i = 0; reg->EnumKey(key, i, name, sizeof name) == kErrorSuccess; ++i)
            children.emplace_back(name);
        reg->CloseKey(key);
        for (const auto& child : children) DeleteTree(root, path + "\\" + child);
        reg->DeleteKey(root, path);
    }

    long SetString(RegHandle key, const std::string& name, const std::string& text) {
        return reg->SetValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1));
    }
    long SetDword(RegHandle key, const std::string& name, std::uint32_t v) {
        std::uint8_t data[4];
        std::memcpy(data, &v, 4);
        return reg->SetValue(key, name, kRegDword, data, 4);
    }

    std::unique_ptr<IRegistryBackend> reg;
    RegHandle scratch = 0;
};

TEST_F(RegistryContract, CreateMakesEveryMissingKeyAlongThePathAndOpenFindsThemInAnyCase) {
    RegHandle deep = 0;
    ASSERT_EQ(reg->CreateKey(kRootCurrentUser, kScratch + "\\One\\Two\\Three", deep), kErrorSuccess);
    EXPECT_NE(deep, 0);
    EXPECT_EQ(reg->CloseKey(deep), kErrorSuccess);

    RegHandle middle = 0;
    EXPECT_EQ(reg->OpenKey(kRootCurrentUser, kScratch + "\\one\\TWO", middle), kErrorSuccess);
    EXPECT_EQ(reg->CloseKey(middle), kErrorSuccess);

    RegHandle relative = 0;
    EXPECT_EQ(reg->OpenKey(scratch, "One\\Two\\Three", relative), kErrorSuccess);
    EXPECT_EQ(reg->CloseKey(relative), kErrorSuccess);

    RegHandle missing = 12345;
    EXPECT_EQ(reg->OpenKey(kRootCurrentUser, kScratch + "\\One\\Nope", missing), kErrorFileNotFound);
    EXPECT_EQ(missing, 12345) << "a failed open leaves the handle alone";

    // Creating an existing key opens it.
    RegHandle again = 0;
    EXPECT_EQ(reg->CreateKey(kRootCurrentUser, kScratch + "\\One", again), kErrorSuccess);
    reg->CloseKey(again);
}

TEST_F(RegistryContract, StringValuesReportTypeAndSizeAndNeedABigEnoughBuffer) {
    ASSERT_EQ(SetString(scratch, "Title", "Shut Down Windows"), kErrorSuccess);

    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(reg->QueryValue(scratch, "Title", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_GE(size, 18u) << "the size counts the terminating zero";

    std::vector<std::uint8_t> small(5);
    std::uint32_t smallSize = 5;
    EXPECT_EQ(reg->QueryValue(scratch, "Title", &type, small.data(), &smallSize), kErrorMoreData);
    EXPECT_GE(smallSize, 18u);

    std::vector<std::uint8_t> buffer(size, ' ');
    std::uint32_t got = size;
    ASSERT_EQ(reg->QueryValue(scratch, "title", &type, buffer.data(), &got), kErrorSuccess)
        << "value names are not case-sensitive";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data())), "Shut Down Windows");

    ASSERT_EQ(SetString(scratch, "Empty", ""), kErrorSuccess);
    ASSERT_EQ(reg->QueryValue(scratch, "Empty", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 1u);

    EXPECT_EQ(reg->QueryValue(scratch, "Missing", &type, nullptr, &size), kErrorFileNotFound);

    // Writing again replaces value and type.
    ASSERT_EQ(SetDword(scratch, "Title", 7), kErrorSuccess);
    ASSERT_EQ(reg->QueryValue(scratch, "Title", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);
}

TEST_F(RegistryContract, NumbersAndOtherTypesKeepTheirTypeAndLength) {
    ASSERT_EQ(SetDword(scratch, "Number", 0xFFFFFFFFu), kErrorSuccess);
    std::uint8_t data[4] = {};
    std::uint32_t type = 0, size = 4;
    ASSERT_EQ(reg->QueryValue(scratch, "Number", &type, data, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0] & data[1] & data[2] & data[3], 0xFF);

    const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(reg->SetValue(scratch, "Blob", kRegBinary, eight, 8), kErrorSuccess);
    size = 4;
    EXPECT_EQ(reg->QueryValue(scratch, "Blob", &type, data, &size), kErrorMoreData);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(size, 8u);

    const char expand[] = "%TEMP%";
    ASSERT_EQ(reg->SetValue(scratch, "Expand", kRegExpandSz, reinterpret_cast<const std::uint8_t*>(expand),
                            sizeof expand),
              kErrorSuccess);
    size = 0;
    ASSERT_EQ(reg->QueryValue(scratch, "Expand", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegExpandSz);
}

TEST_F(RegistryContract, EnumerationWalksKeysInNameOrderAndValuesByIndexThenStops) {
    for (const char* name : {"Gamma", "alpha", "Beta"}) {
        RegHandle k = 0;
        ASSERT_EQ(reg->CreateKey(scratch, name, k), kErrorSuccess);
        reg->CloseKey(k);
    }
    std::vector<std::string> keys;
    char name[300];
    std::uint32_t i = 0;
    for (; reg->EnumKey(scratch, i, name, sizeof name) == kErrorSuccess; ++i) keys.emplace_back(name);
    EXPECT_EQ(keys, (std::vector<std::string>{"alpha", "Beta", "Gamma"}));
    EXPECT_EQ(reg->EnumKey(scratch, i, name, sizeof name), kErrorNoMoreItems);
    EXPECT_EQ(reg->EnumKey(scratch, 0, name, 4), kErrorMoreData) << "\"alpha\" needs 6 characters";

    ASSERT_EQ(SetString(scratch, "First", "1"), kErrorSuccess);
    ASSERT_EQ(SetDword(scratch, "Second", 2), kErrorSuccess);
    std::set<std::string> values;
    std::uint32_t v = 0;
    for (;; ++v) {
        std::uint32_t nameSize = sizeof name;
        std::uint8_t data[500];
        std::uint32_t dataSize = sizeof data, type = 0;
        long status = reg->EnumValue(scratch, v, name, &nameSize, &type, data, &dataSize);
        if (status != kErrorSuccess) {
            EXPECT_EQ(status, kErrorNoMoreItems);
            break;
        }
        EXPECT_EQ(nameSize, std::strlen(name));
        values.insert(name);
    }
    EXPECT_EQ(values, (std::set<std::string>{"First", "Second"}));

    // A value whose data does not fit the buffer, or whose name does not fit.
    std::vector<std::uint8_t> big(600, 'x');
    big.back() = 0;
    ASSERT_EQ(reg->SetValue(scratch, "Big", kRegSz, big.data(), 600), kErrorSuccess);
    bool sawMoreData = false;
    for (std::uint32_t k = 0; k < 3; ++k) {
        std::uint32_t nameSize = sizeof name;
        std::uint8_t data[500];
        std::uint32_t dataSize = sizeof data, type = 0;
        if (reg->EnumValue(scratch, k, name, &nameSize, &type, data, &dataSize) == kErrorMoreData)
            sawMoreData = true;
    }
    EXPECT_TRUE(sawMoreData);
}

TEST_F(RegistryContract, DeletingValuesAndKeys) {
    ASSERT_EQ(SetString(scratch, "Gone", "x"), kErrorSuccess);
    EXPECT_EQ(reg->DeleteValue(scratch, "gone"), kErrorSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(reg->QueryValue(scratch, "Gone", nullptr, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(reg->DeleteValue(scratch, "Gone"), kErrorFileNotFound);

    RegHandle k = 0;
    ASSERT_EQ(reg->CreateKey(scratch, "Parent\\Child", k), kErrorSuccess);
    reg->CloseKey(k);
    EXPECT_NE(reg->DeleteKey(scratch, "Parent"), kErrorSuccess) << "a key with sub-keys stays";
    EXPECT_EQ(reg->DeleteKey(scratch, "Parent\\Child"), kErrorSuccess);
    EXPECT_EQ(reg->DeleteKey(scratch, "Parent"), kErrorSuccess);
    EXPECT_EQ(reg->OpenKey(scratch, "Parent", k), kErrorFileNotFound);
    EXPECT_EQ(reg->DeleteKey(scratch, "Parent"), kErrorFileNotFound);
}

TEST_F(RegistryContract, HandlesOpenCloseAndTheRootsNeedNoClosing) {
    RegHandle same = 0;
    EXPECT_EQ(reg->OpenKey(scratch, "", same), kErrorSuccess) << "an empty sub-key opens the key itself";
    EXPECT_EQ(reg->CloseKey(kRootCurrentUser), kErrorSuccess);
    RegHandle software = 0;
    ASSERT_EQ(reg->OpenKey(kRootLocalMachine, "Software", software), kErrorSuccess);
    EXPECT_EQ(reg->CloseKey(software), kErrorSuccess);
}

// The same, one level up: what the registry class makes of it.
TEST_F(RegistryContract, RegistryClassReadsOnlyItsTwoTypesAndCutsAtTheTerminator) {
    cRegistryAPI api(*reg);
    ASSERT_TRUE(api.RegSetStringValue(scratch, "Text", "abc"));
    ASSERT_TRUE(api.RegSetNumericValue(scratch, "Number", -1));
    std::string text = "unchanged";
    std::int32_t number = 42;
    EXPECT_TRUE(api.RegQueryStringValue(scratch, "Text", text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(api.RegQueryNumericValue(scratch, "Number", number));
    EXPECT_EQ(number, -1);

    text = "unchanged";
    number = 42;
    EXPECT_FALSE(api.RegQueryStringValue(scratch, "Number", text));
    EXPECT_FALSE(api.RegQueryNumericValue(scratch, "Text", number));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 42);

    const char expand[] = "%PATH%";
    reg->SetValue(scratch, "Expand", kRegExpandSz, reinterpret_cast<const std::uint8_t*>(expand), sizeof expand);
    EXPECT_FALSE(api.RegQueryStringValue(scratch, "Expand", text));

    ASSERT_TRUE(api.RegSetStringValue(scratch, "Empty", ""));
    EXPECT_TRUE(api.RegQueryStringValue(scratch, "Empty", text));
    EXPECT_EQ(text, "");

    RegHandle created = 0;
    ASSERT_TRUE(api.RegCreateKey(kRootCurrentUser, kScratch, "\\Ambrel 2.0\\Options", created));
    api.RegCloseKey(created);
    RegHandle opened = 0;
    EXPECT_TRUE(api.RegOpenKey(kRootCurrentUser, kScratch + "\\Ambrel 2.0\\Options", opened));
    api.RegCloseKey(opened);

    // A 299-character name fits the 300-character buffer, a 300-character one does not.
    RegHandle k = 0;
    ASSERT_EQ(reg->CreateKey(scratch, "Names", k), kErrorSuccess);
    ASSERT_TRUE(api.RegSetStringValue(k, std::string(250, 'n'), "v"));
    std::string name;
    EXPECT_TRUE(api.RegEnumValue(k, 0, name));
    EXPECT_EQ(name, std::string(250, 'n'));
    EXPECT_FALSE(api.RegEnumValue(k, 1, name));
    EXPECT_EQ(name, std::string(250, 'n'));
    ASSERT_TRUE(api.RegSetStringValue(k, std::string(300, 'm'), "v"));
    std::set<std::string> seen;
    for (std::int32_t i = 0; api.RegEnumValue(k, i, name); ++i) seen.insert(name);
    EXPECT_EQ(seen.count(std::string(300, 'm')), 0u) << "a 300-character name does not fit the buffer";
    reg->CloseKey(k);
}

}  // namespace
}  // namespace ambrel::testing
