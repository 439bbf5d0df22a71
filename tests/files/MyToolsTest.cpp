#include "MyTools.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

QString Beams(std::uint8_t byte) { return BeamListText(std::array<std::uint8_t, 1>{byte}); }

}  // namespace

TEST(NumToHex, WritesAnEvenNumberOfUpperCaseDigits) {
  EXPECT_EQ(NumToHex(0), "00");
  EXPECT_EQ(NumToHex(5), "05");
  EXPECT_EQ(NumToHex(255), "FF");
  EXPECT_EQ(NumToHex(291), "0123");
  EXPECT_EQ(NumToHex(419), "01A3");
  EXPECT_EQ(NumToHex(0xAAAA), "AAAA");
  EXPECT_EQ(NumToHex(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(HexDump, GivesTwoDigitsAndABlankPerByte) {
  EXPECT_EQ(HexDump(std::array<std::uint8_t, 5>{255, 255, 2, 0, 1}), "FF FF 02 00 01 ");
  EXPECT_EQ(HexDump(std::array<std::uint8_t, 3>{1, 2, 3}), "01 02 03 ");
  EXPECT_EQ(HexDump({}), "");
}

TEST(PadRight, ExtendsButNeverCuts) {
  EXPECT_EQ(PadRight("ab", 5), "ab   ");
  const QString long45(45, QLatin1Char('z'));
  EXPECT_EQ(PadRight(long45, 40), long45);
  EXPECT_EQ(PadRight("", 0), "");
}

TEST(BitMarks, MarksTheLowestBitsFirstAndCapsTheCountAt16) {
  EXPECT_EQ(BitMarks(5, 4), " x . x .");
  EXPECT_EQ(BitMarks(0xFFFF, 20), QString(" x").repeated(16));
  EXPECT_EQ(BitMarks(0xFF, 0), "");
  EXPECT_EQ(BitMarks(0x80, 7), " . . . . . . .");
}

TEST(BeamListText, WritesRunsAsRangesAndTrailingCommaAsBlank) {
  EXPECT_EQ(Beams(0), "-");
  EXPECT_EQ(Beams(1), "1 ");
  EXPECT_EQ(Beams(5), "1,3 ");
  EXPECT_EQ(Beams(7), QStringLiteral("1÷3 "));
  EXPECT_EQ(Beams(11), QStringLiteral("1÷2,4 "));
  EXPECT_EQ(Beams(128), "8 ");
  EXPECT_EQ(Beams(255), QStringLiteral("1÷8"));
  EXPECT_EQ(Beams(192), QStringLiteral("7÷8"));
  EXPECT_EQ(Beams(3), QStringLiteral("1÷2 "));
  EXPECT_EQ(Beams(6), QStringLiteral("2÷3 "));
  EXPECT_EQ(Beams(64), "7 ");
  EXPECT_EQ(Beams(0b10110101), QStringLiteral("1,3,5÷6,8 "));
}

TEST(BitListText, RunsCrossByteBoundariesAndHonourTheFirstNumber) {
  EXPECT_EQ(BitListText(std::array<std::uint8_t, 2>{128, 1}, 1), QStringLiteral("8÷9 "));
  EXPECT_EQ(BitListText(std::array<std::uint8_t, 1>{1}, 0), "0 ");
  EXPECT_EQ(BitListText(std::array<std::uint8_t, 2>{0, 0}, 1), "-");
}

TEST(TextToNum, ReadsTheLeadingNumberOnly) {
  EXPECT_EQ(TextToNum("12  "), 12);
  EXPECT_EQ(TextToNum("   7"), 7);
  EXPECT_EQ(TextToNum(""), 0);
  EXPECT_EQ(TextToNum("abc"), 0);
  EXPECT_EQ(TextToNum("12abc"), 12);
}

TEST(TextToNum, NeverGoesNegativeAndAppliesTheSignOnlyToAWholeNumber) {
  EXPECT_EQ(TextToNum("-3"), 0);
  EXPECT_EQ(TextToNum("+3"), 3);
  EXPECT_EQ(TextToNum("-3 "), 3);  // digits followed by more text: the sign is dropped
}

TEST(TextToNum, ReadsHexadecimalPrefixes) {
  EXPECT_EQ(TextToNum("$1F"), 31);
  EXPECT_EQ(TextToNum("x10"), 16);
  EXPECT_EQ(TextToNum("0Xff"), 255);
  EXPECT_EQ(TextToNum("$"), 0);
}

TEST(TextToNum, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(TextToNum("99999999999999999999"), 2147483647);
  EXPECT_EQ(TextToNum("$FFFFFFFFFF"), 2147483647);
  EXPECT_EQ(TextToNum("2147483647"), 2147483647);
}

TEST(FileTitle, DropsFolderAndLastExtension) {
  EXPECT_EQ(FileTitle("/home/t/brama.acc"), "brama");
  EXPECT_EQ(FileTitle("a.b.acc"), "a.b");
  EXPECT_EQ(FileTitle("/x/noext"), "noext");
  EXPECT_EQ(FileTitle("/x/dot."), "dot");
}

TEST(VersionText, JoinsMinorAndReleaseAndPadsTheBuild) {
  EXPECT_EQ(VersionText(2, 0, 0, 0), "2.00.000");
  EXPECT_EQ(VersionText(1, 2, 3, 45), "1.23.045");
  EXPECT_EQ(VersionText(1, 2, 3, 200), "1.23.200");
  EXPECT_EQ(VersionText(), "2.00.000");
}

class AppendLineTest : public ::testing::Test {
 protected:
  QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
};

TEST_F(AppendLineTest, CreatesAMissingFileAndAppendsInWindows1250WithCrLf) {
  const QString path = dir.filePath("a.log");
  AppendLine(path, QStringLiteral("Stan wiązek"), true);
  AppendLine(path, QStringLiteral("1÷3"), true);
  // ą is B9 and ÷ is F7 in Windows-1250.
  EXPECT_EQ(Contents(path), QByteArray("Stan wi\xB9zek\r\n1\xF7" "3\r\n"));
}

TEST_F(AppendLineTest, NeverTruncatesAnExistingFile) {
  const QString path = dir.filePath("b.log");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("old\r\n");
  f.close();
  AppendLine(path, "new", true);
  EXPECT_EQ(Contents(path), QByteArray("old\r\nnew\r\n"));
}

TEST_F(AppendLineTest, IsSilentWhenTheFileCannotBeWritten) {
  AppendLine(dir.filePath("missing/folder/c.log"), "x", true);
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/folder/c.log")));
  AppendLine(dir.filePath("d.log"), "x", false);
  EXPECT_FALSE(QFile::exists(dir.filePath("d.log")));
  if (::geteuid() != 0) {  // root writes through a read-only mode
    const QString path = dir.filePath("ro.log");
    AppendLine(path, "first", true);
    ::chmod(QFile::encodeName(path).constData(), 0444);
    AppendLine(path, "second", true);
    EXPECT_EQ(Contents(path), QByteArray("first\r\n"));
  }
}
