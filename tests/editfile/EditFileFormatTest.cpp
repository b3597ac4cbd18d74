#include "editfile/EditFileFormat.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

#include "base/NumberText.h"
#include "editfile/ItemReader.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

TEST(FloatItem, WholeValuesFractionsAndExponents) {
    EXPECT_EQ(formatFloatItem(0.0f), "0");
    EXPECT_EQ(formatFloatItem(-0.0f), "0");
    EXPECT_EQ(formatFloatItem(12.0f), "12");
    EXPECT_EQ(formatFloatItem(100.0f), "100");
    EXPECT_EQ(formatFloatItem(-3.0f), "-3");
    EXPECT_EQ(formatFloatItem(12.5f), "12.5");
    EXPECT_EQ(formatFloatItem(0.5f), ".5");
    EXPECT_EQ(formatFloatItem(-0.25f), "-.25");
    EXPECT_EQ(formatFloatItem(0.1f), ".1");
    EXPECT_EQ(formatFloatItem(1.0f / 3.0f), ".3333333");
    EXPECT_EQ(formatFloatItem(13.33f), "13.33");
    EXPECT_EQ(formatFloatItem(1234567.0f), "1234567");
    EXPECT_EQ(formatFloatItem(1000000.0f), "1000000");
    EXPECT_EQ(formatFloatItem(12345678.0f), "1.234568E+07");
    EXPECT_EQ(formatFloatItem(1.5e20f), "1.5E+20");
    EXPECT_EQ(formatFloatItem(0.0001f), ".0001");
    EXPECT_EQ(formatFloatItem(0.00001f), "1E-05");
    EXPECT_EQ(formatFloatItem(-2.5e-30f), "-2.5E-30");
}

TEST(FloatItem, WrittenTextReadsBackToTheSameText) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-5000.0f, 5000.0f);
    std::uniform_int_distribution<int> expo(-38, 38);
    for (int i = 0; i < 20000; ++i) {
        float v = i % 2 ? coord(rng) : std::ldexp(coord(rng), expo(rng));
        const std::string once = formatFloatItem(v);
        auto back = parseNumber(once);
        ASSERT_TRUE(back) << once;
        ASSERT_EQ(formatFloatItem(static_cast<float>(*back)), once) << v;
    }
}

TEST(LineBuilder, WritesItemsWithCommasQuotesAndCrLf) {
    std::string text;
    LineBuilder line(text);
    line.integer(35).integer(206).real(120).real(80).real(64).real(48).integer(16).str("0").end();
    line.str("MovaluxMovieFile96320").end();
    EXPECT_EQ(text, "35,206,120,80,64,48,16,\"0\"\r\n\"MovaluxMovieFile96320\"\r\n");
}

TEST(ItemReader, ReadsAcrossLinesAndCountsThem) {
    ItemReader r("\"a,b\",12\r\n-.5,\"x\"\n\n7,\"multi\r\nline\",8");
    auto expect = [&](const char* text, bool quoted, int line) {
        auto item = r.next();
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text, text);
        EXPECT_EQ(item->quoted, quoted);
        EXPECT_EQ(r.line(), line);
    };
    expect("a,b", true, 1);
    expect("12", false, 1);
    expect("-.5", false, 2);
    expect("x", true, 2);
    expect("7", false, 4);
    expect("multi\r\nline", true, 4);
    expect("8", false, 5);
    EXPECT_FALSE(r.next());
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.failed());
}

TEST(ItemReader, AnUnclosedQuoteFails) {
    ItemReader r("1,\"open");
    EXPECT_TRUE(r.next());
    EXPECT_FALSE(r.next());
    EXPECT_TRUE(r.failed());
}

