#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"

using namespace ns;
namespace fs = std::filesystem;

namespace {

class PropertyListFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "plist-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string put(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    static std::string slurp(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path dir;
};

const char* kSettingsXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>enableOVS</key><true/>
  <key>clockStyle</key><integer>2</integer>
  <key>offset</key><integer>-5</integer>
  <key>scale</key><real>2.7</real>
  <key>subTitle</key><string>Hello &amp; bye</string>
  <key>blob</key><data>YWJj</data>
  <key>when</key><date>2001-01-01T00:01:00Z</date>
  <key>list</key><array><integer>1</integer><string>x</string></array>
  <key>inner</key><dict><key>k</key><false/></dict>
</dict></plist>)";

id field(const id& dict, const char* key) { return rt::cast<NSDictionary>(dict)->objectForKey(key); }

void expectSettings(const id& dict) {
    ASSERT_TRUE(isDictionary(dict));
    auto enable = rt::cast<NSNumber>(field(dict, "enableOVS"));
    ASSERT_TRUE(enable);
    EXPECT_TRUE(std::holds_alternative<bool>(enable->value));
    EXPECT_EQ(intValue(field(dict, "enableOVS")), 1);
    EXPECT_EQ(intValue(field(dict, "clockStyle")), 2);
    EXPECT_EQ(intValue(field(dict, "offset")), -5);
    EXPECT_EQ(intValue(field(dict, "scale")), 2);
    EXPECT_EQ(str(field(dict, "subTitle")), "Hello & bye");
    auto blob = rt::cast<NSData>(field(dict, "blob"));
    ASSERT_TRUE(blob);
    EXPECT_EQ(std::string(blob->bytes.begin(), blob->bytes.end()), "abc");
    auto when = rt::cast<NSDate>(field(dict, "when"));
    ASSERT_TRUE(when);
    EXPECT_DOUBLE_EQ(when->timeIntervalSince1970, 978307260.0);
    auto list = rt::cast<NSArray>(field(dict, "list"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->items.size(), 2u);
    EXPECT_EQ(str(list->items[1]), "x");
    EXPECT_FALSE(boolValue(field(field(dict, "inner"), "k")));
    EXPECT_TRUE(rt::isKindOfClass(dict, "NSDictionary"));
}

}  // namespace

TEST_F(PropertyListFiles, ReadsXmlBinaryAndXmlAfterAByteOrderMark) {
    expectSettings(dictionaryWithContentsOfFile(put("x.plist", kSettingsXml)));
    std::string binary = binaryData(dictionaryFromData(kSettingsXml));
    ASSERT_EQ(binary.rfind("bplist00", 0), 0u);
    expectSettings(dictionaryWithContentsOfFile(put("b.plist", binary)));
    expectSettings(dictionaryWithContentsOfFile(put("bom.plist", std::string("\xEF\xBB\xBF") + kSettingsXml)));
}

TEST_F(PropertyListFiles, MutableReadGivesMutableContainers) {
    id dict = mutableDictionaryWithContentsOfFile(put("x.plist", kSettingsXml));
    EXPECT_TRUE(rt::cast<NSMutableDictionary>(dict));
    EXPECT_TRUE(rt::cast<NSMutableArray>(field(dict, "list")));
    EXPECT_FALSE(rt::cast<NSMutableDictionary>(dictionaryWithContentsOfFile(path("x.plist"))));
}

TEST_F(PropertyListFiles, AnythingButADictionaryFileIsNothing) {
    fs::create_directory(path("folder"));
    EXPECT_FALSE(dictionaryWithContentsOfFile(path("missing.plist")));
    EXPECT_FALSE(dictionaryWithContentsOfFile(path("folder")));
    EXPECT_FALSE(dictionaryWithContentsOfFile(put("empty.plist", "")));
    EXPECT_FALSE(dictionaryWithContentsOfFile(put("garbage.plist", "\x01\x02not a plist")));
    EXPECT_FALSE(dictionaryWithContentsOfFile(put("truncated.plist", std::string(kSettingsXml, 120))));
    EXPECT_FALSE(dictionaryWithContentsOfFile(put("array.plist", "<plist><array><true/></array></plist>")));
    EXPECT_FALSE(dictionaryWithContentsOfFile(put("bad-binary.plist", "bplist00\xff\xff\xff")));
    EXPECT_TRUE(rt::cast<NSArray>(propertyListFromData("<plist><array><true/></array></plist>")));
}

