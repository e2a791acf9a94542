#pragma once
// The host's configuration: current branch, processing date per branch, application server
// address and token, database connection, product-code picture, decimal and thousands
// separators and date format (Brazilian unless configured otherwise, whatever the operating
// system's locale). Each value comes from the first source that has it: command line, environment,
// INI file (QSettings), the database's CONFIGURACAO table, defaults.

#include <QChar>
#include <QDate>
#include <QHash>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace host {

// Canonical keys of the settings.
namespace cfg {
inline const QString kServer = QStringLiteral("server"); // HOST:PORT
inline const QString kToken = QStringLiteral("token");
// CA certificate (PEM) that the application server's TLS certificate must be signed by; when
// set, the connections speak TLS.
inline const QString kTlsCa = QStringLiteral("tls_ca");
inline const QString kDatabase = QStringLiteral("database"); // sqlite:PATH or postgresql://...
// Seconds the desktop's database connection may stay idle before it is closed.
inline const QString kDatabaseIdle = QStringLiteral("database_idle");
inline const QString kBranch = QStringLiteral("branch");
inline const QString kPicture = QStringLiteral("picture_produto");
inline const QString kDecimal = QStringLiteral("decimal_separator");
inline const QString kThousands = QStringLiteral("thousand_separator");
inline const QString kDateFormat = QStringLiteral("date_format"); // QDate syntax: dd/MM/yyyy
// A branch's processing date: "dtprocessamento/<branch>", as YYYY-MM-DD.
QString processingDateKey(const QString& branch);
} // namespace cfg

using SettingsLayer = QHash<QString, QString>;

class Configuration {
public:
    // Sources, strongest first. The database layer is read when a database is attached.
    static SettingsLayer fromCommandLine(const QStringList& arguments);
    static SettingsLayer fromEnvironment(const QProcessEnvironment& environment);
    static SettingsLayer fromIniFile(const QString& path);
    static SettingsLayer fromDatabase(const QSqlDatabase& database);
    static SettingsLayer defaults();

    // The INI file of the user: ~/.config/est/suite.ini (QSettings' user scope).
    static QString defaultIniPath();

    // Builds the current configuration from the sources and applies the separators to the
    // number formatting. EST_CONFIG names another INI file.
    static void
    Load(const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    // Attaches the database whose settings table is read (and whose FILIAL table gives the
    // processing dates); reloads the database layer.
    static void AttachDatabase(std::function<std::optional<QSqlDatabase>()> database);

    // A value by key, from the strongest source that has it (empty when none).
    static QString Value(const QString& key);
    // Sets a value above every source (the suite's embedded default uses it; tests too).
    static void Override(const QString& key, const QString& value);
    static void Reset();

    static QString ServerHost();
    static int ServerPort();
    static QChar DecimalSeparator();
    static QChar ThousandSeparator();
    static QString DateFormat();
    // The processing date of a branch: configured, else FILIAL.DTPROCESSAMENTO, else today.
    // A failed read of the database raises host::EHostError rather than guess today.
    static QDate ProcessingDate(const QString& branch);

    // Applies the separators and the date format to the dataset toolkit's formatting.
    static void ApplySeparators();
};

} // namespace host
