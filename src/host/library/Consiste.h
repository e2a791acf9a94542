#pragma once
// Text, number and tax-registration functions of the host library (unit Consiste).
// The choices behind each are written down in docs/library.md.

#include <QString>

namespace Consiste {

// True when the text holds nothing but blanks (spaces, tabs, line breaks).
bool EmptyString(const QString& text);
// The text without leading and trailing blanks.
QString AllTrim(const QString& text);
// The text repeated count times; empty for a count of zero or below.
QString Replicate(const QString& text, int count);
// A number typed as digits brought to the width with leading zeros. An empty (blank) text
// stays empty; any other text, or one already as wide or wider, comes back trimmed and
// otherwise unchanged.
QString Ajusta(const QString& text, int width);

// Person type of a tax registration number: "F" for a CPF (11 digits), "J" for a CNPJ (14
// characters: 12 letters or digits, then 2 check digits), each only when its check digits
// hold. On success the number is rewritten without punctuation and with upper-case
// letters; otherwise it is left as it came and the result is empty.
QString Ajusta_Inscricao(QString& number);
// Edit mask for a registration number of a person type: CPF "999.999.999-99;0;_" for "F",
// the alphanumeric CNPJ ">aa.aaa.aaa/aaaa-99;0;_" for "J", no mask ("") for any other.
QString PictPess(const QString& type);

// The value rounded half away from zero to that many decimals, on its decimal form
// (1.0004 and 0.9996 both give 1.000 with 3 decimals).
double RoundDec(double value, int decimals);

// Check digits. The number is taken without punctuation; a CNPJ's letters count as their
// character code minus 48. Numbers made of one repeated digit are refused.
bool ValidaCPF(const QString& number);
bool ValidaCNPJ(const QString& number);
bool ValidaInscricao(const QString& number, const QString& type);
// The two check digits of the first 9 CPF digits or the first 12 CNPJ characters; empty
// when the text does not have that shape.
QString DigitosCPF(const QString& base);
QString DigitosCNPJ(const QString& base);
// The number without punctuation or blanks, letters in upper case.
QString SoAlfanumericos(const QString& number);

} // namespace Consiste
