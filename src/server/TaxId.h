#pragma once
// Check digits of the Brazilian tax ids: CPF (persons, 11 digits) and CNPJ (companies, 12
// letters or digits then 2 check digits; the alphanumeric form is valid since July 2026 and
// reduces to the numeric rule for digits). The server keeps its own copy: it must not
// depend on the desktop host's libraries.

#include <QString>

namespace server {

// The two check digits for the first 9 CPF digits, or for the first 12 CNPJ characters.
QString cpfCheckDigits(const QString& base9);
QString cnpjCheckDigits(const QString& base12);

bool isValidCpf(const QString& cpf);   // 11 digits, not all equal
bool isValidCnpj(const QString& cnpj); // 14 characters, upper case letters or digits

} // namespace server
