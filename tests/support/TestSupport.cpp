#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace testsupport {

std::string backendName(Backend backend) {
    return backend == Backend::Sqlite ? "SQLite" : "PostgreSQL";
}

namespace {

std::atomic<int> counter{0};

QString pgAdminUrl() {
    const QString url = qEnvironmentVariable("EST_TEST_PG_URL");
    if (url.isEmpty())
        throw std::runtime_error("EST_TEST_PG_URL is not set: start PostgreSQL with "
                                 "eval \"$(scripts/pg-start.sh)\"");
    return url;
}

} // namespace

ScratchDatabase::ScratchDatabase(Backend backend) : backend_(backend) {
    if (backend == Backend::Sqlite) {
        url_ = QStringLiteral("sqlite:") + dir_.filePath(QStringLiteral("est.db"));
        return;
    }
    const QString admin = pgAdminUrl();
    pgName_ = QStringLiteral("est_test_%1_%2_%3")
                  .arg(QCoreApplication::applicationPid())
                  .arg(++counter)
                  .arg(QRandomGenerator::global()->bounded(1000000));
    {
        server::Session session(server::DatabaseUrl::parse(admin),
                                QStringLiteral("scratch-admin-") + pgName_);
        session.execDirect(QStringLiteral("CREATE DATABASE %1").arg(pgName_));
    }
    QUrl url(admin);
    url.setPath(QLatin1Char('/') + pgName_);
    url_ = url.toString();
}

ScratchDatabase::~ScratchDatabase() {
    session_.reset();
    if (pgName_.isEmpty())
        return;
    try {
        server::Session session(server::DatabaseUrl::parse(pgAdminUrl()),
                                QStringLiteral("scratch-drop-") + pgName_);
        session.execDirect(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(pgName_));
    } catch (const std::exception& e) {
        ADD_FAILURE() << "cannot drop " << pgName_.toStdString() << ": " << e.what();
    }
}

server::Session& ScratchDatabase::session() {
    if (!session_)
        session_ = std::make_unique<server::Session>(server::DatabaseUrl::parse(url_),
                                                     QStringLiteral("scratch-%1").arg(++counter));
    return *session_;
}

struct RpcClient::Impl {
    httplib::Client http;
    std::string token;
    Impl(int port, const std::string& t) : http("127.0.0.1", port), token(t) {
        http.set_tcp_nodelay(true);
        http.set_keep_alive(true);
        http.set_read_timeout(120);
    }
};

RpcClient::RpcClient(int port, QString token)
    : impl_(std::make_unique<Impl>(port, token.toStdString())) {}

RpcClient::~RpcClient() = default;

Answer RpcClient::raw(const std::string& path, const std::string& body, const std::string& token,
                      bool sendToken) {
    httplib::Headers headers;
    const std::string used = token.empty() ? impl_->token : token;
    if (sendToken && !used.empty())
        headers.emplace("Authorization", "Bearer " + used);
    if (!requestKey.empty())
        headers.emplace("Idempotency-Key", requestKey);
    Answer answer;
    const auto res = impl_->http.Post(path, headers, body, "application/json");
    if (!res)
        return answer;
    answer.status = res->status;
    answer.body = res->body;
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
    answer.result = doc.value(QStringLiteral("result"));
    answer.errorCode =
        doc.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toString();
    answer.message =
        doc.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString();
    return answer;
}

Answer RpcClient::call(const QString& object, const QString& method, const QJsonArray& args) {
    return raw("/rpc/" + object.toStdString() + "/" + method.toStdString(),
               QJsonDocument(args).toJson(QJsonDocument::Compact).toStdString());
}

TestServer::TestServer(Backend backend, int demoScale, QString token,
                       const std::function<void(server::ServerOptions&)>& configure)
    : database_(backend), token_(std::move(token)) {
    server::ServerOptions options;
    options.databaseUrl = database_.url();
    options.token = token_;
    options.init = true;
    options.demoScale = demoScale;
    if (configure)
        configure(options);
    server_ = std::make_unique<server::EmbeddedServer>(options);
    port_ = server_->start();
}

RawConnection::RawConnection(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RawConnection::~RawConnection() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawConnection::send(const std::string& bytes) {
    size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return fd_ >= 0;
}

bool RawConnection::readable(int milliseconds) {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, milliseconds) > 0;
}

