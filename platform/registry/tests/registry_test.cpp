#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_tree.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using celvane_test::slurp;

class Registry : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"registry"};
};

TEST_F(Registry, CreateOpenQueryAndCaseInsensitiveNames) {
    RegKey key;
    bool created = false;
    ASSERT_EQ(hkey_current_user().create(u"Vorn Electronic\\Tarnwick", key, &created),
              ERROR_SUCCESS);
    EXPECT_TRUE(created);
    EXPECT_EQ(hkey_current_user().create(u"vorn electronic\\TARNWICK", key, &created),
              ERROR_SUCCESS);
    EXPECT_FALSE(created);
    EXPECT_EQ(key.path(), u"vorn electronic\\TARNWICK");

    RegKey missing;
    EXPECT_EQ(hkey_current_user().open(u"Vorn Electronic\\Other", missing), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(missing);
    EXPECT_EQ(get_last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(hkey_local_machine().open(u"Vorn Electronic", missing), ERROR_FILE_NOT_FOUND)
        << "the hives are apart";

    EXPECT_EQ(key.set_dword(u"Contrast", 100), ERROR_SUCCESS);
    EXPECT_EQ(key.set_string(u"DspFile", u"DspImage.bin"), ERROR_SUCCESS);
    RegKey again;
    ASSERT_EQ(hkey_current_user().open(u"VORN ELECTRONIC\\tarnwick", again), ERROR_SUCCESS);
    EXPECT_EQ(again.get_dword(u"contrast"), 100u);

    uint32_t type = 0, size = 0;
    EXPECT_EQ(again.query_value(u"DSPFILE", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, (12u + 1) * 2) << "a string's size counts its terminator";
    char16_t small[4];
    uint32_t small_size = sizeof small;
    EXPECT_EQ(again.query_value(u"DspFile", &type, small, &small_size), ERROR_MORE_DATA);
    EXPECT_EQ(small_size, 26u);
    char16_t text[32];
    uint32_t text_size = sizeof text;
    EXPECT_EQ(again.query_value(u"DspFile", &type, text, &text_size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), u"DspImage.bin");
    EXPECT_EQ(again.query_value(u"Nothing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(again.get_string(u"Contrast")) << "a typed read checks the type";
}

TEST_F(Registry, ValueTypesRoundTripThroughTheFile) {
    RegKey key;
    hkey_current_user().create(u"Types", key);
    const std::vector<uint8_t> text_ab{'a', 'b', 0};
    std::vector<uint8_t> every_byte;
    for (int i = 0; i < 256; ++i) every_byte.push_back(uint8_t(i));
    key.set_binary(u"QText0", text_ab);
    key.set_binary(u"Every", every_byte);
    key.set_binary(u"Empty", {});
    key.set_dword(u"Word", 0xDEADBEEF);
    key.set_string(u"Quote", u"say \"hi\"\\ \n\ttab \u00e9\u4e2d");
    key.set_string(u"", u"default value");
    key.set_multi_string(u"Multi", {u"one", u"two, three"});
    const char16_t odd[] = {u'x', 0xD800, 0};  // a lone surrogate
    key.set_value(u"Odd", REG_SZ, odd, sizeof odd);
    key.set_value(u"Short", REG_DWORD, "\x01\x02", 2);

    // The file is readable text.
    std::string file = slurp(root_.path() / "registry.txt");
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Types]"), std::string::npos) << file;
    EXPECT_NE(file.find("\"Word\"=dword:deadbeef"), std::string::npos) << file;
    EXPECT_NE(file.find("\"QText0\"=hex(3):61,62,00"), std::string::npos) << file;

    // Parsing what was written gives back every byte.
    uint64_t generation = 0;
    std::string error;
    auto tree = detail::parse_registry(file, &generation, &error);
    ASSERT_TRUE(tree) << error;
    EXPECT_EQ(detail::serialize_registry(*tree, generation), file);
    const detail::RegNode* node = tree->children[0]->child(u"types");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->value(u"Every")->data, every_byte);
    EXPECT_EQ(node->value(u"Odd")->data.size(), sizeof odd);
    EXPECT_EQ(node->value(u"Short")->data.size(), 2u);
    EXPECT_EQ(key.get_string(u"Quote"), u"say \"hi\"\\ \n\ttab \u00e9\u4e2d");
    EXPECT_EQ(key.get_string(u""), u"default value");
    EXPECT_EQ(key.get_multi_string(u"Multi"), (std::vector<std::u16string>{u"one", u"two, three"}));
    EXPECT_EQ(key.get_binary(u"Empty"), std::vector<uint8_t>{});
}

TEST_F(Registry, EnumerationCountsAndDeletion) {
    RegKey printers;
    hkey_local_machine().create(u"Printers", printers);
    for (auto name : {u"Ports", u"Pagejet Inkjet", u"Other"}) {
        RegKey sub;
        printers.create(name, sub);
        sub.set_string(u"Port", u"LPT1:");
    }
    printers.set_string(u"DefaultPrinter", u"Pagejet Inkjet");
    printers.set_dword(u"Count", 3);

    uint32_t subkeys = 0, values = 0;
    ASSERT_EQ(printers.query_info(&subkeys, &values), ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 3u);
    EXPECT_EQ(values, 2u);
    std::vector<std::u16string> names;
    std::u16string name;
    for (uint32_t i = 0; printers.enum_key(i, name) == ERROR_SUCCESS; ++i) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Ports", u"Pagejet Inkjet", u"Other"}));
    EXPECT_EQ(printers.enum_key(3, name), ERROR_NO_MORE_ITEMS);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(printers.enum_value(1, name, &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(name, u"Count");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(printers.enum_value(2, name), ERROR_NO_MORE_ITEMS);

    RegKey other;
    printers.open(u"Other", other);
    RegKey deeper;
    other.create(u"Deeper", deeper);
    EXPECT_EQ(printers.delete_key(u"OTHER"), ERROR_SUCCESS) << "deletes the whole subtree";
    EXPECT_EQ(printers.delete_key(u"Other"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(other.set_dword(u"x", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(deeper.get_dword(u"x"), std::nullopt);
    EXPECT_EQ(printers.delete_value(u"count"), ERROR_SUCCESS);
    EXPECT_EQ(printers.delete_value(u"Count"), ERROR_FILE_NOT_FOUND);
    printers.query_info(&subkeys, &values);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(RegKey().set_dword(u"x", 1), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, DamagedFileIsKeptAsideAndTheFactoryRegistryServes) {
    std::ofstream(root_.path() / "registry.factory")
        << "celvane-registry 1 0\n[HKEY_LOCAL_MACHINE\\Ident]\n\"Name\"=sz:\"Factory\"\nend\n";
    // No registry file yet: the factory registry is what programs see.
    RegKey ident;
    ASSERT_EQ(hkey_local_machine().open(u"Ident", ident), ERROR_SUCCESS);
    EXPECT_EQ(ident.get_string(u"Name"), u"Factory");
    ident.set_string(u"Name", u"Changed");
    EXPECT_EQ(ident.get_string(u"Name"), u"Changed");

    const std::string damaged[] = {
        "celvane-registry 1 5\n[HKEY_LOCAL_MACHINE\\Ident]\n\"Name\"=sz:\"cut sh",
        "celvane-registry 1 5\n[HKEY_LOCAL_MACHINE\\Ident]\n\"Name\"=dword:12\nend\n",
        "celvane-registry 1 5\n[HKEY_NOWHERE\\Ident]\nend\n",
        "garbage\n",
        "",
    };
    // Every damaged file is kept: registry.bad, registry.bad.1, ...
    int n = 0;
    for (const auto& text : damaged) {
        const std::string kept = n == 0 ? "registry.bad" : "registry.bad." + std::to_string(n);
        ++n;
        std::ofstream(root_.path() / "registry.txt", std::ios::trunc) << text;
        testing::internal::CaptureStderr();
        EXPECT_EQ(ident.get_string(u"Name"), u"Factory") << text;
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("damaged"), std::string::npos) << said;
        EXPECT_NE(said.find(kept), std::string::npos) << said;
        EXPECT_EQ(slurp(root_.path() / kept), text);
        // The replacement is a good file again.
        EXPECT_NE(slurp(root_.path() / "registry.txt").find("\"Name\"=sz:\"Factory\""),
                  std::string::npos);
    }
    EXPECT_EQ(slurp(root_.path() / "registry.bad"), damaged[0]) << "the first copy stays";
}

TEST_F(Registry, EachDeviceRootHasItsOwnRegistry) {
    RegKey key;
    hkey_current_user().create(u"Test", key);
    key.set_dword(u"Here", 1);
    celvane_test::TempRoot other("registry-other");
    EXPECT_EQ(key.get_dword(u"Here"), std::nullopt);
    set_device_root(root_.path());
    EXPECT_EQ(key.get_dword(u"Here"), 1u);
}

TEST_F(Registry, ThreadsOfOneProcessShareTheRegistry) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            RegKey key;
            hkey_current_user().create(u"Threads", key);
            for (uint32_t i = 0; i < 10; ++i)
                key.set_dword(u"T" + std::u16string(1, char16_t(u'0' + t)) + u"-" +
                                  std::u16string(1, char16_t(u'0' + i)),
                              i);
        });
    }
    for (auto& t : threads) t.join();
    RegKey key;
    ASSERT_EQ(hkey_current_user().open(u"Threads", key), 0u);
    uint32_t values = 0;
    key.query_info(nullptr, &values);
    EXPECT_EQ(values, 40u);
}

}  // namespace
