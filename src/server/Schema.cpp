#include <server/Schema.h>

#include <server/SchemaVersion.h>

#include <QSqlQuery>
#include <QStringList>

namespace server {
namespace {

// The confirmations stored under a key of the client's (header Idempotency-Key) and the
// number each answered (none for changes to items alone): a confirmation repeated after a
// lost answer is answered again, not stored twice.
const char* const kConfirmacao = R"(CREATE TABLE CONFIRMACAO (
    CHAVE VARCHAR(64) NOT NULL PRIMARY KEY,
    NRAMOSTRA VARCHAR(10)))";

// The tables of version 1, never changed: later versions are steps in SchemaVersion.cpp.
// Column types in ${...} are resolved by the dialect; everything else is common SQL.
const char* const kTables[] = {
    R"(CREATE TABLE CONFIGURACAO (
    CHAVE VARCHAR(40) NOT NULL PRIMARY KEY,
    VALOR VARCHAR(255)))",
    R"(CREATE TABLE FILIAL (
    CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY,
    NMFILIAL VARCHAR(40) NOT NULL,
    NRINSJURFILI VARCHAR(20),
    NMCIDADE VARCHAR(40),
    SGESTADO VARCHAR(2),
    DTPROCESSAMENTO ${DATE} NOT NULL))",
    R"(CREATE TABLE PARAMFILIAL (
    CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY REFERENCES FILIAL (CDFILIAL),
    IDBLPRCOMEST VARCHAR(1) NOT NULL,
    NRTAMNUMNFUT ${DOUBLE}))",
    R"(CREATE TABLE PRODUTO (
    CDPRODUTO VARCHAR(10) NOT NULL PRIMARY KEY,
    CDARVPROD VARCHAR(20) NOT NULL UNIQUE,
    NMPRODUTO VARCHAR(50) NOT NULL,
    SGUNIDADE VARCHAR(10),
    CDNVPRODUTO INTEGER NOT NULL))",
    R"(CREATE TABLE PRODFILIAL (
    CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),
    CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),
    IDATIVO VARCHAR(1) NOT NULL,
    IDCONTROLAESTOQUE VARCHAR(1) NOT NULL,
    IDBLOQUEADO VARCHAR(1) NOT NULL,
    CDALMOXARIFADO VARCHAR(10),
    CDLOCALESTOQUE VARCHAR(10),
    PRIMARY KEY (CDFILIAL, CDPRODUTO)))",
    R"(CREATE TABLE FORNECEDOR (
    CDFORNECED VARCHAR(21) NOT NULL PRIMARY KEY,
    IDTPIJURFORN VARCHAR(1) NOT NULL,
    NRINSJURFORN VARCHAR(20) NOT NULL UNIQUE,
    NMRAZSOCFORN VARCHAR(40) NOT NULL,
    IDSITUCADA VARCHAR(16)))",
    R"(CREATE TABLE SERIEENTR (
    CDSERIEENTR VARCHAR(5) NOT NULL PRIMARY KEY,
    DSSERIEENTR VARCHAR(20)))",
    R"(CREATE TABLE NOTAFISCENTR (
    CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),
    NRLANCTONF VARCHAR(10) NOT NULL,
    CDFORNECED VARCHAR(21) NOT NULL REFERENCES FORNECEDOR (CDFORNECED),
    CDSERIEENTR VARCHAR(5) NOT NULL REFERENCES SERIEENTR (CDSERIEENTR),
    NRNOTAFISC VARCHAR(20) NOT NULL,
    DTENTRADA ${DATE} NOT NULL,
    VRNOTAFISC ${DOUBLE} NOT NULL,
    CDFILIRECE VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),
    PRIMARY KEY (CDFILIAL, NRLANCTONF)))",
    R"(CREATE TABLE ITEMNOTAFISCENTR (
    CDFILIAL VARCHAR(4) NOT NULL,
    NRLANCTONF VARCHAR(10) NOT NULL,
    CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),
    QTITEMNF ${DOUBLE} NOT NULL,
    VRUNITARIO ${DOUBLE} NOT NULL,
    PRIMARY KEY (CDFILIAL, NRLANCTONF, CDPRODUTO),
    FOREIGN KEY (CDFILIAL, NRLANCTONF) REFERENCES NOTAFISCENTR (CDFILIAL, NRLANCTONF)))",
    R"(CREATE TABLE POSICAOESTOQUE (
    CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),
    CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),
    DTPOSICAO ${DATE} NOT NULL,
    QTESTOQDIA ${DOUBLE} NOT NULL,
    PRIMARY KEY (CDFILIAL, CDPRODUTO, DTPOSICAO)))",
    R"(CREATE TABLE AMOSTRAPROC (
    NRAMOSTRA VARCHAR(10) NOT NULL PRIMARY KEY,
    DSAMOSTRA VARCHAR(50) NOT NULL,
    CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),
    QTPRODPROC ${DOUBLE} NOT NULL,
    CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),
    NRLANCTONF VARCHAR(10),
    CDSERIEENTR VARCHAR(5) REFERENCES SERIEENTR (CDSERIEENTR),
    NRNOTAFISC VARCHAR(20),
    CDFORNECED VARCHAR(21) REFERENCES FORNECEDOR (CDFORNECED),
    IDPROCESSADO VARCHAR(1) DEFAULT 'N' NOT NULL))",
    R"(CREATE TABLE ITEMAMOSTRAPROC (
    NRAMOSTRA VARCHAR(10) NOT NULL REFERENCES AMOSTRAPROC (NRAMOSTRA),
    CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),
    QTPRODGERADO ${DOUBLE} NOT NULL,
    IDPRODPRINC VARCHAR(1),
    PRIMARY KEY (NRAMOSTRA, CDPRODUTO)))",
    kConfirmacao,
    R"(CREATE TABLE NUMERADOR (
    CDNUMERADOR VARCHAR(30) NOT NULL PRIMARY KEY,
    NRULTIMO ${BIGINT} NOT NULL))",
    "CREATE INDEX IX_PRODUTO_NIVEL ON PRODUTO (CDNVPRODUTO, CDARVPROD)",
    "CREATE INDEX IX_FORNECEDOR_NOME ON FORNECEDOR (NMRAZSOCFORN)",
    "CREATE INDEX IX_NOTAFISCENTR_NOTA ON NOTAFISCENTR (CDFORNECED, CDSERIEENTR, NRNOTAFISC)",
    "CREATE INDEX IX_AMOSTRAPROC_FORN ON AMOSTRAPROC (CDFORNECED)",
    "CREATE INDEX IX_AMOSTRAPROC_PROD ON AMOSTRAPROC (CDPRODUTO)",
    "CREATE INDEX IX_AMOSTRAPROC_NOTA ON AMOSTRAPROC (CDFILIAL, NRLANCTONF, CDPRODUTO)",
    "CREATE INDEX IX_ITEMAMOSTRAPROC_PROD ON ITEMAMOSTRAPROC (CDPRODUTO)",
};

} // namespace

