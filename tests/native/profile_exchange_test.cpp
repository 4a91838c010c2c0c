// Export and import as a profile data file and as JSON: what goes out comes back byte for byte, and a file
// that is not valid profile data is refused without changing anything.
#include <gtest/gtest.h>

#include <fstream>

#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "macros/little_endian.h"
#include "macros/profile_write.h"
#include "profiles/profile_exchange.h"
#include "profiles/profile_file_format.h"
#include "profiles/profile_transfer.h"

namespace kv {
namespace {

// Records the writes; every operation succeeds.
class RecordingKeyboard final : public KeyboardDataLink {
public:
    std::vector<std::string> calls;
    int SendBegin() override { return Log("begin"); }
    int SendEnd() override { return Log("end"); }
    int WriteMacroArea(const uint8_t*, std::size_t count) override { return Log("macros " + std::to_string(count)); }
    int WriteKeyTable(const uint8_t*, unsigned p) override { return Log("keytable " + std::to_string(p)); }
    int ReadMacroArea(uint8_t*, std::size_t) override { return Log("read macros"); }
    int ReadKeyTable(uint8_t*, unsigned) override { return Log("read keytable"); }

private:
    int Log(std::string what) {
        calls.push_back(std::move(what));
        return kResultSuccess;
    }
};

class ProfileExchange : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kv_exchange_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        // Assignments of every kind that carries data, in three profiles, two macros and two texts.
        ASSERT_TRUE(StoreAssignment(rich_, 0, KeyIndexOf(0x01E), ASSIGN_MACRO, 1, 2));
        ASSERT_TRUE(StoreAssignment(rich_, 1, KeyIndexOf(0x030), ASSIGN_KEY, 0, 0x162));
        ASSERT_TRUE(StoreAssignment(rich_, 2, KeyIndexOf(0x02E), ASSIGN_MEDIA, 0, 7));
        ASSERT_TRUE(StoreAssignment(rich_, 2, KeyIndexOf(0x039), ASSIGN_DISABLED, 0, 0));
        ASSERT_TRUE(StoreTextAssignment(rich_, 0, KeyIndexOf(0x01F), ASSIGN_PROGRAM, u"C:\\Tools\\run.exe"));
        ASSERT_TRUE(StoreTextAssignment(rich_, 1, KeyIndexOf(0x020), ASSIGN_TEXT, u"héllo 世界"));
        MacroRecord a = NewMacro(u"Combo", 2), b = NewMacro(u"宏", 5);
        a.isNew = b.isNew = 0;
        a.actionCount = 2;
        a.actions[0] = {40, 0x01E, kDirectionPress};
        a.actions[1] = {0, 0x01E, kDirectionRelease};
        b.repeat = 3;
        b.playMode = 2;
        rich_.content.macros = {a, b};
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::vector<uint8_t> Bytes(const ProfileContent& c) { return SerializeProfile(c); }
    void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WriteFileReplacing(path, bytes));
    }

    std::filesystem::path dir_;
    ProfileData rich_;
};

TEST_F(ProfileExchange, TheExtensionNamesTheForm) {
    EXPECT_EQ(ProfileFileKindOf("a/b.json"), ProfileFileKind::Json);
    EXPECT_EQ(ProfileFileKindOf("a/b.JSON"), ProfileFileKind::Json);
    EXPECT_EQ(ProfileFileKindOf("a/b.kvp"), ProfileFileKind::Binary);
    EXPECT_EQ(ProfileFileKindOf("a/b.json.kvp"), ProfileFileKind::Binary);
    EXPECT_EQ(ProfileFileKindOf("a/$Profile0"), ProfileFileKind::Binary);
}

TEST_F(ProfileExchange, ExportThenImportGivesTheSameTableMacrosAndTextsInBothForms) {
    const std::vector<uint8_t> expected = Bytes(rich_.content);
    for (const char* name : {"out.kvp", "out.json"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ExportProfile(dir_ / name, rich_));
        ProfileContent back;
        const ValidateResult r = ReadProfileForImport(dir_ / name, back);
        ASSERT_EQ(r.code, kValidateOk) << r.reason;
        EXPECT_EQ(Bytes(back), expected);
        EXPECT_EQ(back.macros, rich_.content.macros);
        EXPECT_EQ(back.texts, rich_.content.texts);
    }
    // The JSON is kvtool's form: readable text that names the format.
    std::ifstream in(dir_ / "out.json");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"format\": \"kelvane profile data\""), std::string::npos);
    EXPECT_NE(text.find("C:\\\\Tools\\\\run.exe"), std::string::npos);
}

