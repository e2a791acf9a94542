#pragma once
// Text a request may not carry: JSON escapes that name half of a UTF-16 surrogate pair on its
// own (no valid Unicode text holds one; SQLite would store invalid UTF-8 and PostgreSQL a
// "?"), and the NUL character, which PostgreSQL cannot store in text.

#include <QByteArrayView>

namespace server {

// True when the JSON text holds a lone surrogate or a NUL escape. Raw bytes that are not UTF-8
// are left to the JSON readers, which refuse them.
bool hasInvalidText(QByteArrayView json);

} // namespace server
