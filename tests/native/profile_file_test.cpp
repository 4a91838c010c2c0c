// The profile data file: validation, bounded loading of damaged files, saving in one step, round trips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "keys/assignment_store.h"
#include "macros/little_endian.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_format.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kv_profile_file_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

void FixChecksum(std::vector<uint8_t>& b) {
    unsigned sum = 0;
    for (int i = 0; i < 31; ++i) sum += b[i];
    b[31] = static_cast<uint8_t>(sum);
}

ProfileContent RichContent() {
    ProfileData data;
    EXPECT_TRUE(StoreAssignment(data, 0, 0x1E, ASSIGN_KEY, 0, 0x030));
    EXPECT_TRUE(StoreTextAssignment(data, 1, 0x20, ASSIGN_PROGRAM, u"C:\\Tools\\run.exe"));
    EXPECT_TRUE(StoreTextAssignment(data, 2, 0x21, ASSIGN_TEXT, u"Hello \u00e9\u4e2d"));
    EXPECT_TRUE(StoreTextAssignment(data, 0, 0x101, ASSIGN_TEXT, u""));
    for (uint16_t id : {3, 1}) {
        MacroRecord m = NewMacro(u"macro " + std::u16string(1, static_cast<char16_t>(u'0' + id)), id);
        m.isNew = 0;
        m.actionCount = 2;
        m.actions[0] = {120, 0x01E, 0};
        m.actions[1] = {0, 0x01E, 1};
        data.content.macros.push_back(m);
    }
    return data.content;
}

TEST(ProfileFileValidate, DefaultFileIsValidAndEveryHeaderByteMatters) {
    const ProfileContent empty;
    const std::vector<uint8_t> bytes = SerializeProfile(empty);
    ASSERT_EQ(bytes.size(), 32832u);
    EXPECT_EQ(ValidateProfileBytes(bytes).code, kValidateOk);
    for (int i = 0; i < 31; ++i) {
        std::vector<uint8_t> b = bytes;
        b[i] ^= 0x40;
        const ValidateResult r = ValidateProfileBytes(b);
        EXPECT_EQ(r.code, kValidateInvalid) << "byte " << i;
        EXPECT_TRUE(r.showFormatError) << "byte " << i;
        EXPECT_FALSE(r.reason.empty());
    }
}

TEST(ProfileFileValidate, HeaderFieldTable) {
    const std::vector<uint8_t> base = SerializeProfile(RichContent());
    struct Case { const char* what; int offset; int width; uint32_t value; bool valid; const char* reasonPart; };
    const Case cases[] = {
        {"magic", 0, 2, 0x4447, false, "magic"},
        {"header size", 2, 2, 31, false, "header size"},
        {"version", 4, 2, 2, false, "version"},
        {"word 6", 6, 2, 0, false, "offset 6"},
        {"slot count", 12, 2, 2047, false, "slot count"},
        {"101 macros", 14, 2, 101, false, "macro count"},
        {"flag 1 accepted", 30, 1, 1, true, ""},
        {"flag 2", 30, 1, 2, false, "flag"},
        {"total size", 8, 4, 32833, false, "total size"},
        {"reserved word", 20, 4, 5, true, ""},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> b = base;
        if (c.width == 1) b[c.offset] = static_cast<uint8_t>(c.value);
        if (c.width == 2) le::Put16(b.data() + c.offset, static_cast<uint16_t>(c.value));
        if (c.width == 4) le::Put32(b.data() + c.offset, c.value);
        FixChecksum(b);
        const ValidateResult r = ValidateProfileBytes(b);
        EXPECT_EQ(r.code == kValidateOk, c.valid) << c.what << ": " << r.reason;
        if (!c.valid) {
            EXPECT_NE(r.reason.find(c.reasonPart), std::string::npos) << c.what << ": " << r.reason;
        }
    }
}

