// Number pictures and parsing, and edit masks with their translation to Qt input masks.

#include <dataset/EditMask.h>
#include <dataset/FormatFloat.h>

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <limits>
#include <random>

using namespace dataset;

namespace {
const QChar comma(QLatin1Char(','));
const QChar point(QLatin1Char('.'));
QString br(const char* pattern, double v) {
    return formatFloat(pattern, v, comma, point);
}
QString us(const char* pattern, double v) {
    return formatFloat(pattern, v, point, comma);
}
} // namespace

TEST(FormatFloat, ThePicturesOfTheScreen) {
    EXPECT_EQ(br("###0.000", 1234.5), "1234,500");
    EXPECT_EQ(br("#####0.000", 0), "0,000");
    EXPECT_EQ(br("#,##0.000", 1234567.891), "1.234.567,891");
    EXPECT_EQ(br("#,##0.0000", 12.5), "12,5000");
    EXPECT_EQ(us("#,##0.000", 1234567.891), "1,234,567.891");
    EXPECT_EQ(br("#,##0.000", 999.9996), "1.000,000");
    EXPECT_EQ(br("#,##0.000", 1e12), "1.000.000.000.000,000");
    EXPECT_EQ(br("###0.000", -12.3456), "-12,346");
}

TEST(FormatFloat, RoundsHalfAwayFromZeroOnTheDecimalForm) {
    EXPECT_EQ(br("0.000", 1.0005), "1,001"); // 1.0005 is 1.000499... in binary
    EXPECT_EQ(br("0.00", 2.675), "2,68");
    EXPECT_EQ(br("0.00", -2.675), "-2,68");
    EXPECT_EQ(br("0.000", 0.0004), "0,000");
    EXPECT_EQ(br("0.000", -0.0004), "0,000"); // no "-0,000"
    EXPECT_EQ(br("0", 9.5), "10");
    EXPECT_DOUBLE_EQ(roundDecimal(1.0004, 3), 1.0);
    EXPECT_DOUBLE_EQ(roundDecimal(0.9996, 3), 1.0);
    EXPECT_DOUBLE_EQ(roundDecimal(-2.5, 0), -3.0);
    EXPECT_DOUBLE_EQ(roundDecimal(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(roundDecimal(123456.789, 0), 123457.0);
}

TEST(FormatFloat, OptionalPlacesSectionsAndLiterals) {
    EXPECT_EQ(br("#.##", 0.5), ",5");
    EXPECT_EQ(br("0.##", 2), "2");
    EXPECT_EQ(br("0.0#", 2.125), "2,13");
    EXPECT_EQ(br("0.00;(0.00)", -1.5), "(1,50)");
    EXPECT_EQ(br("0.00;(0.00);\"zero\"", 0), "zero");
    EXPECT_EQ(br("\"R$ \"#,##0.00", 1500), "R$ 1.500,00");
    EXPECT_EQ(br("0.0 kg", 2), "2,0 kg");
}

// Any decimal of up to 15 significant digits is its own 15-digit form, so rounding it can be
// worked out on its integer mantissa: the picture must give exactly that, sign and grouping
// included, for every place count.
TEST(FormatFloat, RoundsEveryShortDecimalAsItsWrittenForm) {
    std::mt19937_64 random(20261207);
    const auto power = [](int n) {
        qint64 p = 1;
        while (n-- > 0)
            p *= 10;
        return p;
    };
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 15);
        const qint64 mantissa = static_cast<qint64>(random() % static_cast<quint64>(power(digits)));
        const int scale = static_cast<int>(random() % 16);
        const int decimals = static_cast<int>(random() % 7);
        const bool negative = random() % 2;
        const QString written =
            QString::number(mantissa) + QStringLiteral("e-") + QString::number(scale);
        const double value = (negative ? -1 : 1) * written.toDouble();

        // The rounded value as whole units and a fraction of `decimals` digits.
        qint64 whole = 0;
        QString fraction;
        if (scale > decimals) {
            const qint64 dropped = power(scale - decimals);
            const qint64 kept = mantissa / dropped + (mantissa % dropped * 2 >= dropped ? 1 : 0);
            whole = kept / power(decimals);
            fraction =
                QStringLiteral("%1").arg(kept % power(decimals), decimals, 10, QLatin1Char('0'));
        } else {
            whole = mantissa / power(scale);
            if (scale > 0)
                fraction =
                    QStringLiteral("%1").arg(mantissa % power(scale), scale, 10, QLatin1Char('0'));
            fraction += QString(decimals - scale, QLatin1Char('0'));
        }
        const QString wholeText = QString::number(whole);
        QString expected;
        for (qsizetype k = 0; k < wholeText.size(); ++k) {
            if (k > 0 && (wholeText.size() - k) % 3 == 0)
                expected += QLatin1Char('.');
            expected += wholeText.at(k);
        }
        if (decimals > 0)
            expected += QLatin1Char(',') + fraction;
        const bool zero =
            whole == 0 && !fraction.contains(QRegularExpression(QStringLiteral("[1-9]")));
        if (negative && !zero)
            expected.prepend(QLatin1Char('-'));
        const QString pattern = decimals > 0
                                    ? QStringLiteral("#,##0.") + QString(decimals, QLatin1Char('0'))
                                    : QStringLiteral("#,##0");
        ASSERT_EQ(formatFloat(pattern, value, comma, point).toStdString(), expected.toStdString())
            << written.toStdString() << " with " << decimals << " places";
    }
}

