#include <host/core/Configuration.h>

#include <host/core/DatabaseRead.h>
#include <host/core/Exceptions.h>

#include <dataset/FormatFloat.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace host {

QString cfg::processingDateKey(const QString& branch) {
    return QStringLiteral("dtprocessamento/") + branch;
}

namespace {

struct State {
    SettingsLayer overrides, commandLine, environment, ini, database, defaults;
    std::function<std::optional<QSqlDatabase>()> db;
    bool loaded = false;
};

State& state() {
    static State s;
    return s;
}

void ensureLoaded() {
    State& s = state();
    if (!s.loaded) {
        s.loaded = true;
        s.defaults = Configuration::defaults();
    }
}

std::optional<QSqlDatabase> attachedDatabase() {
    State& s = state();
    if (!s.db)
        return std::nullopt;
    std::optional<QSqlDatabase> db = s.db();
    if (!db || !db->isOpen())
        return std::nullopt;
    return db;
}

} // namespace

SettingsLayer Configuration::fromCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("server"), QString(), QStringLiteral("host:port")});
    parser.addOption({QStringLiteral("token"), QString(), QStringLiteral("token")});
    parser.addOption({QStringLiteral("tls-ca"), QString(), QStringLiteral("file")});
    parser.addOption({QStringLiteral("database"), QString(), QStringLiteral("url")});
    parser.addOption({QStringLiteral("branch"), QString(), QStringLiteral("code")});
    parser.addOption({QStringLiteral("open"), QString(), QStringLiteral("screen")});
    parser.parse(arguments); // unknown options belong to Qt or to the suite
    SettingsLayer layer;
    for (const QString& key : {cfg::kServer, cfg::kToken, cfg::kDatabase, cfg::kBranch})
        if (parser.isSet(key))
            layer.insert(key, parser.value(key));
    if (parser.isSet(QStringLiteral("tls-ca")))
        layer.insert(cfg::kTlsCa, parser.value(QStringLiteral("tls-ca")));
    return layer;
}

SettingsLayer Configuration::fromEnvironment(const QProcessEnvironment& env) {
    static const QList<QPair<QString, QString>> names = {
        {QStringLiteral("EST_SERVER"), cfg::kServer},
        {QStringLiteral("EST_TOKEN"), cfg::kToken},
        {QStringLiteral("EST_TLS_CA"), cfg::kTlsCa},
        {QStringLiteral("EST_DATABASE"), cfg::kDatabase},
        {QStringLiteral("EST_DATABASE_IDLE"), cfg::kDatabaseIdle},
        {QStringLiteral("EST_BRANCH"), cfg::kBranch},
        {QStringLiteral("EST_PICTURE_PRODUTO"), cfg::kPicture},
        {QStringLiteral("EST_DECIMAL_SEPARATOR"), cfg::kDecimal},
        {QStringLiteral("EST_THOUSAND_SEPARATOR"), cfg::kThousands},
        {QStringLiteral("EST_DATE_FORMAT"), cfg::kDateFormat},
    };
    SettingsLayer layer;
    for (const auto& [variable, key] : names)
        if (env.contains(variable) && !env.value(variable).isEmpty())
            layer.insert(key, env.value(variable));
    return layer;
}

SettingsLayer Configuration::fromIniFile(const QString& path) {
    SettingsLayer layer;
    if (path.isEmpty() || !QFileInfo::exists(path))
        return layer;
    QSettings ini(path, QSettings::IniFormat);
    for (const QString& key : ini.allKeys()) {
        // QSettings reads an unquoted comma as a list ("thousand_separator=,"): the text
        // as written is wanted.
        const QVariant raw = ini.value(key);
        const QString value = raw.typeId() == QMetaType::QStringList
                                  ? raw.toStringList().join(QLatin1Char(','))
                                  : raw.toString();
        if (!value.isEmpty())
            layer.insert(key.toLower().startsWith(QStringLiteral("dtprocessamento/"))
                             ? QStringLiteral("dtprocessamento/") + key.section('/', 1)
                             : key.toLower(),
                         value);
    }
    return layer;
}

SettingsLayer Configuration::fromDatabase(const QSqlDatabase& database) {
    SettingsLayer layer;
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT CHAVE, VALOR FROM CONFIGURACAO")))
        return layer; // a database without the table has no settings of its own
    while (query.next()) {
        const QString value = query.value(1).toString();
        if (!value.isEmpty())
            layer.insert(query.value(0).toString().trimmed().toLower(), value);
    }
    return layer;
}

