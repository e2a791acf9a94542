#pragma once
// The answer of a confirmation: the packet of error rows for the screen (empty when the
// changes were stored) and the number of the last sample stored.

#include <server/SampleRecord.h>

#include <QByteArray>
#include <QJsonValue>

namespace server {

QJsonValue confirmationAnswer(const QList<ErrorRow>& errors, const QString& number);
// The same as compact JSON text, byte for byte what QJsonDocument writes for it; the usual
// answer (no error row) is its constant part, written once, and the number.
QByteArray confirmationAnswerText(const QList<ErrorRow>& errors, const QString& number);

} // namespace server
