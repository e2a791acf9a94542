#pragma once
// The statements a confirmation runs to check and store a sample, each with its binding: the
// confirmation and its checks run them, and the benchmark times them bare, so both always run
// the same SQL.

#include <server/Database.h>

#include <QStringList>
#include <QVariantList>

#include <optional>

namespace server::confirmation_sql {

// Every product of `codes` (the in-natura product first, no repeats) with its settings in the
// branch, and for the in-natura product whether the branch exists and its stock of the
// processing day. Columns: CDPRODUTO, SGUNIDADE, IDATIVO || IDCONTROLAESTOQUE (null when the
// branch has no settings for the product), the count of the branch (0 or 1) and the stock (the
// last two null on the other products' rows). The caller reads the rows and finishes the query.
QSqlQuery& readProducts(Session& session, const QString& branch, const QStringList& codes);

// Takes the next sample number (ten digits, zero-padded). The numerator row stays locked until
// the transaction ends.
QString takeSampleNumber(Session& session);

// A new sample: values in the order of kSampleColumns (NRAMOSTRA first), null for a blank
// column; IDPROCESSADO is "N".
void insertSample(Session& session, const QVariantList& values);

// A stored sample's columns, values as for insertSample.
void updateSample(Session& session, const QVariantList& values);

// The items of one sample in one statement: three values per item (CDPRODUTO, QTPRODGERADO,
// IDPRODPRINC), all items one after the other.
void insertItems(Session& session, const QString& number, const QVariantList& items);

// A confirmation stored under a client's key: the number it answered and the digest of its
// request (empty for one stored before digests were kept).
struct StoredConfirmation {
    QString number;
    QString digest;
};

// The confirmation stored under the client's key; nullopt when none was.
std::optional<StoredConfirmation> storedConfirmation(Session& session, const QString& key);

// Records that the confirmation under way, stored under the client's key with its request's
// digest, answers `number`. A second confirmation of the same key fails here (the key is the
// table's primary key).
void recordConfirmation(Session& session, const QString& key, const QString& digest,
                        const QString& number);

// PostgreSQL: whether the server process `pid` still runs. Once it is gone, its transaction
// has either committed (and shows) or never will.
bool serverProcessAlive(Session& session, int pid);

// Rows of the samples' history (AUDITORIA), eight values per row in the order DTMOMENTO,
// NMUSUARIO, IDOPERACAO, NRAMOSTRA, CDPRODUTO, NMCAMPO, DSANTERIOR, DSNOVO; a few statements
// for any number of rows.
void insertHistory(Session& session, const QVariantList& rows);

} // namespace server::confirmation_sql