TEST(FormatFloat, LargeTinyAndOutOfRangeValues) {
    EXPECT_EQ(us("0", 1e20), "100000000000000000000");
    EXPECT_EQ(us("#,##0", 123456789012345678.0), "123,456,789,012,346,000");
    EXPECT_EQ(us("0.00", 1e-300), "0.00");
    EXPECT_EQ(us("0.00", 0.005), "0.01");
    EXPECT_EQ(us("0.00", -0.005), "-0.01");
    EXPECT_EQ(us("0.##########", 1.0 / 3), "0.3333333333");
    EXPECT_EQ(us("0.0", 99.96), "100.0");
    EXPECT_EQ(us("#", 0.4), "");
    EXPECT_EQ(us("0.00", std::numeric_limits<double>::infinity()), "inf");
    // The pattern is remembered per text: a different one right after gives its own form.
    EXPECT_EQ(us("0.0", 2.25), "2.3");
    EXPECT_EQ(us("0.000", 2.25), "2.250");
    EXPECT_EQ(us("0.0;(0.0);-", -2.25), "(2.3)");
    EXPECT_EQ(us("0.0;(0.0);-", 0.01), "-");
}

// Without separators of its own the process follows the default locale, also when it changes.
TEST(FormatSettings, UnsetSeparatorsFollowTheDefaultLocale) {
    FormatSettings::setDecimalSeparator(QChar());
    FormatSettings::setThousandSeparator(QChar());
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(formatFloat("#,##0.00", 1234.5), "1.234,50");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(formatFloat("#,##0.00", 1234.5), "1,234.50");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatSettings::decimalSeparator(), comma);
    QLocale::setDefault(QLocale::c());
}

TEST(ParseFloat, ReadsTheUsersSeparatorsStrictly) {
    EXPECT_EQ(parseFloat("1.234,5", comma, point), 1234.5);
    EXPECT_EQ(parseFloat("12.345.678,9", comma, point), 12345678.9);
    EXPECT_EQ(parseFloat(" -0,5 ", comma, point), -0.5);
    EXPECT_EQ(parseFloat(",5", comma, point), 0.5);
    EXPECT_EQ(parseFloat("1234", comma, point), 1234.0);
    EXPECT_EQ(parseFloat("1e3", comma, point), 1000.0);
    EXPECT_EQ(parseFloat("1,234.5", point, comma), 1234.5);
    EXPECT_FALSE(parseFloat("12.5", comma, point)); // misplaced thousands separator
    EXPECT_FALSE(parseFloat("1.23,4", comma, point));
    EXPECT_FALSE(parseFloat("1,2,3", comma, point));
    EXPECT_FALSE(parseFloat("", comma, point));
    EXPECT_FALSE(parseFloat("-", comma, point));
    EXPECT_FALSE(parseFloat("abc", comma, point));
    EXPECT_FALSE(parseFloat("1,5x", comma, point));
    EXPECT_FALSE(parseFloat("1e999", comma, point));
}

TEST(FormatSettings, IsProcessWideAndFollowsALocale) {
    FormatSettings::setFromLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(FormatSettings::decimalSeparator(), comma);
    EXPECT_EQ(FormatSettings::thousandSeparator(), point);
    EXPECT_EQ(formatFloat("#,##0.000", 1234.5), "1.234,500");
    EXPECT_EQ(floatToText(0.1), "0,1");
    EXPECT_EQ(parseFloat("2,5"), 2.5);
    FormatSettings::setFromLocale(QLocale::c());
    EXPECT_EQ(formatFloat("#,##0.000", 1234.5), "1,234.500");
}

