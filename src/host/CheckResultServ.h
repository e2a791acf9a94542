#pragma once
// The check of a server answer of the form {"messages": [...], "data": [packet, ...]}.

#include <QJsonValue>

namespace Consiste {

// Answers data[index], the packet to load. With raiseMessages true, any message in the
// answer is raised as host::EHostError (the messages joined by line breaks); an answer
// without that shape raises too.
QJsonValue CheckResultServ(const QJsonValue& result, bool raiseMessages = true, int index = 0);

} // namespace Consiste
