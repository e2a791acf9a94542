#include <host/library/Consiste.h>

#include <dataset/FormatFloat.h>

#include <algorithm>

namespace Consiste {
namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isUpperAscii(QChar c) {
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

bool allDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), isDigit);
}

bool oneRepeatedChar(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [&](QChar c) { return c == text.at(0); });
}

// Modulo-11 check digit over the characters' values with the given weights.
int checkDigit(const QString& chars, const int* weights) {
    int sum = 0;
    for (qsizetype i = 0; i < chars.size(); ++i)
        sum += (chars.at(i).unicode() - 48) * weights[i];
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

bool cnpjShape(const QString& n) {
    if (n.size() != 14)
        return false;
    for (qsizetype i = 0; i < 12; ++i)
        if (!isDigit(n.at(i)) && !isUpperAscii(n.at(i)))
            return false;
    return isDigit(n.at(12)) && isDigit(n.at(13));
}

} // namespace

bool EmptyString(const QString& text) {
    return text.trimmed().isEmpty();
}

QString AllTrim(const QString& text) {
    return text.trimmed();
}

QString Replicate(const QString& text, int count) {
    return count > 0 ? text.repeated(count) : QString();
}

QString Ajusta(const QString& text, int width) {
    const QString t = text.trimmed();
    if (t.isEmpty() || !allDigits(t) || t.size() >= width)
        return t;
    return t.rightJustified(width, QLatin1Char('0'));
}

QString SoAlfanumericos(const QString& number) {
    QString out;
    out.reserve(number.size());
    for (const QChar c : number)
        if (isDigit(c) || (c.isLetter() && c.unicode() < 128))
            out += c.toUpper();
        else if (c.isLetterOrNumber())
            out += c; // any other letter stays, so the number is not taken for valid
    return out;
}

QString DigitosCPF(const QString& base) {
    if (base.size() != 9 || !allDigits(base))
        return QString();
    static const int w1[] = {10, 9, 8, 7, 6, 5, 4, 3, 2};
    static const int w2[] = {11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
    const int d1 = checkDigit(base, w1);
    const int d2 = checkDigit(base + QString::number(d1), w2);
    return QString::number(d1) + QString::number(d2);
}

QString DigitosCNPJ(const QString& base) {
    if (base.size() != 12 || !cnpjShape(base + QStringLiteral("00")))
        return QString();
    static const int w1[] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    static const int w2[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    const int d1 = checkDigit(base, w1);
    const int d2 = checkDigit(base + QString::number(d1), w2);
    return QString::number(d1) + QString::number(d2);
}

bool ValidaCPF(const QString& number) {
    const QString n = SoAlfanumericos(number);
    return n.size() == 11 && allDigits(n) && !oneRepeatedChar(n) &&
           DigitosCPF(n.left(9)) == n.right(2);
}

bool ValidaCNPJ(const QString& number) {
    const QString n = SoAlfanumericos(number);
    return cnpjShape(n) && !oneRepeatedChar(n) && DigitosCNPJ(n.left(12)) == n.right(2);
}

bool ValidaInscricao(const QString& number, const QString& type) {
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("F"))
        return ValidaCPF(number);
    if (t == QLatin1String("J"))
        return ValidaCNPJ(number);
    return false;
}

QString Ajusta_Inscricao(QString& number) {
    const QString n = SoAlfanumericos(number);
    if (n.size() == 11 && ValidaCPF(n)) {
        number = n;
        return QStringLiteral("F");
    }
    if (n.size() == 14 && ValidaCNPJ(n)) {
        number = n;
        return QStringLiteral("J");
    }
    return QString();
}

QString PictPess(const QString& type) {
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("F"))
        return QStringLiteral("999.999.999-99;0;_");
    if (t == QLatin1String("J"))
        return QStringLiteral(">aa.aaa.aaa/aaaa-99;0;_");
    return QString();
}

double RoundDec(double value, int decimals) {
    return dataset::roundDecimal(value, decimals);
}

} // namespace Consiste