TEST(EditMask, SectionsOfTheMask) {
    const EditMask cpf("999.999.999-99;0;_");
    EXPECT_FALSE(cpf.saveLiterals());
    EXPECT_EQ(cpf.blank(), QLatin1Char('_'));
    EXPECT_EQ(cpf.placeholderCount(), 11);
    const EditMask nf("99999999999999999999;0; ");
    EXPECT_EQ(nf.blank(), QLatin1Char(' '));
    EXPECT_EQ(nf.placeholderCount(), 20);
    const EditMask picture("9.99.999");
    EXPECT_TRUE(picture.saveLiterals());
    EXPECT_EQ(picture.blank(), QLatin1Char('_'));
    EXPECT_TRUE(EditMask("").isEmpty());
    EXPECT_EQ(EditMask("\\;99;0;*").placeholderCount(), 2);
    EXPECT_EQ(EditMask("\\;99;0;*").blank(), QLatin1Char('*'));
}

TEST(EditMask, FormatMaskTextFillsPositionsAndInsertsLiterals) {
    EXPECT_EQ(formatMaskText("999.999.999-99;0;_", "12345678909"), "123.456.789-09");
    EXPECT_EQ(formatMaskText("999.999.999-99;0;_", "123.456.789-09"), "123.456.789-09");
    EXPECT_EQ(formatMaskText("999.999.999-99;0;_", "123"), "123.___.___-__");
    EXPECT_EQ(formatMaskText(">AA.AAA.AAA/AAAA-00;0;_", "12abc34501de35"), "12.ABC.345/01DE-35");
    EXPECT_EQ(formatMaskText("9.99.999", "101001"), "1.01.001");
    EXPECT_EQ(formatMaskText("9.99.999", "1.01.001"), "1.01.001");
    EXPECT_EQ(formatMaskText("!999;0;_", "7"), "__7");
    EXPECT_EQ(formatMaskText("", "abc"), "abc");
}

TEST(EditMask, ShownTextBackToTheStoredValue) {
    const EditMask cpf("999.999.999-99;0;_");
    EXPECT_EQ(cpf.valueFromText("123.456.789-09"), "12345678909");
    EXPECT_EQ(cpf.valueFromText("123.456.___-__"), "123456");
    EXPECT_EQ(cpf.valueFromText("123.45"), "12345"); // blanks already dropped
    const EditMask picture("9.99.999;1;_");
    EXPECT_EQ(picture.valueFromText("1.01.001"), "1.01.001");
    EXPECT_EQ(picture.valueFromText("1.0_.___"), "1.0");
    EXPECT_EQ(picture.valueFromText("_.__.___"), "");
    EXPECT_EQ(stripLiterals("9.99.999", "1.01.001"), "101001");
    EXPECT_TRUE(EditMask("000.000;0;_").isComplete("123.456"));
    EXPECT_FALSE(EditMask("000.000;0;_").isComplete("123.45_"));
    EXPECT_TRUE(EditMask("000.999;0;_").isComplete("123.___"));
    EXPECT_FALSE(EditMask("000;0;_").isComplete("12a"));
}

TEST(EditMask, TranslationToQtInputMasks) {
    // Qt swaps the meaning of 9 and 0, calls letters-or-digits N and takes the blank after ';'.
    EXPECT_EQ(toQtInputMask("999.999.999-99;0;_"), "000.000.000-00;_");
    EXPECT_EQ(toQtInputMask("000.000.000-00;0;_"), "999.999.999-99;_");
    EXPECT_EQ(toQtInputMask(">AA.AAA.AAA/AAAA-00;0;_"), ">NN.NNN.NNN/NNNN-99;_");
    EXPECT_EQ(toQtInputMask("99999999999999999999;0; "), "00000000000000000000; ");
    EXPECT_EQ(toQtInputMask("9.99.999"), "0.00.000;_");
    EXPECT_EQ(toQtInputMask("LlCc#"), "AaXx#;_");
    EXPECT_EQ(toQtInputMask(">ll<>ll<l"), ">aa!aa<a;_");
    // Characters that Qt reads as mask characters stay literal.
    EXPECT_EQ(toQtInputMask("\\A-\\9 N99"), "\\A-\\9 \\N00;_");
    EXPECT_EQ(toQtInputMask(""), "");
}
