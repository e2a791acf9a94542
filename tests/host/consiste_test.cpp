// Library functions of unit Consiste: text helpers, rounding, tax registration numbers.

#include <dataset/EditMask.h>
#include <host/library/Consiste.h>

#include <gtest/gtest.h>

using namespace Consiste;

TEST(Consiste, BlanksAndTrimming) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("  \t "));
    EXPECT_FALSE(EmptyString(" 0 "));
    EXPECT_EQ(AllTrim("  Nota  fiscal \t"), "Nota  fiscal");
}

TEST(Consiste, ReplicateEvenWithCountsBelowZero) {
    EXPECT_EQ(Replicate("z", 0), "");
    EXPECT_EQ(Replicate("z", 3), "zzz");
    EXPECT_EQ(Replicate("z", -2), ""); // a code longer than its range width
    EXPECT_EQ(Replicate("ab", 2), "abab");
}

TEST(Consiste, AjustaFillsDigitsWithLeadingZeros) {
    EXPECT_EQ(Ajusta("123", 10), "0000000123");
    EXPECT_EQ(Ajusta(" 42 ", 5), "00042");
    EXPECT_EQ(Ajusta("", 10), ""); // an empty field stays empty
    EXPECT_EQ(Ajusta("   ", 10), "");
    EXPECT_EQ(Ajusta("12345678901", 10), "12345678901"); // never loses digits
    EXPECT_EQ(Ajusta("12A", 6), "12A");
    EXPECT_EQ(Ajusta("7", 0), "7");
}

TEST(Consiste, RoundDecTreatsNearValuesAsEqual) {
    EXPECT_DOUBLE_EQ(RoundDec(1.0004, 3), 1.0);
    EXPECT_DOUBLE_EQ(RoundDec(0.9996, 3), 1.0);
    EXPECT_EQ(RoundDec(1.0004, 3), RoundDec(0.9996, 3));
    EXPECT_DOUBLE_EQ(RoundDec(1.0005, 3), 1.001);
    EXPECT_DOUBLE_EQ(RoundDec(-1.0005, 3), -1.001);
    EXPECT_DOUBLE_EQ(RoundDec(0.1 + 0.2, 3), 0.3);
}

TEST(Consiste, CheckDigitsOfCpfAndBothCnpjForms) {
    EXPECT_EQ(DigitosCPF("529982247"), "25");
    EXPECT_TRUE(ValidaCPF("529.982.247-25"));
    EXPECT_TRUE(ValidaCPF("12345678909"));
    EXPECT_FALSE(ValidaCPF("529.982.247-24"));
    EXPECT_FALSE(ValidaCPF("111.111.111-11")); // check digits hold, but no such CPF
    EXPECT_FALSE(ValidaCPF("5299822472"));

    EXPECT_EQ(DigitosCNPJ("112223330001"), "81");
    EXPECT_TRUE(ValidaCNPJ("11.222.333/0001-81"));
    EXPECT_FALSE(ValidaCNPJ("11.222.333/0001-80"));
    EXPECT_FALSE(ValidaCNPJ("00000000000000"));
    // Alphanumeric form: letters count as their code minus 48 (A = 17).
    EXPECT_EQ(DigitosCNPJ("12ABC34501DE"), "35");
    EXPECT_TRUE(ValidaCNPJ("12.ABC.345/01DE-35"));
    EXPECT_TRUE(ValidaCNPJ("12abc34501de35"));
    EXPECT_FALSE(ValidaCNPJ("12.ABC.345/01DE-53"));
    EXPECT_FALSE(ValidaCNPJ("12ABC34501DEA5")); // check digits are digits
    EXPECT_FALSE(ValidaCNPJ(QString::fromUtf8("12ÁBC34501DE35")));
    EXPECT_EQ(DigitosCNPJ("12ABC34501D"), "");

    EXPECT_TRUE(ValidaInscricao("52998224725", "F"));
    EXPECT_FALSE(ValidaInscricao("52998224725", "J"));
    EXPECT_FALSE(ValidaInscricao("52998224725", ""));
}

TEST(Consiste, AjustaInscricaoTellsThePersonTypeAndCleansTheNumber) {
    QString n = "529.982.247-25";
    EXPECT_EQ(Ajusta_Inscricao(n), "F");
    EXPECT_EQ(n, "52998224725");

    n = " 12.abc.345/01de-35 ";
    EXPECT_EQ(Ajusta_Inscricao(n), "J");
    EXPECT_EQ(n, "12ABC34501DE35");

    n = "11222333000181";
    EXPECT_EQ(Ajusta_Inscricao(n), "J");
    EXPECT_EQ(n, "11222333000181");

    n = "529.982.247-24"; // wrong check digit: no type, number as typed
    EXPECT_EQ(Ajusta_Inscricao(n), "");
    EXPECT_EQ(n, "529.982.247-24");

    n = "";
    EXPECT_EQ(Ajusta_Inscricao(n), "");
    EXPECT_EQ(n, "");
}

TEST(Consiste, PictPessMasksFormatTheNumbers) {
    EXPECT_EQ(PictPess("F"), "999.999.999-99;0;_");
    EXPECT_EQ(dataset::formatMaskText(PictPess("F"), "52998224725"), "529.982.247-25");
    EXPECT_EQ(dataset::formatMaskText(PictPess("J"), "12abc34501de35"), "12.ABC.345/01DE-35");
    EXPECT_EQ(dataset::formatMaskText(PictPess("j"), "11222333000181"), "11.222.333/0001-81");
    EXPECT_EQ(PictPess(""), "");
    EXPECT_EQ(PictPess("X"), "");
    // The round trip a supplier edit makes: typed, cleaned, shown, stored.
    QString typed = "12.ABC.345/01DE-35";
    const QString mask = PictPess(Ajusta_Inscricao(typed));
    const dataset::EditMask edit(mask);
    EXPECT_EQ(edit.valueFromText(edit.format(typed)), "12ABC34501DE35");
    EXPECT_EQ(dataset::toQtInputMask(mask), ">nn.nnn.nnn/nnnn-00;_");
}