TEST_F(PropertyListFiles, WrongValueTypesConvertWithoutHarm) {
    id dict = dictionaryWithContentsOfFile(put("odd.plist", R"(<plist><dict>
        <key>clockStyle</key><array><integer>2</integer></array>
        <key>enableOVS</key><dict/>
        <key>timeFormat</key><data>AAAA</data>
        <key>useBlack</key><date>2020-01-01T00:00:00Z</date>
        <key>hideWea</key><string>YES</string>
        </dict></plist>)"));
    ASSERT_TRUE(dict);
    EXPECT_EQ(intValue(field(dict, "clockStyle")), 0);
    EXPECT_FALSE(boolValue(field(dict, "enableOVS")));
    EXPECT_EQ(intValue(field(dict, "timeFormat")), 0);
    EXPECT_FALSE(boolValue(field(dict, "useBlack")));
    EXPECT_TRUE(boolValue(field(dict, "hideWea")));
}

TEST_F(PropertyListFiles, WritesSortedXmlAndReadsItBack) {
    id dict = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dict);
    d->setObject(NSStr("123.456789"), "clockY");
    d->setObject(NSNum(-3), "b");
    d->setObject(NSNum(0.1), "a");
    d->setObject(NSNum(true), "c");
    d->setObject(NSDictionaryNew(), "empty");
    ASSERT_TRUE(writeToFile(dict, path("out.plist")));
    std::string xml = slurp(path("out.plist"));
    EXPECT_LT(xml.find("<key>a</key>"), xml.find("<key>b</key>"));
    EXPECT_LT(xml.find("<key>b</key>"), xml.find("<key>c</key>"));
    EXPECT_LT(xml.find("<key>c</key>"), xml.find("<key>clockY</key>"));
    EXPECT_NE(xml.find("<integer>-3</integer>"), std::string::npos);
    EXPECT_NE(xml.find("<real>0.10000000000000001</real>"), std::string::npos);
    EXPECT_NE(xml.find("<dict/>"), std::string::npos);
    id back = dictionaryWithContentsOfFile(path("out.plist"));
    EXPECT_EQ(intValue(field(back, "b")), -3);
    EXPECT_FLOAT_EQ(floatValue(field(back, "clockY")), 123.456789f);
    EXPECT_TRUE(isDictionary(field(back, "empty")));
}

TEST_F(PropertyListFiles, ReplacesAtomicallyAndLeavesNoTemporaryFile) {
    id first = NSDictionaryNew();
    rt::cast<NSDictionary>(first)->setObject(NSNum(1), "v");
    ASSERT_TRUE(writeToFile(first, path("s.plist")));
    ::chmod(path("s.plist").c_str(), 0644);
    id second = NSDictionaryNew();
    rt::cast<NSDictionary>(second)->setObject(NSNum(2), "v");
    ASSERT_TRUE(writeToFile(second, path("s.plist")));
    EXPECT_EQ(intValue(field(dictionaryWithContentsOfFile(path("s.plist")), "v")), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    struct stat st {};
    ASSERT_EQ(::stat(path("s.plist").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "the replacement keeps the file readable by other programs";
    ASSERT_TRUE(writeToFile(NSDictionaryNew(), path("s.plist"), false));
    EXPECT_NE(slurp(path("s.plist")).find("<dict/>"), std::string::npos);
}

TEST_F(PropertyListFiles, RefusesNonPropertyListValuesAndMissingFoldersWithoutTouchingTheFile) {
    id good = NSDictionaryNew();
    rt::cast<NSDictionary>(good)->setObject(NSNum(1), "v");
    ASSERT_TRUE(writeToFile(good, path("s.plist")));
    std::string before = slurp(path("s.plist"));

    id bad = NSDictionaryNew();
    auto inner = std::make_shared<NSArray>(std::vector<id>{NSNum(1), rt::NSObjectClass()->alloc()});
    rt::cast<NSDictionary>(bad)->setObject(inner, "list");
    EXPECT_FALSE(writeToFile(bad, path("s.plist")));
    EXPECT_EQ(slurp(path("s.plist")), before);
    EXPECT_FALSE(writeToFile(NSStr("not a dictionary"), path("s.plist")));
    EXPECT_EQ(xmlData(bad), "");
    EXPECT_FALSE(writeToFile(good, path("no/such/folder/s.plist")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(PropertyListFiles, FileExistsAtPath) {
    EXPECT_FALSE(fileExistsAtPath(path("marker.plist")));
    put("marker.plist", "");
    EXPECT_TRUE(fileExistsAtPath(path("marker.plist")));
    EXPECT_TRUE(fileExistsAtPath(dir.string()));
    EXPECT_FALSE(fileExistsAtPath(""));
}

// A key holding NUL makes the binary parser abort the process; it reads as malformed.
TEST(PropertyListData, BinaryKeyWithNulIsRefused) {
    id dict = NSDictionaryNew();
    rt::cast<NSDictionary>(dict)->setObject(NSNum(true), "kx");
    std::string binary = binaryData(dict);
    auto at = binary.find("\x52kx");
    ASSERT_NE(at, std::string::npos);
    ASSERT_TRUE(dictionaryFromData(binary));
    binary[at + 2] = '\0';
    EXPECT_FALSE(dictionaryFromData(binary));
}

// Arbitrary bytes never crash the reader.
TEST(PropertyListData, HostileBytesGiveNothing) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<array>";
    for (const std::string& bytes : {std::string(), std::string("bplist00"), std::string("bplist00") + std::string(40, '\0'),
                                     std::string("<dict><key>a</key><integer>1"),
                                     std::string("\xEF\xBB\xBF"), deep})
        EXPECT_FALSE(dictionaryFromData(bytes));
}
