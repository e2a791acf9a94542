#include <server/ConfigFile.h>

#include <QFile>
#include <QStringList>

#include <stdexcept>

namespace server {

ConfigSettings readConfigFile(const QString& path, const QStringList& allowedNames) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error(QStringLiteral("não foi possível ler o arquivo de configuração "
                                                "%1: %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    ConfigSettings settings;
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = line.left(equals).trimmed();
        const auto wrong = [&](const QString& what) {
            return std::runtime_error(
                QStringLiteral("%1, linha %2: %3").arg(path).arg(number).arg(what).toStdString());
        };
        if (equals < 0)
            throw wrong(QStringLiteral("esperava nome = valor"));
        if (!allowedNames.contains(name))
            throw wrong(QStringLiteral("configuração desconhecida \"%1\" (valem: %2)")
                            .arg(name, allowedNames.join(QStringLiteral(", "))));
        settings.append({name, line.mid(equals + 1).trimmed()});
    }
    return settings;
}

} // namespace server