TEST(TextEncoding, Utf8StaysAndCp932IsConverted) {
    EXPECT_EQ(decodeEditFileText("\"マスク\""), "\"マスク\"");
    EXPECT_EQ(decodeEditFileText("\xEF\xBB\xBF\"a\""), "\"a\"");
    // "マスク" and the half-width "ﾌｧｲﾙ" in CP932.
    EXPECT_EQ(decodeEditFileText("\"\x83\x7D\x83\x58\x83\x4E\",\"\xCC\xA7\xB2\xD9\""), "\"マスク\",\"ﾌｧｲﾙ\"");
    // A path with a yen-sign backslash stays a backslash.
    EXPECT_EQ(decodeEditFileText("C:\\\x83\x7D.avi"), "C:\\マ.avi");
}

// Issue 18 item 4: bytes that are valid both ways. "ﾏｲﾑｰ" in CP932 is
// CF B2 D1 B0, which UTF-8 reads as Greek and Cyrillic letters.
TEST(TextEncoding, BytesValidBothWaysAreReadTheJapaneseWay) {
    // CP932 files: half-width katakana, alone and beside kanji and kana.
    EXPECT_EQ(decodeEditFileText("\"C:\\\xCF\xB2\xD1\xB0.avi\""), "\"C:\\ﾏｲﾑｰ.avi\"");
    EXPECT_EQ(decodeEditFileText("\"/\xC3\xA8/\""), "\"/ﾃｨ/\"");
    EXPECT_EQ(decodeEditFileText("\"\x89\x66\x91\x9C\xCF\xB2\xD1\xB0\x82\xA0.avi\""),
              "\"映像ﾏｲﾑｰあ.avi\"");
    // UTF-8 files: kana, kanji, half-width katakana and accented Latin stay.
    for (const char* utf8 : {"\"/home/u/マイムービー.avi\"", "\"/home/u/映像/clip.avi\"",
                             "\"/home/u/ﾏｲﾑｰ.avi\"", "\"/home/u/café/Mélodie Noël.avi\"",
                             "\"/home/u/Straße/ÀÉÎÕÜ.avi\"", "\"/home/u/ñandú.avi\""})
        EXPECT_EQ(decodeEditFileText(utf8), utf8);
}

TEST(TextEncoding, RejectsMalformedUtf8) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("日本語"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xE3\x83"));          // cut short
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\x83\x7D"));          // CP932
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

TEST(FileTitle, TakesTheNameAfterEitherSeparator) {
    EXPECT_EQ(FileTitle("C:\\movies\\a.avi"), "a.avi");
    EXPECT_EQ(FileTitle("/home/u/b.png"), "b.png");
    EXPECT_EQ(FileTitle("x\\y/z.bmp"), "z.bmp");
    EXPECT_EQ(FileTitle("plain.gif"), "plain.gif");
    EXPECT_EQ(FileTitle(""), "");
}

class ReplacingWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-write-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    static std::string slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }
    fs::path dir;
};

TEST_F(ReplacingWriteTest, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    const auto target = (dir / "edit.txt").string();
    ASSERT_TRUE(writeFileReplacing(target, "first", nullptr));
    ASSERT_TRUE(writeFileReplacing(target, "second version", nullptr));
    EXPECT_EQ(slurp(target), "second version");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(ReplacingWriteTest, AFailedWriteKeepsTheOldFile) {
    const auto target = (dir / "edit.txt").string();
    ASSERT_TRUE(writeFileReplacing(target, "precious", nullptr));
    // Let the next write run out of room half way.
    auto old = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &small);
    FileWriteError error{};
    auto r = writeFileReplacing(target, "a much longer replacement text", &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);
    EXPECT_FALSE(r);
    EXPECT_NE(error.errorNumber, 0);
    EXPECT_EQ(slurp(target), "precious");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(ReplacingWriteTest, AMissingFolderIsReportedAsAPathError) {
    FileWriteError error{};
    EXPECT_FALSE(writeFileReplacing((dir / "no" / "edit.txt").string(), "x", &error));
    EXPECT_EQ(error.errorNumber, 76);
}

}  // namespace
}  // namespace movalux
