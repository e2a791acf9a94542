#pragma once
#include <QString>

namespace server {

// A code as stored (product tree code, tax id): the picture's literals (points, dashes, blanks)
// removed, so "1.01.001" and "101001" name the same product and a masked tax id its bare number.
inline QString bareCode(const QString& code) {
    QString bare;
    bare.reserve(code.size());
    for (QChar c : code)
        if (c.isLetterOrNumber())
            bare.append(c);
    return bare;
}

} // namespace server