// A file is read in the form its bytes show, whatever its name says: a JSON export renamed ".kvp", a
// profile data file named ".json", JSON behind a byte order mark and blank lines, a name without extension.
TEST_F(ProfileExchange, EachFormIsKnownByItsBytesWhateverTheName) {
    ASSERT_TRUE(ExportProfile(dir_ / "out.json", rich_));
    ASSERT_TRUE(ExportProfile(dir_ / "out.kvp", rich_));
    std::vector<uint8_t> json, binary;
    ASSERT_TRUE(ReadWholeFile(dir_ / "out.json", json));
    ASSERT_TRUE(ReadWholeFile(dir_ / "out.kvp", binary));
    const std::string padded = "\xEF\xBB\xBF\r\n \t" + std::string(json.begin(), json.end());
    const std::vector<uint8_t> paddedJson(padded.begin(), padded.end());
    const struct {
        const char* name;
        const std::vector<uint8_t>& bytes;
        ProfileFileKind kind;
    } cases[] = {
        {"json named.kvp", json, ProfileFileKind::Json},
        {"json without extension", json, ProfileFileKind::Json},
        {"padded.kvp", paddedJson, ProfileFileKind::Json},
        {"binary named.json", binary, ProfileFileKind::Binary},
        {"binary.JSON", binary, ProfileFileKind::Binary},
    };
    const std::vector<uint8_t> expected = Bytes(rich_.content);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(dir_ / c.name, c.bytes);
        EXPECT_EQ(ProfileFileKindOfContent(dir_ / c.name), c.kind);
        ProfileContent back;
        const ValidateResult r = ReadProfileForImport(dir_ / c.name, back);
        ASSERT_EQ(r.code, kValidateOk) << r.reason;
        EXPECT_EQ(Bytes(back), expected);
    }
    // Bytes that show neither form are judged by the name, as before.
    Write(dir_ / "garbage.json", {'x', 'y'});
    Write(dir_ / "garbage.kvp", {'x', 'y'});
    EXPECT_EQ(ProfileFileKindOfContent(dir_ / "garbage.json"), ProfileFileKind::Json);
    EXPECT_EQ(ProfileFileKindOfContent(dir_ / "garbage.kvp"), ProfileFileKind::Binary);
    EXPECT_EQ(ProfileFileKindOfContent(dir_ / "missing.json"), ProfileFileKind::Json);
}

TEST_F(ProfileExchange, ImportOfJsonWritesAllThreeProfilesAndTheMacroArea) {
    ASSERT_TRUE(ExportProfile(dir_ / "p.json", rich_));
    ProfileData data;
    ProfileDataSnapshot snapshot;
    RecordingKeyboard keyboard;
    const auto working = dir_ / "$Profile0";
    const ImportOutcome out =
        ImportProfileFile(dir_ / "p.json", working, data, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable());
    ASSERT_TRUE(out.imported) << out.validation.reason;
    EXPECT_EQ(out.write.result, kResultSuccess);
    EXPECT_EQ(keyboard.calls.size(), 6u);  // begin, macros, three key tables, end
    EXPECT_EQ(Bytes(data.content), Bytes(rich_.content));
    std::vector<uint8_t> saved;
    ASSERT_TRUE(ReadWholeFile(working, saved));
    EXPECT_EQ(saved, Bytes(rich_.content));
}

