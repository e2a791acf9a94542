#include "FormatFloat.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

namespace dataset {
namespace {

// 0 means "not set": the separators of the default locale apply.
std::atomic<char16_t> g_decimal{0};
std::atomic<char16_t> g_thousand{0};

QChar firstOf(const QString& text, QChar fallback) {
    return text.isEmpty() ? fallback : text.at(0);
}

// The value's decimal digits rounded half away from zero to `decimals` places, taken from
// its 15-significant-digit form. intPart has no leading zeros ("" for zero); fracPart has
// exactly `decimals` digits.
void roundedDigits(double absValue, int decimals, QString& intPart, QString& fracPart) {
    intPart.clear();
    fracPart.clear();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", absValue);
    // buf: d.dddddddddddddde[+-]XX
    QString digits;
    digits.reserve(16);
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.append(QLatin1Char(*p));
    int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    if (absValue == 0.0)
        digits = QStringLiteral("0"), exponent = 0;

    // digits[k] has the weight 10^(exponent - k); keep those down to 10^-decimals.
    const qsizetype keep = exponent + 1 + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < digits.size()) {
        const bool up = digits.at(keep) >= QLatin1Char('5');
        digits.truncate(keep);
        if (up) {
            qsizetype i = digits.size() - 1;
            for (; i >= 0; --i) {
                if (digits.at(i) == QLatin1Char('9')) {
                    digits[i] = QLatin1Char('0');
                } else {
                    digits[i] = QChar(digits.at(i).unicode() + 1);
                    break;
                }
            }
            if (i < 0) {
                digits.prepend(QLatin1Char('1'));
                ++exponent;
            }
        }
    }
    // Lay the digits on the decimal grid from 10^exponent down to 10^-decimals.
    const int top = std::max(exponent, 0);
    for (int w = top; w >= -decimals; --w) {
        const qsizetype k = exponent - w;
        const QChar d = (k >= 0 && k < digits.size()) ? digits.at(k) : QLatin1Char('0');
        if (w >= 0)
            intPart.append(d);
        else
            fracPart.append(d);
    }
    qsizetype lead = 0;
    while (lead < intPart.size() && intPart.at(lead) == QLatin1Char('0'))
        ++lead;
    intPart.remove(0, lead);
}

struct Section {
    QString prefix;
    QString suffix;
    int intMin = 0; // integer digits always shown
    int decMin = 0; // decimals always shown
    int decMax = 0; // decimals at most
    bool grouping = false;
};

Section parseSection(const QString& text) {
    Section s;
    bool seenDigit = false;
    bool seenPoint = false;
    bool zeroBeforePoint = false;
    int intPlaces = 0;
    QString literal;
    auto flushLiteral = [&] {
        (seenDigit ? s.suffix : s.prefix) += literal;
        literal.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = text.indexOf(c, i + 1);
            literal += text.mid(i + 1, (end < 0 ? text.size() : end) - i - 1);
            i = end < 0 ? text.size() : end;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (seenDigit)
                literal.clear(); // text between digit places is not kept
            else
                flushLiteral();
            seenDigit = true;
            if (seenPoint) {
                ++s.decMax;
                if (c == QLatin1Char('0'))
                    s.decMin = s.decMax;
            } else {
                if (c == QLatin1Char('0'))
                    zeroBeforePoint = true;
                if (zeroBeforePoint)
                    ++s.intMin;
                ++intPlaces;
            }
        } else if (c == QLatin1Char('.') && !seenPoint) {
            if (seenDigit)
                literal.clear();
            else
                flushLiteral();
            seenPoint = true;
            seenDigit = true;
        } else if (c == QLatin1Char(',') && !seenPoint) {
            s.grouping = true;
        } else {
            literal += c;
        }
    }
    flushLiteral();
    return s;
}

QList<QString> splitSections(const QString& pattern) {
    QList<QString> sections;
    QString current;
    QChar quote;
    for (const QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            sections.append(current);
            current.clear();
            continue;
        }
        current += c;
    }
    sections.append(current);
    return sections;
}

QString group(const QString& digits, QChar separator) {
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}

