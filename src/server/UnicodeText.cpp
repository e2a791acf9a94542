#include <server/UnicodeText.h>

namespace server {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code unit of a "\uXXXX" escape at `at` (the backslash), or -1.
int escapedUnit(QByteArrayView json, qsizetype at) {
    if (at + 6 > json.size() || json[at] != '\\' || json[at + 1] != 'u')
        return -1;
    int unit = 0;
    for (qsizetype i = at + 2; i < at + 6; ++i) {
        const int digit = hexValue(json[i]);
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

} // namespace

// Backslashes appear in valid JSON only inside strings, each starting one escape, so reading
// escape after escape from left to right never mistakes an escaped backslash for the start of
// another escape.
bool hasInvalidText(QByteArrayView json) {
    for (qsizetype i = 0; i < json.size(); ++i) {
        if (json[i] != '\\')
            continue;
        const int unit = escapedUnit(json, i);
        if (unit < 0) {
            ++i; // a one-character escape
            continue;
        }
        if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF))
            return true;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const int low = escapedUnit(json, i + 6);
            if (low < 0xDC00 || low > 0xDFFF)
                return true;
            i += 6;
        }
        i += 5;
    }
    return false;
}

} // namespace server