bool tableExists(Session& session, const QString& name) {
    QSqlQuery& query =
        session.run(session.dialect().tableExistsSql(), {{QStringLiteral("NAME"), name}});
    const bool found = query.next();
    query.finish();
    return found;
}

bool schemaExists(Session& session) {
    return tableExists(session, QStringLiteral("AMOSTRAPROC"));
}

void addMissingTables(Session& session) {
    if (!tableExists(session, QStringLiteral("CONFIRMACAO")))
        session.execDirect(session.dialect().ddl(QString::fromUtf8(kConfirmacao)));
}

void createSchema(Session& session) {
    migrateSchema(session);
}

void createFirstVersion(Session& session) {
    for (const char* statement : kTables)
        session.execDirect(session.dialect().ddl(QString::fromUtf8(statement)));
    session.execDirect(QStringLiteral("INSERT INTO CONFIGURACAO (CHAVE, VALOR) "
                                      "VALUES ('PICTURE_PRODUTO', '9.99.999')"));
    session.execDirect(QStringLiteral("INSERT INTO NUMERADOR (CDNUMERADOR, NRULTIMO) "
                                      "VALUES ('AMOSTRAPROC', 0)"));
}

void grantReadOnlyRole(Session& session) {
    if (session.dialect().kind != DbKind::Postgres)
        return;
    const QString role = QString::fromLatin1(kReadOnlyRole);
    Transaction transaction(session);
    // Two servers initialising databases of one cluster at once may both find it missing.
    session.execDirect(QStringLiteral("DO $$ BEGIN"
                                      " IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1')"
                                      " THEN CREATE ROLE %1 LOGIN; END IF;"
                                      " EXCEPTION WHEN duplicate_object OR unique_violation THEN"
                                      " NULL; END $$")
                           .arg(role));
    session.execDirect(QStringLiteral("DO $$ BEGIN EXECUTE format('GRANT CONNECT ON DATABASE %I TO "
                                      "%1', current_database()); EXECUTE format('GRANT USAGE ON "
                                      "SCHEMA %I TO %1', current_schema()); END $$")
                           .arg(role));
    // The tables of the screens' own SQL, of the host's settings and processing dates.
    session.execDirect(QStringLiteral("GRANT SELECT ON PRODUTO, PRODFILIAL, FORNECEDOR, SERIEENTR,"
                                      " FILIAL, CONFIGURACAO TO %1")
                           .arg(role));
    transaction.commit();
}

bool databaseIsEmpty(Session& session) {
    for (const char* table : {"PRODUTO", "FORNECEDOR", "AMOSTRAPROC"}) {
        QSqlQuery query(session.db());
        if (!query.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(QLatin1String(table))))
            throw DbError("não foi possível ler " + std::string(table));
        if (query.next())
            return false;
    }
    return true;
}

} // namespace server