bool allDigits(QStringView text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

QChar FormatSettings::decimalSeparator() {
    const char16_t c = g_decimal.load(std::memory_order_relaxed);
    return c ? QChar(c) : firstOf(QLocale().decimalPoint(), QLatin1Char('.'));
}

QChar FormatSettings::thousandSeparator() {
    const char16_t c = g_thousand.load(std::memory_order_relaxed);
    return c ? QChar(c) : firstOf(QLocale().groupSeparator(), QLatin1Char(','));
}

void FormatSettings::setDecimalSeparator(QChar separator) {
    g_decimal.store(separator.unicode(), std::memory_order_relaxed);
}

void FormatSettings::setThousandSeparator(QChar separator) {
    g_thousand.store(separator.unicode(), std::memory_order_relaxed);
}

void FormatSettings::setFromLocale(const QLocale& locale) {
    setDecimalSeparator(firstOf(locale.decimalPoint(), QLatin1Char('.')));
    setThousandSeparator(firstOf(locale.groupSeparator(), QLatin1Char(',')));
}

QString formatFloat(const QString& pattern, double value) {
    return formatFloat(pattern, value, FormatSettings::decimalSeparator(),
                       FormatSettings::thousandSeparator());
}

QString formatFloat(const QString& pattern, double value, QChar decimalSeparator,
                    QChar thousandSeparator) {
    if (!std::isfinite(value))
        return QString::number(value);
    const QList<QString> sections = splitSections(pattern);
    if (pattern.isEmpty())
        return floatToText(value).replace(FormatSettings::decimalSeparator(), decimalSeparator);

    // The first section decides the rounding, and so whether the value is zero.
    Section section = parseSection(sections.at(0));
    QString intPart, fracPart;
    roundedDigits(std::fabs(value), section.decMax, intPart, fracPart);
    const bool zero =
        intPart.isEmpty() && std::all_of(fracPart.cbegin(), fracPart.cend(),
                                         [](QChar c) { return c == QLatin1Char('0'); });
    bool sign = value < 0 && !zero;
    if (zero && sections.size() >= 3 && !sections.at(2).isEmpty()) {
        section = parseSection(sections.at(2));
        sign = false;
    } else if (sign && sections.size() >= 2 && !sections.at(1).isEmpty()) {
        section = parseSection(sections.at(1));
        sign = false; // the section writes its own sign
    }
    roundedDigits(std::fabs(value), section.decMax, intPart, fracPart);

    while (intPart.size() < section.intMin)
        intPart.prepend(QLatin1Char('0'));
    qsizetype fracLen = fracPart.size();
    while (fracLen > section.decMin && fracPart.at(fracLen - 1) == QLatin1Char('0'))
        --fracLen;
    fracPart.truncate(fracLen);

    QString out;
    if (sign)
        out += QLatin1Char('-');
    out += section.prefix;
    out += section.grouping ? group(intPart, thousandSeparator) : intPart;
    if (!fracPart.isEmpty()) {
        out += decimalSeparator;
        out += fracPart;
    }
    out += section.suffix;
    return out;
}

QString floatToText(double value) {
    // 15 significant digits, as the classic general format: sums such as 0.1 + 0.2 show as
    // 0.3, not as the 0.30000000000000004 that the binary value would spell out.
    QString text = QString::number(value, 'g', 15);
    const QChar decimal = FormatSettings::decimalSeparator();
    if (decimal != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimal);
    return text;
}

std::optional<double> parseFloat(const QString& text) {
    return parseFloat(text, FormatSettings::decimalSeparator(),
                      FormatSettings::thousandSeparator());
}

std::optional<double> parseFloat(const QString& text, QChar decimalSeparator,
                                 QChar thousandSeparator) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    QString plain;
    if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+')))
        plain += t.at(i++);
    // Integer part, with thousands separators only between groups of three.
    qsizetype intEnd = i;
    while (intEnd < t.size() && t.at(intEnd) != decimalSeparator &&
           t.at(intEnd) != QLatin1Char('e') && t.at(intEnd) != QLatin1Char('E'))
        ++intEnd;
    const QStringView intText = QStringView(t).mid(i, intEnd - i);
    if (thousandSeparator != decimalSeparator && intText.contains(thousandSeparator)) {
        const QList<QStringView> groups = intText.split(thousandSeparator);
        for (qsizetype g = 0; g < groups.size(); ++g) {
            const QStringView part = groups.at(g);
            if (!allDigits(part) || (g == 0 ? part.size() > 3 : part.size() != 3))
                return std::nullopt;
            plain += part;
        }
    } else if (!intText.isEmpty()) {
        if (!allDigits(intText))
            return std::nullopt;
        plain += intText;
    }
    i = intEnd;
    bool fraction = false;
    if (i < t.size() && t.at(i) == decimalSeparator) {
        ++i;
        qsizetype end = i;
        while (end < t.size() && t.at(end).isDigit() && t.at(end).unicode() < 128)
            ++end;
        fraction = end > i;
        plain += QLatin1Char('.');
        plain += QStringView(t).mid(i, end - i);
        i = end;
    }
    if (intText.isEmpty() && !fraction)
        return std::nullopt;
    if (i < t.size() && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        plain += QLatin1Char('e');
        ++i;
        if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+')))
            plain += t.at(i++);
        const QStringView exp = QStringView(t).mid(i);
        if (!allDigits(exp))
            return std::nullopt;
        plain += exp;
        i = t.size();
    }
    if (i != t.size())
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double roundDecimal(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    decimals = std::clamp(decimals, 0, 15);
    QString intPart, fracPart;
    roundedDigits(std::fabs(value), decimals, intPart, fracPart);
    QString text = intPart.isEmpty() ? QStringLiteral("0") : intPart;
    if (!fracPart.isEmpty())
        text += QLatin1Char('.') + fracPart;
    const double rounded = text.toDouble();
    return value < 0 && rounded != 0 ? -rounded : rounded;
}

} // namespace dataset
