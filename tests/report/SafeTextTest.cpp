// Texts made safe for spreadsheet programs, tab-separated lines and terminals.
#include "report/SafeText.h"

#include <gtest/gtest.h>

TEST(SafeText, FormulaStartsGetAnApostropheAndNothingElseChanges) {
    for (const char16_t *text : {u"=1+1", u"+86 10", u"-x", u"@SUM(A1)", u"\tA", u"\rA"})
        EXPECT_EQ(DefuseFormula(text), QLatin1Char('\'') + QString::fromUtf16(text));
    for (const char16_t *text : {u"", u"市教育局", u"A=1", u"'quoted", u" =1"})
        EXPECT_EQ(DefuseFormula(text), QString::fromUtf16(text));
}

TEST(SafeText, SeparatorsAreEscapedSoEachLineIsOneRow) {
    EXPECT_EQ(EscapeSeparators(u"a\tb\nc\rd\\e"), QStringLiteral("a\\tb\\nc\\rd\\\\e"));
    EXPECT_EQ(EscapeSeparators(u"市教育局"), QStringLiteral("市教育局"));
}

TEST(SafeText, TerminalsSeePlaceholdersNotControls) {
    EXPECT_EQ(TerminalSafe(u"\x1b[2J\b\x7f"), QStringLiteral("␛[2J␈␡"));
    EXPECT_EQ(TerminalSafe(u"a\u009bb\u202Ec\u2066d\u2069"), QStringLiteral("a\uFFFDb\uFFFDc\uFFFDd\uFFFD"));
    EXPECT_EQ(TerminalSafe(u"tab\tand\nline 市"), QStringLiteral("tab\tand\nline 市"));
}

TEST(SafeText, XmlAndCutsKeepEveryCharacterWhole) {
    const char16_t controls[] = u"a\u0000b\x1b\tc\n\uFFFE\uFFFF\xD83D";
    EXPECT_EQ(XmlSafe(QStringView(controls, 10)), QStringLiteral("a␀b␛\tc\n\uFFFD\uFFFD\uFFFD"));
    EXPECT_EQ(XmlSafe(u"😀市"), QStringLiteral("😀市"));
    EXPECT_EQ(CutWhole(u"ab😀", 3), QStringLiteral("ab"));
    EXPECT_EQ(CutWhole(u"ab😀", 4), QStringLiteral("ab😀"));
    EXPECT_EQ(EscapeSeparators(QStringView(u"A\0B", 3)), QStringLiteral("A\\0B"));
    EXPECT_EQ(CsvField(QStringView(u"A\0B", 3)), QStringLiteral("A␀B"));
}
