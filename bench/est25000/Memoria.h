#pragma once
// What the benches read of the process's memory.

#include <QByteArray>
#include <QFile>

namespace est25000::bench {

// The process's resident memory in kB (Linux; 0 elsewhere).
inline double residente() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& linha : status.readAll().split('\n'))
        if (linha.startsWith("VmRSS:"))
            return linha.mid(6).trimmed().split(' ').value(0).toDouble();
    return 0;
}

} // namespace est25000::bench
