#include <dataset/FormatFloat.h>

#include <QHash>
#include <QReadWriteLock>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace dataset {
namespace {

// 0 means "not set": the separators of the default locale apply.
std::atomic<char16_t> g_decimal{0};
std::atomic<char16_t> g_thousand{0};

const QString kDefaultDateFormat = QStringLiteral("dd/MM/yyyy");

struct DateFormat {
    QReadWriteLock lock;
    QString format = kDefaultDateFormat;
};

DateFormat& dateFormatState() {
    static DateFormat state;
    return state;
}

QChar firstOf(const QString& text, QChar fallback) {
    return text.isEmpty() ? fallback : text.at(0);
}

// The value's decimal digits rounded half away from zero to `decimals` places, taken from
// its 15-significant-digit form. intPart has no leading zeros ("" for zero); fracPart has
// exactly `decimals` digits. Both are ASCII digits.
void roundedDigits(double absValue, int decimals, std::string& intPart, std::string& fracPart) {
    intPart.clear();
    fracPart.clear();
    // to_chars gives the same correctly rounded digits as printf's %.14e, without the locale.
    char buf[40];
    char digits[20];
    int count = 0;
    int exponent = 0;
    if (absValue == 0.0) {
        digits[count++] = '0';
    } else {
        const auto end =
            std::to_chars(buf, buf + sizeof buf, absValue, std::chars_format::scientific, 14).ptr;
        // buf: d.dddddddddddddde[+-]XX
        const char* p = buf;
        for (; p < end && *p != 'e'; ++p)
            if (*p >= '0' && *p <= '9')
                digits[count++] = *p;
        if (p < end) {
            const bool negative = p + 1 < end && p[1] == '-';
            std::from_chars(p + 2, end, exponent);
            if (negative)
                exponent = -exponent;
        }
    }

    // digits[k] has the weight 10^(exponent - k); keep those down to 10^-decimals.
    const long keep = static_cast<long>(exponent) + 1 + decimals;
    if (keep < 0) {
        count = 0;
    } else if (keep < count) {
        const bool up = digits[keep] >= '5';
        count = static_cast<int>(keep);
        if (up) {
            int i = count - 1;
            for (; i >= 0; --i) {
                if (digits[i] == '9') {
                    digits[i] = '0';
                } else {
                    ++digits[i];
                    break;
                }
            }
            if (i < 0) {
                std::memmove(digits + 1, digits, static_cast<size_t>(count));
                digits[0] = '1';
                ++count;
                ++exponent;
            }
        }
    }
    // Lay the digits on the decimal grid from 10^exponent down to 10^-decimals.
    const int top = std::max(exponent, 0);
    const auto digitAt = [&](int weight) {
        const long k = static_cast<long>(exponent) - weight;
        return k >= 0 && k < count ? digits[k] : '0';
    };
    int w = top;
    while (w >= 0 && digitAt(w) == '0') // no leading zeros
        --w;
    intPart.reserve(static_cast<size_t>(w + 1));
    for (; w >= 0; --w)
        intPart += digitAt(w);
    fracPart.reserve(static_cast<size_t>(decimals));
    for (w = -1; w >= -decimals; --w)
        fracPart += digitAt(w);
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

// The sections of a picture: the second is used for negative values and the third for zero
// when they are given and not empty.
struct Picture {
    Section positive;
    std::optional<Section> negative;
    std::optional<Section> zero;
};

Picture parsePicture(const QString& pattern) {
    const QList<QString> sections = splitSections(pattern);
    Picture picture;
    picture.positive = parseSection(sections.at(0));
    if (sections.size() >= 2 && !sections.at(1).isEmpty())
        picture.negative = parseSection(sections.at(1));
    if (sections.size() >= 3 && !sections.at(2).isEmpty())
        picture.zero = parseSection(sections.at(2));
    return picture;
}

// A screen has a few pictures, each used for every value it shows: each is read once per
// thread. The reference is good until the next call.
const Picture& pictureOf(const QString& pattern) {
    thread_local QHash<QString, Picture> cache;
    const auto it = cache.constFind(pattern);
    if (it != cache.cend())
        return *it;
    if (cache.size() >= 256)
        cache.clear();
    return *cache.insert(pattern, parsePicture(pattern));
}

struct LocaleSeparators {
    QLocale locale;
    QChar decimal;
    QChar thousand;
};

// Asking a locale for its separators can go to the system's settings on every call: the
// default locale's are kept until the default locale changes.
const LocaleSeparators& defaultLocaleSeparators() {
    thread_local std::optional<LocaleSeparators> cache;
    const QLocale current;
    if (!cache || cache->locale != current)
        cache = LocaleSeparators{current, firstOf(current.decimalPoint(), QLatin1Char('.')),
                                 firstOf(current.groupSeparator(), QLatin1Char(','))};
    return *cache;
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
    return c ? QChar(c) : defaultLocaleSeparators().decimal;
}

QChar FormatSettings::thousandSeparator() {
    const char16_t c = g_thousand.load(std::memory_order_relaxed);
    return c ? QChar(c) : defaultLocaleSeparators().thousand;
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

QString FormatSettings::dateFormat() {
    DateFormat& state = dateFormatState();
    const QReadLocker locker(&state.lock);
    return state.format;
}

void FormatSettings::setDateFormat(const QString& format) {
    DateFormat& state = dateFormatState();
    const QWriteLocker locker(&state.lock);
    state.format = format.trimmed().isEmpty() ? kDefaultDateFormat : format.trimmed();
}

QString formatFloat(const QString& pattern, double value) {
    return formatFloat(pattern, value, FormatSettings::decimalSeparator(),
                       FormatSettings::thousandSeparator());
}

QString formatFloat(const QString& pattern, double value, QChar decimalSeparator,
                    QChar thousandSeparator) {
    if (!std::isfinite(value))
        return QString::number(value);
    if (pattern.isEmpty())
        return floatToText(value).replace(FormatSettings::decimalSeparator(), decimalSeparator);
    const Picture& picture = pictureOf(pattern);

    // The first section decides the rounding, and so whether the value is zero.
    const Section* section = &picture.positive;
    const double magnitude = std::fabs(value);
    std::string intPart, fracPart;
    roundedDigits(magnitude, section->decMax, intPart, fracPart);
    const bool zero = intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos;
    bool sign = value < 0 && !zero;
    if (zero && picture.zero) {
        section = &*picture.zero;
        sign = false;
    } else if (sign && picture.negative) {
        section = &*picture.negative;
        sign = false; // the section writes its own sign
    }
    if (section->decMax != picture.positive.decMax)
        roundedDigits(magnitude, section->decMax, intPart, fracPart);

    if (intPart.size() < static_cast<size_t>(section->intMin))
        intPart.insert(0, static_cast<size_t>(section->intMin) - intPart.size(), '0');
    size_t fracLen = fracPart.size();
    while (fracLen > static_cast<size_t>(section->decMin) && fracPart[fracLen - 1] == '0')
        --fracLen;

    QString out;
    out.reserve(section->prefix.size() + section->suffix.size() +
                static_cast<qsizetype>(intPart.size() * 4 / 3 + fracLen + 2));
    if (sign)
        out += QLatin1Char('-');
    out += section->prefix;
    if (section->grouping) {
        const size_t n = intPart.size();
        for (size_t i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                out += thousandSeparator;
            out += QLatin1Char(intPart[i]);
        }
    } else {
        out += QLatin1String(intPart.data(), static_cast<qsizetype>(intPart.size()));
    }
    if (fracLen > 0) {
        out += decimalSeparator;
        out += QLatin1String(fracPart.data(), static_cast<qsizetype>(fracLen));
    }
    out += section->suffix;
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
    std::string intPart, fracPart;
    roundedDigits(std::fabs(value), decimals, intPart, fracPart);
    std::string text = intPart.empty() ? std::string("0") : intPart;
    if (!fracPart.empty())
        text += '.' + fracPart;
    double rounded = 0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return value < 0 && rounded != 0 ? -rounded : rounded;
}

} // namespace dataset
