// Arithmetic of the item-total check: rounding both sides to three decimals before comparing,
// and the difference as the message shows it.
#include <est25000/SomaItens.h>

#include <dataset/FormatFloat.h>

#include <gtest/gtest.h>

using namespace Cli_est25000;

namespace {

class SomaItens : public ::testing::Test {
protected:
    void SetUp() override {
        decimal = dataset::FormatSettings::decimalSeparator();
        milhar = dataset::FormatSettings::thousandSeparator();
        dataset::FormatSettings::setDecimalSeparator(QLatin1Char(','));
        dataset::FormatSettings::setThousandSeparator(QLatin1Char('.'));
    }
    void TearDown() override {
        dataset::FormatSettings::setDecimalSeparator(decimal);
        dataset::FormatSettings::setThousandSeparator(milhar);
    }
    QChar decimal, milhar;
};

TEST_F(SomaItens, ItemsShortOfTheSampleGiveANegativeDifference) {
    const auto diferenca = diferencaSomaItens({4.0, 5.5}, 10.0);
    ASSERT_TRUE(diferenca.has_value());
    EXPECT_EQ(textoDiferenca(*diferenca), QStringLiteral("-0,5000"));
}

TEST_F(SomaItens, BothSidesAreRoundedToThreeDecimalsBeforeTheyAreCompared) {
    EXPECT_FALSE(diferencaSomaItens({6.0004, 4.0}, 10.0).has_value());
    EXPECT_FALSE(diferencaSomaItens({1.0004}, 0.9996).has_value());
    // 0.1 + 0.2 is not 0.3 in binary; rounded, it is.
    EXPECT_FALSE(diferencaSomaItens({0.1, 0.2}, 0.3).has_value());
    EXPECT_TRUE(diferencaSomaItens({6.0006, 4.0}, 10.0).has_value());
}

TEST_F(SomaItens, TheDifferenceIsShownWithTheUsersSeparators) {
    const auto diferenca = diferencaSomaItens({1500.25, 1000.0}, 1265.75);
    ASSERT_TRUE(diferenca.has_value());
    EXPECT_EQ(textoDiferenca(*diferenca), QStringLiteral("1.234,5000"));

    dataset::FormatSettings::setDecimalSeparator(QLatin1Char('.'));
    dataset::FormatSettings::setThousandSeparator(QLatin1Char(','));
    EXPECT_EQ(textoDiferenca(*diferenca), QStringLiteral("1,234.5000"));
}

} // namespace