TEST(ProfileFileValidate, FilesShorterThanTheirHeaderAreRejected) {
    const std::vector<uint8_t> bytes = SerializeProfile(RichContent());
    for (std::size_t cut : {bytes.size() - 1, std::size_t{32832 + 16512}, std::size_t{32832}, std::size_t{100}}) {
        std::vector<uint8_t> b(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(ValidateProfileBytes(b).code, kValidateInvalid) << cut;
        ProfileContent c;
        EXPECT_FALSE(ParseProfileBytes(b, c)) << cut;
    }
    std::vector<uint8_t> longer = bytes;
    longer.resize(bytes.size() + 10);  // a longer file is still valid: its tail is not read
    EXPECT_EQ(ValidateProfileBytes(longer).code, kValidateOk);
}

TEST_F(ProfileFileTest, ValidateFileResults) {
    EXPECT_EQ(ValidateProfileFile(dir_ / "missing.kvp").code, kValidateInvalid);
    EXPECT_EQ(ValidateProfileFile(dir_).code, kValidateInvalid);  // a folder is not a file
    ASSERT_TRUE(CreateDefaultProfileFile(dir_ / "default.kvp"));
    EXPECT_EQ(ValidateProfileFile(dir_ / "default.kvp").code, kValidateOk);
    std::ofstream(dir_ / "short.kvp") << "FD";
    const ValidateResult r = ValidateProfileFile(dir_ / "short.kvp");
    EXPECT_EQ(r.code, kValidateInvalid);
    EXPECT_FALSE(r.showFormatError);
}

TEST(ProfileFileLoad, StringOffsetsOutsideTheAreaReadAsNoString) {
    const ProfileContent rich = RichContent();
    std::vector<uint8_t> b = SerializeProfile(rich);
    const std::size_t slot = SlotOffset(1, 0x20);
    struct Case { uint32_t offset; bool present; };
    const Case cases[] = {{0, true}, {1, true}, {0xFFFFFFF0u, false}, {rich.textTotal, false}, {rich.textTotal - 1, true}};  // rounds down onto the last terminator
    for (const auto& c : cases) {
        le::Put32(b.data() + slot + 4, c.offset);
        ProfileContent back;
        ASSERT_TRUE(ParseProfileBytes(b, back));
        EXPECT_EQ(back.texts[SlotNumber(1, 0x20)].present, c.present) << c.offset;
    }
    // A string area whose last string lost its terminator: that string is dropped, the others stay.
    std::vector<uint8_t> t = SerializeProfile(rich);
    t[t.size() - 1] = 'x';
    t[t.size() - 2] = 'x';
    ProfileContent back;
    ASSERT_TRUE(ParseProfileBytes(t, back));
    EXPECT_TRUE(back.texts[SlotNumber(1, 0x20)].present);
}

TEST(ProfileFileLoad, HeaderCountsBeyondTheBytesAreRejected) {
    std::vector<uint8_t> b = SerializeProfile(ProfileContent{});
    le::Put16(b.data() + 14, 100);  // 100 macros claimed, none present
    std::string why;
    ProfileContent c;
    EXPECT_FALSE(ParseProfileBytes(b, c, &why));
    EXPECT_NE(why.find("macros"), std::string::npos);
    le::Put16(b.data() + 14, 0);
    le::Put32(b.data() + 16, 0xFFFFFFFFu);  // a string area of 4 GiB
    EXPECT_FALSE(ParseProfileBytes(b, c, &why));
    EXPECT_NE(why.find("string area"), std::string::npos);
}

TEST_F(ProfileFileTest, SaveThenLoadGivesTheSameDataAndBytes) {
    ProfileData data;
    data.content = RichContent();
    const fs::path path = dir_ / "export.kvp";
    ASSERT_TRUE(SaveProfileFile(path, data));
    EXPECT_EQ(ValidateProfileFile(path).code, kValidateOk);
    ProfileData back;
    ASSERT_EQ(LoadProfileFile(path, back), LoadResult::Loaded);
    EXPECT_EQ(back.content.table, data.content.table);
    EXPECT_EQ(back.content.macros, data.content.macros);
    EXPECT_EQ(back.content.texts, data.content.texts);
    EXPECT_EQ(back.content.textTotal, data.content.textTotal);
    const fs::path again = dir_ / "again.kvp";
    ASSERT_TRUE(SaveProfileFile(again, back));
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(ReadWholeFile(path, a));
    ASSERT_TRUE(ReadWholeFile(again, b));
    EXPECT_EQ(a, b);
    EXPECT_FALSE(fs::exists(dir_ / "export.kvp.new~"));
}

TEST_F(ProfileFileTest, LoadOfMissingFileGivesDefaultsAndOfBadFileKeepsTheData) {
    ProfileData data;
    data.content = RichContent();
    EXPECT_EQ(LoadProfileFile(dir_ / "none", data), LoadResult::Missing);
    EXPECT_EQ(data.content, ProfileContent{});

    data.content = RichContent();
    std::vector<uint8_t> b = SerializeProfile(ProfileContent{});
    le::Put16(b.data() + 14, 3);
    ASSERT_TRUE(WriteFileReplacing(dir_ / "bad", b));
    EXPECT_EQ(LoadProfileFile(dir_ / "bad", data), LoadResult::Malformed);
    EXPECT_EQ(data.content, RichContent());
}

TEST_F(ProfileFileTest, SaveReplacesTheOldFileAndTheWorkingVariantNeedsAnExistingFile) {
    ProfileData data;
    const fs::path working = dir_ / "$Profile0";
    EXPECT_FALSE(SaveWorkingProfileFile(working, data));
    EXPECT_FALSE(fs::exists(working));
    std::ofstream(working) << "old content";
    data.content = RichContent();
    ASSERT_TRUE(SaveWorkingProfileFile(working, data));
    EXPECT_EQ(ValidateProfileFile(working).code, kValidateOk);
    // A target that cannot be replaced (a folder) fails and leaves no half-written sibling behind.
    fs::create_directories(dir_ / "folder" / "inner");
    EXPECT_FALSE(SaveProfileFile(dir_ / "folder", data));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder" / "inner"));
    EXPECT_FALSE(fs::exists(dir_ / "folder.new~"));
}

TEST(ProfileFileFormat, DefaultBlockHasHeaderIdentificationAndGKeyTags) {
    const ProfileContent c;
    const FileHeader h = ParseFileHeader(c.table.data());
    EXPECT_EQ(h.magic, 0x4446);
    EXPECT_EQ(h.totalSize, 32832u);
    EXPECT_EQ(h.checksum, h.computedChecksum);
    EXPECT_EQ(c.table[32], 0x4B);
    EXPECT_EQ(le::U16(c.table.data() + 48), 0x0C45);
    EXPECT_EQ(le::U16(c.table.data() + 50), 0x7A31);
    EXPECT_EQ(ReadSlot(c.Table(), 0, 0x100).tag, 0x0301);
    EXPECT_EQ(ReadSlot(c.Table(), 0, 0x111).tag, 0x1309);
    EXPECT_EQ(ReadSlot(c.Table(), 1, 0x100).tag, 0);
}

TEST(ProfileFileFormat, TextsArePackedInSlotOrder) {
    const ProfileContent rich = RichContent();
    const std::vector<uint8_t> b = SerializeProfile(rich);
    const std::size_t area = 32832 + 2 * 16512;
    EXPECT_EQ(le::U32(b.data() + 16), rich.textTotal);
    EXPECT_EQ(le::U32(b.data() + SlotOffset(0, 0x101) + 4), 0u);   // section 0 comes first
    EXPECT_EQ(le::U32(b.data() + SlotOffset(1, 0x20) + 4), 2u);    // after the empty text's terminator
    EXPECT_EQ(le::U16(b.data() + area + 2), u'C');
}

}  // namespace
}  // namespace kv