Answer RawConnection::answer(int milliseconds) {
    Answer answer;
    QElapsedTimer timer;
    timer.start();
    char chunk[65536];
    for (;;) {
        const size_t end = pending_.find("\r\n\r\n");
        if (end != std::string::npos) {
            const QString head = QString::fromStdString(pending_.substr(0, end));
            static const QRegularExpression length(QStringLiteral("content-length:\\s*(\\d+)"),
                                                   QRegularExpression::CaseInsensitiveOption);
            const auto m = length.match(head);
            const size_t bodySize = m.hasMatch() ? m.captured(1).toULongLong() : 0;
            if (pending_.size() >= end + 4 + bodySize) {
                answer.status = head.section(QLatin1Char(' '), 1, 1).toInt();
                answer.body = pending_.substr(end + 4, bodySize);
                pending_.erase(0, end + 4 + bodySize);
                const QJsonObject error =
                    QJsonDocument::fromJson(QByteArray::fromStdString(answer.body))
                        .object()
                        .value(QStringLiteral("error"))
                        .toObject();
                answer.errorCode = error.value(QStringLiteral("code")).toString();
                answer.message = error.value(QStringLiteral("message")).toString();
                answer.result = QJsonDocument::fromJson(QByteArray::fromStdString(answer.body))
                                    .object()
                                    .value(QStringLiteral("result"));
                return answer;
            }
        }
        const int left = milliseconds - static_cast<int>(timer.elapsed());
        if (left <= 0 || !readable(left))
            return answer;
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return answer;
        pending_.append(chunk, static_cast<size_t>(n));
    }
}

bool RawConnection::closedByPeer(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    char chunk[4096];
    while (timer.elapsed() < milliseconds) {
        if (!readable(static_cast<int>(milliseconds - timer.elapsed())))
            continue;
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return true;
    }
    return false;
}

std::string requestHead(const std::string& path, const std::string& extraHeaders) {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n";
}

ServerProcess::ServerProcess(QStringList arguments, const QProcessEnvironment& environment) {
    process_.setProgram(QStringLiteral(EST_SERVER_BINARY));
    process_.setProcessEnvironment(environment);
    process_.setArguments(arguments);
    process_.setStandardErrorFile(logDir_.filePath(QStringLiteral("stderr.log")));
    process_.start();
}

ServerProcess::~ServerProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

bool ServerProcess::waitReady(int milliseconds) {
    static const QRegularExpression ready(QStringLiteral("escutando em ([^\\s]+):(\\d+)"));
    QByteArray seen;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        if (!process_.waitForReadyRead(200) && process_.state() == QProcess::NotRunning)
            return false;
        seen += process_.readAllStandardOutput();
        const auto match = ready.match(QString::fromUtf8(seen));
        if (match.hasMatch()) {
            port_ = match.captured(2).toInt();
            return true;
        }
    }
    return false;
}

