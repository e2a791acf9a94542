#include <server/TaxId.h>

namespace server {
namespace {

// Weighted sum modulo 11: 0 for a remainder below 2, else 11 minus it.
int checkDigit(const QString& digits, int firstWeight, int maxWeight) {
    int sum = 0;
    int weight = firstWeight;
    for (QChar c : digits) {
        sum += (c.unicode() - '0') * weight; // letters count by their code minus 48
        weight = weight == 2 ? maxWeight : weight - 1;
    }
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

bool allDigits(const QString& text) {
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

QString cpfCheckDigits(const QString& base9) {
    const int d1 = checkDigit(base9, 10, 10);
    const int d2 = checkDigit(base9 + QString::number(d1), 11, 11);
    return QString::number(d1) + QString::number(d2);
}

QString cnpjCheckDigits(const QString& base12) {
    // Weights 5..2 then 9..2 for the first digit, 6..2 then 9..2 for the second.
    const int d1 = checkDigit(base12, 5, 9);
    const int d2 = checkDigit(base12 + QString::number(d1), 6, 9);
    return QString::number(d1) + QString::number(d2);
}

bool isValidCpf(const QString& cpf) {
    if (cpf.size() != 11 || !allDigits(cpf) || cpf.count(cpf.at(0)) == 11)
        return false;
    return cpfCheckDigits(cpf.left(9)) == cpf.right(2);
}

bool isValidCnpj(const QString& cnpj) {
    if (cnpj.size() != 14 || !allDigits(cnpj.right(2)) || cnpj.count(cnpj.at(0)) == 14)
        return false;
    for (QChar c : cnpj.left(12))
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    return cnpjCheckDigits(cnpj.left(12)) == cnpj.right(2);
}

} // namespace server
