// Amounts as the report shows them, and which cell texts the export turns back into numbers.
#include "report/AmountText.h"

#include <gtest/gtest.h>
#include <limits>

TEST(AmountText, FormatsWithSeparatorsAndTwoDecimals) {
    const std::pair<double, const char *> cases[] = {
        {1234567.5, "1,234,567.50"}, {0, "0.00"},         {-1234.5, "-1,234.50"},
        {999.999, "1,000.00"},       {0.005, "0.01"},     {-0.001, "0.00"},
        {100, "100.00"},             {1000, "1,000.00"},  {123456789012.34, "123,456,789,012.34"},
        // Half cents round away from zero as the decimal amount reads, whatever the binary value.
        {2.675, "2.68"},             {-2.675, "-2.68"},   {1.005, "1.01"},
        {0.125, "0.13"},             {1.115, "1.12"},     {1234.5650, "1,234.57"},
        // Either side of 10^13, where whole cents stop being written digit by digit.
        {9999999999999.99, "9,999,999,999,999.99"}, {-10000000000000.0, "-10,000,000,000,000.00"},
        {12345678901234.5, "12,345,678,901,234.50"},
    };
    for (const auto &[value, text] : cases) EXPECT_EQ(FormatAmountText(value), QString(text)) << value;
}

TEST(AmountText, ParsesExactlyWhatTheFormatShows) {
    const std::pair<const char *, double> amounts[] = {
        {"1,234,567.50", 1234567.5}, {"0.00", 0}, {"-1,234.50", -1234.5}, {"12.30", 12.3},
        {"999,999,999,999.99", 999999999999.99},
    };
    for (const auto &[text, value] : amounts) {
        double v = -1;
        ASSERT_TRUE(ParseAmountText(QString(text), &v)) << text;
        EXPECT_DOUBLE_EQ(v, value) << text;
    }
}

TEST(AmountText, CodesAndOtherTextsStayTexts) {
    const char *texts[] = {
        "001", "201", "12", "", "1234.50",  // no separator where the format puts one
        "1,23.00", "1,2345.00", ",123.00", "1,234,", "01.00", "1.5", "1.500", "-", "-.50",
        "1,234.5x", "合  计", "1 234.00", "+1.00", "-0.00",
        "123,456,789,012,345,678.00",  // more digits than a double carries
    };
    for (const char *t : texts) {
        double v = 0;
        EXPECT_FALSE(ParseAmountText(QString(t), &v)) << t;
    }
}

TEST(AmountText, RoundTripsAcrossMagnitudes) {
    for (double v = 0.01; v < 1e13; v = v * 7.3 + 0.37) {
        const QString shown = FormatAmountText(v);
        double back = 0;
        ASSERT_TRUE(ParseAmountText(shown, &back)) << shown.toStdString();
        EXPECT_EQ(FormatAmountText(back), shown);
        ASSERT_TRUE(ParseAmountText(FormatAmountText(-v), &back));
    }
}

// A report cell shows figures only where a double holds them to the cent; beyond, it says so.
TEST(AmountText, ReportCellsSayWhenCentsAreNoLongerTrue) {
    EXPECT_EQ(ReportAmountText(90071992547409.0), QStringLiteral("90,071,992,547,409.00"));
    EXPECT_EQ(ReportAmountText(-12.5), QStringLiteral("-12.50"));
    for (double v : {90071992547410.0, 1000000000035620600.38, -1e15})
        EXPECT_EQ(ReportAmountText(v), QStringLiteral("金额超出精确范围")) << v;
    double parsed = 0;
    EXPECT_FALSE(ParseAmountText(ReportAmountText(1e15), &parsed));  // written as a text, not a figure
}
