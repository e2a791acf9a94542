#pragma once
// What the server tests share: a scratch database (SQLite file or PostgreSQL database), a
// server on it (in-process or as an est-server process) and a plain HTTP client.

#include <server/Database.h>
#include <server/EmbeddedServer.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>

namespace testsupport {

enum class Backend { Sqlite, Postgres };
std::string backendName(Backend backend);

// A database of its own for one test, dropped afterwards. PostgreSQL comes from
// EST_TEST_PG_URL; when it is unset or unreachable the constructor fails the test.
class ScratchDatabase {
public:
    explicit ScratchDatabase(Backend backend);
    ~ScratchDatabase();
    const QString& url() const { return url_; }
    Backend backend() const { return backend_; }
    // A connection of the test's own, on the calling thread.
    server::Session& session();

private:
    Backend backend_;
    QTemporaryDir dir_;
    QString url_;
    QString pgName_;
    std::unique_ptr<server::Session> session_;
};

struct Answer {
    int status = 0; // 0 when no answer came
    QJsonValue result;
    QString errorCode;
    QString message;
    std::string body;
};

// Blocking HTTP client with keep-alive, as the desktop uses it.
class RpcClient {
public:
    RpcClient(int port, QString token = {});
    ~RpcClient();
    Answer call(const QString& object, const QString& method, const QJsonArray& args);
    Answer raw(const std::string& path, const std::string& body,
               const std::string& token = std::string(), bool sendToken = true);
    Answer amostra(const QString& method, const QJsonArray& args) {
        return call(QStringLiteral("Est25000.rdmAmostraProc"), method, args);
    }
    // Sent as the header Idempotency-Key while not empty.
    std::string requestKey;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// An in-process server over a scratch database with demo data at scale 1.
class TestServer {
public:
    explicit TestServer(Backend backend, int demoScale = 1,
                        QString token = QStringLiteral("segredo"),
                        const std::function<void(server::ServerOptions&)>& configure = {});
    ScratchDatabase& database() { return database_; }
    int port() const { return port_; }
    const QString& token() const { return token_; }
    server::EmbeddedServer& server() { return *server_; }
    RpcClient client() const { return RpcClient(port_, token_); }

private:
    ScratchDatabase database_;
    QString token_;
    std::unique_ptr<server::EmbeddedServer> server_;
    int port_ = 0;
};

// A bare TCP connection for what a well-behaved client never does: headers without a body,
// a body byte by byte, nothing at all.
class RawConnection {
public:
    explicit RawConnection(int port); // connected, or failed() when refused
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;
    bool failed() const { return fd_ < 0; }
    // Writes all of it; false once the peer is gone.
    bool send(const std::string& bytes);
    // Whether an answer (or the end of the connection) is there to read within the time.
    bool readable(int milliseconds);
    // One HTTP answer (headers and a Content-Length body); the status is 0 when the
    // connection ended or nothing came within the time.
    Answer answer(int milliseconds = 10000);
    // True when the peer closes the connection within the time.
    bool closedByPeer(int milliseconds);

private:
    int fd_ = -1;
    std::string pending_;
};

// "POST <path> HTTP/1.1" with Host 127.0.0.1 and the given extra header lines (each ending
// in \r\n), up to and including the blank line.
std::string requestHead(const std::string& path, const std::string& extraHeaders);

// est-server as a child process.
class ServerProcess {
public:
    explicit ServerProcess(QStringList arguments, const QProcessEnvironment& environment =
                                                      QProcessEnvironment::systemEnvironment());
    ~ServerProcess();
    // Waits for "escutando em ADDR:PORT"; false when the process ended first.
    bool waitReady(int milliseconds = 60000);
    int port() const { return port_; }
    QProcess& process() { return process_; }
    QString readAllStandardError(); // everything logged so far

private:
    QTemporaryDir logDir_; // standard error goes to a file: a full pipe would stall the server
    QProcess process_;
    int port_ = 0;
};

// Query helpers on a session: first column of the first row, and row count.
QVariant scalar(server::Session& session, const QString& sql, const QVariantHash& values = {});

// A new sample as the screen sends it: the sample packet with one insert and the items
// packet with the given (product, quantity, principal) rows, all with an empty number.
// A port that had a server on that database a moment ago and has no listener now.
int portOfAStoppedServer(const QString& databaseUrl);

struct NewItem {
    QString product;
    double quantity;
    QString principal;
};
QJsonObject sampleInsertPacket(const QJsonObject& sampleFields);
QJsonArray confirmArgs(const QJsonObject& sample, const QList<NewItem>& items);

// Fields of the two packets as the screen's datasets define them.
QJsonArray sampleFieldDefs();
QJsonArray itemFieldDefs();
// A row of the sample packet in sampleFieldDefs() order from a map by field name.
QJsonArray sampleRow(const QJsonObject& values);
QJsonArray itemRow(const QJsonObject& values);

// A sample that the demo data allows to store: a stock product of branch 0001 with stock
// on the processing date, and two other usable products of the same unit.
struct SampleCase {
    QString product; // internal code
    QString tree;    // tree code
    QString unit;
    double stock = 0; // stock of the day
    QString item1, item2;
};
SampleCase findSampleCase(server::Session& session);

} // namespace testsupport