QString ServerProcess::readAllStandardError() {
    QFile log(logDir_.filePath(QStringLiteral("stderr.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QVariant scalar(server::Session& session, const QString& sql, const QVariantHash& values) {
    QSqlQuery& query = session.run(sql, values);
    const QVariant value = query.next() ? query.value(0) : QVariant();
    query.finish();
    return value;
}

QJsonArray sampleFieldDefs() {
    auto s = [](const char* name, int size) {
        return QJsonObject{{"name", name}, {"type", "string"}, {"size", size}};
    };
    return {s("NRAMOSTRA", 10),
            s("DSAMOSTRA", 50),
            s("CDARVPROD", 20),
            s("CDPRODUTO", 10),
            QJsonObject{{"name", "QTPRODPROC"}, {"type", "float"}},
            s("SGUNIDADE", 10),
            s("NMPRODUTO", 50),
            s("CDFILIAL", 4),
            s("NRLANCTONF", 10),
            s("CDSERIEENTR", 5),
            s("NRINSJURNF", 20),
            s("IDTPIJURNF", 1),
            s("NMRAZSOCFORN", 40),
            s("CDFORNECED", 21),
            s("NRNOTAFISC", 20),
            s("IDPROCESSADO", 1)};
}

QJsonArray itemFieldDefs() {
    auto s = [](const char* name, int size) {
        return QJsonObject{{"name", name}, {"type", "string"}, {"size", size}};
    };
    return {s("NRAMOSTRA", 10), s("CDARVPROD", 20),
            s("CDPRODUTO", 10), s("NMPRODUTO", 50),
            s("SGUNIDADE", 10), QJsonObject{{"name", "QTPRODGERADO"}, {"type", "float"}},
            s("IDPRODPRINC", 1)};
}

namespace {
QJsonArray rowFor(const QJsonArray& defs, const QJsonObject& values) {
    QJsonArray row;
    for (const QJsonValue& def : defs) {
        const QString name = def.toObject().value("name").toString();
        row.append(values.contains(name) ? values.value(name) : QJsonValue(QJsonValue::Null));
    }
    return row;
}
} // namespace

QJsonArray sampleRow(const QJsonObject& values) {
    return rowFor(sampleFieldDefs(), values);
}
QJsonArray itemRow(const QJsonObject& values) {
    return rowFor(itemFieldDefs(), values);
}

QJsonObject sampleInsertPacket(const QJsonObject& sampleFields) {
    return QJsonObject{
        {"fields", sampleFieldDefs()},
        {"changes", QJsonArray{QJsonObject{{"type", "insert"}, {"new", sampleRow(sampleFields)}}}}};
}

QJsonArray confirmArgs(const QJsonObject& sample, const QList<NewItem>& items) {
    QJsonArray changes;
    for (const NewItem& item : items) {
        QJsonObject values{
            {"NRAMOSTRA", ""}, {"CDPRODUTO", item.product}, {"QTPRODGERADO", item.quantity}};
        if (!item.principal.isEmpty())
            values.insert("IDPRODPRINC", item.principal);
        changes.append(QJsonObject{{"type", "insert"}, {"new", itemRow(values)}});
    }
    const QJsonValue itemsPacket =
        items.isEmpty()
            ? QJsonValue(QJsonValue::Null)
            : QJsonValue(QJsonObject{{"fields", itemFieldDefs()}, {"changes", changes}});
    return QJsonArray{itemsPacket, sampleInsertPacket(sample)};
}

SampleCase findSampleCase(server::Session& session) {
    QSqlQuery& query = session.run(
        QStringLiteral("SELECT P.CDPRODUTO, P.CDARVPROD, P.SGUNIDADE, E.QTESTOQDIA FROM PRODUTO P"
                       " JOIN PRODFILIAL PF ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = '0001'"
                       "  AND PF.IDATIVO = 'S' AND PF.IDCONTROLAESTOQUE = 'S'"
                       " JOIN FILIAL F ON F.CDFILIAL = '0001'"
                       " JOIN POSICAOESTOQUE E ON E.CDPRODUTO = P.CDPRODUTO AND E.CDFILIAL = '0001'"
                       "  AND E.DTPOSICAO = F.DTPROCESSAMENTO"
                       " WHERE E.QTESTOQDIA > 100 ORDER BY P.CDARVPROD"));
    QList<SampleCase> candidates;
    while (query.next())
        candidates.append({query.value(0).toString(),
                           query.value(1).toString(),
                           query.value(2).toString(),
                           query.value(3).toDouble(),
                           {},
                           {}});
    query.finish();
    for (SampleCase& c : candidates) {
        QSqlQuery& items = session.run(
            QStringLiteral("SELECT P.CDPRODUTO FROM PRODUTO P JOIN PRODFILIAL PF"
                           " ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = '0001'"
                           " AND PF.IDATIVO = 'S' AND PF.IDCONTROLAESTOQUE = 'S'"
                           " WHERE P.SGUNIDADE = :U AND P.CDPRODUTO <> :P ORDER BY P.CDARVPROD"),
            {{"U", c.unit}, {"P", c.product}});
        QStringList found;
        while (items.next() && found.size() < 2)
            found << items.value(0).toString();
        items.finish();
        if (found.size() == 2) {
            c.item1 = found.at(0);
            c.item2 = found.at(1);
            return c;
        }
    }
    throw std::runtime_error("demo data holds no usable sample case");
}

int portOfAStoppedServer(const QString& databaseUrl) {
    server::ServerOptions options;
    options.databaseUrl = databaseUrl;
    server::EmbeddedServer gone(options);
    return gone.start();
}

} // namespace testsupport
