#pragma once
// The check of a server answer of the form {"messages": [...], "data": [packet, ...]}.

#include <QByteArray>
#include <QJsonValue>

namespace Consiste {

// Answers data[index], the packet to load. With raiseMessages true, any message in the
// answer is raised as host::EHostError (the messages joined by line breaks); an answer
// without that shape raises too.
QJsonValue CheckResultServ(const QJsonValue& result, bool raiseMessages = true, int index = 0);

// The same check over the answer's JSON text (TNetConnection::CallText): answers the text of
// data[index] as it stands, unparsed, for a reader that parses the packet itself in one pass.
// Only the answer's outline is followed here; a malformed answer raises as one without data.
// mark, when given, receives the answer's "marca" text (empty without one): the list's mark
// for asking later only what changed since.
QByteArray CheckResultServText(QByteArrayView result, bool raiseMessages = true, int index = 0,
                               QString* mark = nullptr);

} // namespace Consiste