// Brazilian formats whatever the machine's locale: a fresh machine runs in C.UTF-8, whose
// point would turn every quantity into "761.075" and refuse "100,5".
SettingsLayer Configuration::defaults() {
    SettingsLayer layer;
    layer.insert(cfg::kPicture, QStringLiteral("9.99.999"));
    layer.insert(cfg::kBranch, QStringLiteral("0001"));
    layer.insert(cfg::kDecimal, QStringLiteral(","));
    layer.insert(cfg::kThousands, QStringLiteral("."));
    layer.insert(cfg::kDateFormat, QStringLiteral("dd/MM/yyyy"));
    return layer;
}

QString Configuration::defaultIniPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(dir).filePath(QStringLiteral("est/suite.ini"));
}

void Configuration::Load(const QStringList& arguments, const QProcessEnvironment& env) {
    ensureLoaded();
    State& s = state();
    s.commandLine = fromCommandLine(arguments);
    s.environment = fromEnvironment(env);
    // EST_CONFIG names the one file; otherwise the user's file, key by key over the machine's
    // (/etc/xdg/est/suite.ini, the template the package installs).
    if (env.contains(QStringLiteral("EST_CONFIG"))) {
        s.ini = fromIniFile(env.value(QStringLiteral("EST_CONFIG")));
    } else {
        s.ini.clear();
        const QStringList files = QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation,
                                                            QStringLiteral("est/suite.ini"));
        for (auto file = files.crbegin(); file != files.crend(); ++file)
            s.ini.insert(fromIniFile(*file));
    }
    s.defaults = defaults();
    ApplySeparators();
}

void Configuration::AttachDatabase(std::function<std::optional<QSqlDatabase>()> database) {
    ensureLoaded();
    State& s = state();
    s.db = std::move(database);
    const std::optional<QSqlDatabase> db = attachedDatabase();
    s.database = db ? fromDatabase(*db) : SettingsLayer();
    ApplySeparators();
}

QString Configuration::Value(const QString& key) {
    ensureLoaded();
    const State& s = state();
    for (const SettingsLayer* layer :
         {&s.overrides, &s.commandLine, &s.environment, &s.ini, &s.database, &s.defaults}) {
        auto it = layer->find(key);
        if (it != layer->end())
            return it.value();
    }
    return QString();
}

void Configuration::Override(const QString& key, const QString& value) {
    ensureLoaded();
    state().overrides.insert(key, value);
    if (key == cfg::kDecimal || key == cfg::kThousands || key == cfg::kDateFormat)
        ApplySeparators();
}

void Configuration::Reset() {
    State& s = state();
    s = State();
    ensureLoaded();
    ApplySeparators();
}

QString Configuration::ServerHost() {
    const QString server = Value(cfg::kServer);
    const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? server : server.left(colon);
}

int Configuration::ServerPort() {
    const QString server = Value(cfg::kServer);
    const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? 0 : server.mid(colon + 1).toInt();
}

QChar Configuration::DecimalSeparator() {
    const QString v = Value(cfg::kDecimal);
    return v.isEmpty() ? QLatin1Char(',') : v.at(0);
}

QChar Configuration::ThousandSeparator() {
    const QString v = Value(cfg::kThousands);
    return v.isEmpty() ? QLatin1Char('.') : v.at(0);
}

QString Configuration::DateFormat() {
    const QString v = Value(cfg::kDateFormat).trimmed();
    return v.isEmpty() ? QStringLiteral("dd/MM/yyyy") : v;
}

QDate Configuration::ProcessingDate(const QString& branch) {
    const QString configured = Value(cfg::processingDateKey(branch));
    if (!configured.isEmpty()) {
        const QDate date = QDate::fromString(configured, Qt::ISODate);
        if (date.isValid())
            return date;
    }
    if (attachedDatabase()) {
        QSqlQuery query = ReadWithRetry(
            [] {
                const std::optional<QSqlDatabase> db = attachedDatabase();
                if (!db)
                    throw EHostError(DatabaseUnreachableText());
                return *db;
            },
            QStringLiteral("SELECT DTPROCESSAMENTO FROM FILIAL WHERE CDFILIAL = :branch"),
            {{QStringLiteral("branch"), branch}});
        if (query.next()) {
            const QVariant v = query.value(0);
            const QDate date = v.metaType().id() == QMetaType::QDate
                                   ? v.toDate()
                                   : QDate::fromString(v.toString().left(10), Qt::ISODate);
            if (date.isValid())
                return date;
        }
    }
    return QDate::currentDate();
}

void Configuration::ApplySeparators() {
    dataset::FormatSettings::setDecimalSeparator(DecimalSeparator());
    dataset::FormatSettings::setThousandSeparator(ThousandSeparator());
    dataset::FormatSettings::setDateFormat(DateFormat());
}

} // namespace host