// Each damaged file is refused with the messages it calls for, and neither the working data, the working
// file nor the keyboard sees any of it.
TEST_F(ProfileExchange, AnInvalidFileChangesNothing) {
    const std::vector<uint8_t> good = Bytes(rich_.content);
    std::vector<uint8_t> badChecksum = good;
    badChecksum[31] ^= 0x5A;
    std::vector<uint8_t> tooManyMacros(kAssignmentTableSize + 101 * kMacroRecordSize, 0);
    std::copy_n(good.begin(), kAssignmentTableSize, tooManyMacros.begin());
    WriteFileHeader(tooManyMacros.data(), 101, 0);
    std::vector<uint8_t> truncatedMacros(good.begin(), good.end() - 100);
    std::vector<uint8_t> truncatedHeader(good.begin(), good.begin() + 1000);

    struct Case {
        const char* name;
        std::string content;  // bytes of the file
        bool formatError;
    };
    auto text = [](const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); };
    // JSON of one macro with one action whose code and delay are given as JSON text: a number that does
    // not fit its field is refused, never cut to fit.
    auto oneAction = [](const std::string& code, const std::string& delay) {
        return "{\"format\":\"kelvane profile data\",\"identification\":\"" + std::string(64, '0') +
               "\",\"profiles\":[{\"keys\":[]},{\"keys\":[]},{\"keys\":[]},{\"keys\":[]}],\"macros\":["
               "{\"id\":1,\"name\":\"m\",\"repeat\":1,\"actions\":[{\"code\":" + code +
               ",\"direction\":\"press\",\"delay\":" + delay + "}]}]}";
    };
    const Case cases[] = {
        {"checksum.kvp", text(badChecksum), true},
        {"macros101.kvp", text(tooManyMacros), true},
        {"truncated.kvp", text(truncatedMacros), true},
        {"short.kvp", text(truncatedHeader), false},
        {"empty.kvp", "", false},
        {"notjson.json", "{\"format\": ", true},
        {"otherjson.json", "{\"format\": \"something else\"}", true},
        {"macros101.json", "{\"format\":\"kelvane profile data\",\"identification\":\"" + std::string(64, '0') +
                               "\",\"profiles\":[{\"keys\":[]},{\"keys\":[]},{\"keys\":[]},{\"keys\":[]}],\"macros\":[" +
                               [] {
                                   std::string m;
                                   for (int i = 0; i < 101; ++i)
                                       m += std::string(i ? "," : "") +
                                            "{\"id\":1,\"name\":\"m\",\"repeat\":1,\"actions\":[]}";
                                   return m;
                               }() + "]}",
         true},
        {"delayhuge.json", oneAction("30", "41444444444444444444444444444444444444444444444444444444444444444"), true},
        {"delaynegative.json", oneAction("30", "-1"), true},
        {"delayfraction.json", oneAction("30", "2.5"), true},
        {"codewide.json", oneAction("70000", "0"), true},
    };
    const auto working = dir_ / "$Profile0";
    ASSERT_TRUE(SaveProfileFile(working, rich_));
    std::vector<uint8_t> workingBefore;
    ASSERT_TRUE(ReadWholeFile(working, workingBefore));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(dir_ / c.name, std::ios::binary) << c.content;
        ProfileData data;
        data.content = rich_.content;
        ProfileDataSnapshot snapshot;
        RecordingKeyboard keyboard;
        const ImportOutcome out =
            ImportProfileFile(dir_ / c.name, working, data, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable());
        EXPECT_FALSE(out.imported);
        EXPECT_EQ(out.validation.showFormatError, c.formatError) << out.validation.reason;
        EXPECT_STREQ(out.firstMessage, c.formatError ? kMessageProfileFormatError : kMessageImportFailed);
        if (c.formatError) {
            EXPECT_STREQ(out.secondMessage, kMessageImportFailed);
        }
        EXPECT_EQ(data.content, rich_.content);
        EXPECT_TRUE(keyboard.calls.empty());
        std::vector<uint8_t> workingAfter;
        ASSERT_TRUE(ReadWholeFile(working, workingAfter));
        EXPECT_EQ(workingAfter, workingBefore);
    }
    ProfileContent untouched = rich_.content;
    EXPECT_EQ(ReadProfileForImport(dir_ / "missing.json", untouched).code, kValidateInvalid);
    EXPECT_EQ(untouched, rich_.content);
}

TEST_F(ProfileExchange, ExportToAFolderThatDoesNotExistFails) {
    EXPECT_FALSE(ExportProfile(dir_ / "no" / "such" / "p.kvp", rich_));
    EXPECT_FALSE(ExportProfile(dir_ / "no" / "such" / "p.json", rich_));
}

}  // namespace
}  // namespace kv
