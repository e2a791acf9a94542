#pragma once
// Number formatting by picture ("###0.000", "#,##0.000", "0.00;-0.00;zero"...) under the
// user's decimal and thousands separators, which are process-wide and set by the host, as is
// the user's date format.
//
// Picture characters: '0' a digit always shown, '#' a digit shown when significant, '.' the
// place of the decimal separator, ',' anywhere in the integer part turns on thousands
// grouping, ';' separates the sections for positive, negative and zero values, text in
// quotes and any other character is copied. Values are rounded half away from zero on their
// decimal (15 significant digits) form, so 1.0005 with three decimals shows 1.001.

#include <QChar>
#include <QLocale>
#include <QString>

#include <optional>

namespace dataset {

class FormatSettings {
public:
    static QChar decimalSeparator();
    static QChar thousandSeparator();
    static void setDecimalSeparator(QChar separator);
    static void setThousandSeparator(QChar separator);
    static void setFromLocale(const QLocale& locale);
    // The date format of display and edit texts (QDate's syntax); "dd/MM/yyyy" unless set.
    static QString dateFormat();
    static void setDateFormat(const QString& format); // empty: back to "dd/MM/yyyy"
};

QString formatFloat(const QString& pattern, double value);
QString formatFloat(const QString& pattern, double value, QChar decimalSeparator,
                    QChar thousandSeparator);

// Plain text of a number for editing: up to 15 significant digits, the user's decimal separator,
// no grouping.
QString floatToText(double value);

// Reads a number typed with the user's separators: optional sign, thousands separators only
// in their places, decimal separator, optional exponent. Blanks around are ignored.
std::optional<double> parseFloat(const QString& text);
std::optional<double> parseFloat(const QString& text, QChar decimalSeparator,
                                 QChar thousandSeparator);

// Rounds half away from zero on the value's decimal form (so 1.0005 -> 1.001, 0.9996 -> 1.0).
double roundDecimal(double value, int decimals);

} // namespace dataset
