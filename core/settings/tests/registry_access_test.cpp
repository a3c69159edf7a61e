// The registry wrappers over a real registry in a temporary device root.
#include <gtest/gtest.h>

#include <cstring>

#include "core/settings/registry_access.h"
#include "platform/fs/tests/test_support.h"
#include "platform/text/utf.h"

namespace {

class RegistryAccess : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"regaccess"};
    std::unique_ptr<CRegKey> key_ = CRegistry().OpenKey(plat::hkey_current_user(), u"A\\B", true);
};

TEST_F(RegistryAccess, OpenWithAndWithoutCreate) {
    ASSERT_TRUE(key_);
    EXPECT_FALSE(CRegistry().OpenKey(plat::hkey_current_user(), u"A\\Missing", false));
    EXPECT_TRUE(CRegistry().OpenKey(plat::hkey_current_user(), u"a\\b", false));
    EXPECT_FALSE(key_->OpenSubKey(u"C", false));
    auto sub = key_->OpenSubKey(u"C", true);
    ASSERT_TRUE(sub);
    EXPECT_TRUE(CRegistry().OpenKey(plat::hkey_current_user(), u"A\\B\\C", false));
    EXPECT_FALSE(CRegistry().OpenKey(plat::hkey_local_machine(), u"A", false))
        << "the hives are apart";
}

TEST_F(RegistryAccess, ValuesByTypeAndSize) {
    EXPECT_FALSE(key_->QueryValue(u"Nothing"));

    uint32_t number = 0x12345678;
    ASSERT_TRUE(key_->SetValue(u"Word", plat::REG_DWORD, &number, sizeof number));
    auto word = key_->QueryValue(u"word");
    ASSERT_TRUE(word);
    EXPECT_TRUE(word->IsDword());
    EXPECT_FALSE(word->IsBinary() || word->IsString());
    EXPECT_EQ(word->GetSize(), 4u);
    EXPECT_EQ(word->GetDword(), 0x12345678u);
    EXPECT_FALSE(key_->SetValue(u"Null", plat::REG_DWORD, nullptr, 4));

    // 8-bit text: the low byte of each character and one zero byte.
    ASSERT_TRUE(key_->SetString(u"Narrow", plat::REG_BINARY, u"ab\u03a9"));
    auto narrow = key_->QueryValue(u"Narrow");
    ASSERT_TRUE(narrow);
    EXPECT_TRUE(narrow->IsBinary());
    ASSERT_EQ(narrow->GetSize(), 4u);
    EXPECT_EQ(std::memcmp(narrow->GetData(), "ab\xa9\0", 4), 0);
    EXPECT_EQ(narrow->GetNarrowText(), u"ab\u00a9");

    // Wide text keeps its terminator: 2 x (length + 1) bytes.
    ASSERT_TRUE(key_->SetString(u"Wide", plat::REG_SZ, u"x\u03a9z"));
    auto wide = key_->QueryValue(u"Wide");
    ASSERT_TRUE(wide);
    EXPECT_TRUE(wide->IsString());
    EXPECT_EQ(wide->GetSize(), 8u);
    EXPECT_EQ(wide->GetText(), u"x\u03a9z");

    // The whole of a long value comes back, by name and by index.
    std::vector<uint8_t> big(1000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
    auto kept = key_->CreateValue(u"Big", plat::REG_BINARY, uint32_t(big.size()), big.data(), true);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->GetName(), u"Big");
    EXPECT_FALSE(key_->CreateValue(u"Small", plat::REG_BINARY, 1, big.data(), false));
    EXPECT_TRUE(key_->QueryValue(u"Small"));
    auto queried = key_->QueryValue(u"Big");
    ASSERT_TRUE(queried);
    EXPECT_EQ(std::vector<uint8_t>(queried->GetData(), queried->GetData() + queried->GetSize()),
              big);
    EXPECT_EQ(key_->GetValueCount(), 5u);
    std::unique_ptr<CRegValue> byIndex;
    for (uint32_t i = 0; auto v = key_->EnumValue(i); ++i)
        if (v->GetName() == u"Big") byIndex = std::move(v);
    ASSERT_TRUE(byIndex);
    EXPECT_EQ(byIndex->GetSize(), 1000u);
    EXPECT_FALSE(key_->EnumValue(5));

    key_->DeleteValue(*queried);
    EXPECT_FALSE(key_->QueryValue(u"Big"));
    EXPECT_EQ(key_->GetValueCount(), 4u);
}

TEST_F(RegistryAccess, SubKeysByIndexAndWholeNameExistence) {
    for (auto name : {u"Ports", u"PortsX", u"Pagejet Inkjet"}) key_->OpenSubKey(name, true);
    EXPECT_EQ(key_->GetSubKeyCount(), 3u);
    EXPECT_EQ(key_->EnumSubKey(0), u"Ports");
    EXPECT_EQ(key_->EnumSubKey(2), u"Pagejet Inkjet");
    EXPECT_FALSE(key_->EnumSubKey(3));

    struct Case {
        const char16_t* name;
        bool exists;
    };
    for (auto [name, exists] :
         {Case{u"Ports", true}, Case{u"PORTS", true}, Case{u"Port", false}, Case{u"PortsXY", false},
          Case{u"pagejet inkjet", true}, Case{u"Pagejet", false}, Case{u"", false}})
        EXPECT_EQ(CRegistry().KeyExists(key_->Handle(), name), exists) << plat::to_utf8(name);

    EXPECT_TRUE(key_->DeleteSubKey(u"PortsX"));
    EXPECT_FALSE(CRegistry().KeyExists(key_->Handle(), u"PortsX"));
    EXPECT_EQ(key_->GetSubKeyCount(), 2u);
}

TEST_F(RegistryAccess, DeletedKeyCountsNothing) {
    auto parent = CRegistry().OpenKey(plat::hkey_current_user(), u"A", false);
    ASSERT_TRUE(parent);
    key_->SetString(u"V", plat::REG_SZ, u"v");
    ASSERT_TRUE(parent->DeleteSubKey(u"B"));
    EXPECT_EQ(key_->GetValueCount(), 0u);
    EXPECT_EQ(key_->GetSubKeyCount(), 0u);
    EXPECT_FALSE(key_->QueryValue(u"V"));
    EXPECT_FALSE(key_->SetString(u"V", plat::REG_SZ, u"v"));
}

}  // namespace
