// Latency of the server methods over HTTP against baselines taken in the same run: a no-op
// call on the same server, and the same SQL run in-process (for a confirmation also the
// server's method itself in-process, which tells its own cost from the HTTP part). Then
// confirmations per second with 8 concurrent clients on PostgreSQL beside pgbench's
// simple-update on the same cluster. Request texts are encoded before the clock starts.
//
// Usage: bench_server [--scale N] [--iterations N] [--seconds N] [--skip-pg] [--idle N]
//        (--idle N: only Ping and GetItemAmostra with and without N idle connections)
//        (PostgreSQL from EST_TEST_PG_URL, e.g. eval "$(scripts/pg-start.sh)")
//        bench_server --profile N: on SQLite only, N confirmations in-process and then N bare
//        transactions of the same SQL, nothing timed; for a profiler, e.g.
//        valgrind --tool=callgrind --toggle-collect='server::confirmaAmostraText*'
//                 --toggle-collect='*bareConfirmation*' build/bin/bench_server --profile 300
#include <server/ConfirmationSql.h>
#include <server/Database.h>
#include <server/Packets.h>
#include <server/Rpc.h>
#include <server/Schema.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Stats {
    double median = 0, p90 = 0, p99 = 0; // milliseconds
};

// `idle`: a pause before each timed call, as a server thread waits for its next request.
template <class F> Stats measure(int iterations, F&& call, std::chrono::microseconds idle = {}) {
    for (int i = 0; i < std::max(5, iterations / 20); ++i) // warm-up
        call();
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        if (idle.count() > 0)
            std::this_thread::sleep_for(idle);
        const auto start = Clock::now();
        call();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms[ms.size() * 99 / 100]};
}

// The calls taken one after the other, round after round: each runs under the same conditions
// as the others (a server thread that has just woken, caches shared with the other work),
// and a drift of the machine over the run weighs on all of them alike.
std::vector<Stats> measureInTurns(int rounds, const std::vector<std::function<void()>>& calls) {
    for (int i = 0; i < std::max(5, rounds / 20); ++i) // warm-up
        for (const auto& call : calls)
            call();
    std::vector<std::vector<double>> ms(calls.size());
    for (int i = 0; i < rounds; ++i)
        for (size_t c = 0; c < calls.size(); ++c) {
            const auto start = Clock::now();
            calls[c]();
            ms[c].push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    std::vector<Stats> stats;
    for (auto& v : ms) {
        std::sort(v.begin(), v.end());
        stats.push_back({v[v.size() / 2], v[v.size() * 9 / 10], v[v.size() * 99 / 100]});
    }
    return stats;
}

[[noreturn]] void die(const QString& text) {
    std::fprintf(stderr, "bench_server: %s\n", text.toUtf8().constData());
    std::exit(1);
}

class Client {
public:
    explicit Client(int port) : http_("127.0.0.1", port) {
        http_.set_tcp_nodelay(true);
        http_.set_keep_alive(true);
        http_.set_read_timeout(300);
    }
    QJsonValue call(const char* object, const char* method, const QJsonArray& args) {
        return call(object, method, QJsonDocument(args).toJson(QJsonDocument::Compact));
    }
    // With the arguments' text encoded beforehand, out of the time measured.
    QJsonValue call(const char* object, const char* method, const QByteArray& body) {
        const auto res = http_.Post(std::string("/rpc/") + object + "/" + method, body.constData(),
                                    static_cast<size_t>(body.size()), "application/json");
        if (!res || res->status != 200)
            die(QStringLiteral("%1 failed: %2")
                    .arg(method, res ? QString::fromStdString(res->body) : "no answer"));
        return QJsonDocument::fromJson(QByteArray::fromStdString(res->body))
            .object()
            .value("result");
    }

private:
    httplib::Client http_;
};

class ServerProcess {
public:
    explicit ServerProcess(const QStringList& args) {
        process_.setProgram(QStringLiteral(EST_SERVER_BINARY));
        process_.setArguments(args + QStringList{"--no-token"});
        process_.setStandardErrorFile(QProcess::nullDevice()); // one log line a request
        process_.start();
        QByteArray out;
        static const QRegularExpression ready(QStringLiteral("escutando em [^:]+:(\\d+)"));
        while (process_.waitForReadyRead(600000)) {
            out += process_.readAllStandardOutput();
            const auto m = ready.match(QString::fromUtf8(out));
            if (m.hasMatch()) {
                port_ = m.captured(1).toInt();
                return;
            }
        }
        die(QStringLiteral("est-server did not start"));
    }
    ~ServerProcess() {
        process_.terminate();
        process_.waitForFinished(20000);
    }
    int port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

// What a new sample with 10 items needs: a product with stock in branch 0001 and ten other
// usable products of its unit.
struct NewSample {
    QString product;
    QStringList items;
};

NewSample findNewSample(server::Session& db) {
    QSqlQuery& q = db.run(QStringLiteral(
        "SELECT P.CDPRODUTO, P.SGUNIDADE FROM PRODUTO P JOIN PRODFILIAL F ON F.CDPRODUTO = "
        "P.CDPRODUTO"
        " AND F.CDFILIAL = '0001' AND F.IDATIVO = 'S' AND F.IDCONTROLAESTOQUE = 'S'"
        " JOIN FILIAL B ON B.CDFILIAL = '0001' JOIN POSICAOESTOQUE E ON E.CDFILIAL = '0001'"
        " AND E.CDPRODUTO = P.CDPRODUTO AND E.DTPOSICAO = B.DTPROCESSAMENTO WHERE E.QTESTOQDIA > "
        "100"
        " ORDER BY P.CDARVPROD"));
    QList<QPair<QString, QString>> candidates;
    while (q.next())
        candidates.append({q.value(0).toString(), q.value(1).toString()});
    q.finish();
    for (const auto& [product, unit] : candidates) {
        QSqlQuery& o =
            db.run(QStringLiteral(
                       "SELECT P.CDPRODUTO FROM PRODUTO P JOIN PRODFILIAL F ON F.CDPRODUTO ="
                       " P.CDPRODUTO AND F.CDFILIAL = '0001' AND F.IDATIVO = 'S' AND"
                       " F.IDCONTROLAESTOQUE = 'S' WHERE P.SGUNIDADE = :U AND P.CDPRODUTO <> :P"),
                   {{"U", unit}, {"P", product}});
        QStringList items;
        while (o.next() && items.size() < 10)
            items << o.value(0).toString();
        o.finish();
        if (items.size() == 10)
            return {product, items};
    }
    die(QStringLiteral("no product with ten outputs in the demo data"));
}

QJsonArray confirmArgs(const NewSample& s) {
    auto str = [](const char* n, int size) {
        return QJsonObject{{"name", n}, {"type", "string"}, {"size", size}};
    };
    const QJsonArray itemFields{
        str("NRAMOSTRA", 10), str("CDARVPROD", 20),
        str("CDPRODUTO", 10), str("NMPRODUTO", 50),
        str("SGUNIDADE", 10), QJsonObject{{"name", "QTPRODGERADO"}, {"type", "float"}},
        str("IDPRODPRINC", 1)};
    QJsonArray itemChanges;
    for (int i = 0; i < s.items.size(); ++i)
        itemChanges.append(
            QJsonObject{{"type", "insert"},
                        {"new", QJsonArray{"", QJsonValue(), s.items.at(i), QJsonValue(),
                                           QJsonValue(), 0.5, i == 0 ? "S" : "N"}}});
    const QJsonArray sampleFields{str("NRAMOSTRA", 10), str("DSAMOSTRA", 50), str("CDPRODUTO", 10),
                                  QJsonObject{{"name", "QTPRODPROC"}, {"type", "float"}},
                                  str("CDFILIAL", 4)};
    const QJsonArray sampleChanges{QJsonObject{
        {"type", "insert"}, {"new", QJsonArray{"", "Amostra de medição", s.product, 5.0, "0001"}}}};
    return {QJsonObject{{"fields", itemFields}, {"changes", itemChanges}},
            QJsonObject{{"fields", sampleFields}, {"changes", sampleChanges}}};
}

// The SQL a confirmation of that new sample runs, in-process and without its checks: the
// products read its rules check (same statement, same codes) unless `storesOnly`, then the
// number, the sample and the items in one multi-row insert, in one transaction.
void bareConfirmation(server::Session& db, const NewSample& s, bool storesOnly) {
    namespace sql = server::confirmation_sql;
    server::Transaction t(db);
    if (!storesOnly) {
        QSqlQuery& products =
            sql::readProducts(db, QStringLiteral("0001"), QStringList{s.product} + s.items);
        int rows = 0;
        while (products.next()) {
            for (int i = 0; i < 5; ++i)
                products.value(i);
            ++rows;
        }
        products.finish();
        if (rows != s.items.size() + 1)
            die(QStringLiteral("the products read found %1 rows").arg(rows));
    }
    const QString number = sql::takeSampleNumber(db);
    const QVariant none(QMetaType::fromType<QString>());
    sql::insertSample(db, {number, QStringLiteral("Amostra de medição"), s.product, 5.0,
                           QStringLiteral("0001"), none, none, none, none});
    QVariantList items;
    for (int i = 0; i < s.items.size(); ++i)
        items << s.items.at(i) << 0.5 << QString::fromLatin1(i == 0 ? "S" : "N");
    sql::insertItems(db, number, items);
    t.commit();
}

const char* const kItemsSql = "SELECT I.NRAMOSTRA, P.CDARVPROD, I.CDPRODUTO, P.NMPRODUTO, "
                              "P.SGUNIDADE, I.QTPRODGERADO, I.IDPRODPRINC"
                              " FROM ITEMAMOSTRAPROC I JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO"
                              " WHERE I.NRAMOSTRA = :NRAMOSTRA ORDER BY P.CDARVPROD";
const char* const kListSql =
    "SELECT A.NRAMOSTRA, A.DSAMOSTRA, P.CDARVPROD, A.CDPRODUTO, A.QTPRODPROC, P.SGUNIDADE, "
    "P.NMPRODUTO, A.CDFILIAL,"
    " A.NRLANCTONF, A.CDSERIEENTR, F.NRINSJURFORN, F.IDTPIJURFORN, F.NMRAZSOCFORN, A.CDFORNECED, "
    "A.NRNOTAFISC"
    " FROM AMOSTRAPROC A JOIN PRODUTO P ON P.CDPRODUTO = A.CDPRODUTO"
    " LEFT JOIN FORNECEDOR F ON F.CDFORNECED = A.CDFORNECED"
    " WHERE A.NRAMOSTRA >= :NRINI AND A.NRAMOSTRA <= :NRFIM ORDER BY A.NRAMOSTRA";

QList<server::FieldDef> listFields() {
    using server::number;
    using server::text;
    return {text("NRAMOSTRA", 10),    text("DSAMOSTRA", 50),  text("CDARVPROD", 20),
            text("CDPRODUTO", 10),    number("QTPRODPROC"),   text("SGUNIDADE", 10),
            text("NMPRODUTO", 50),    text("CDFILIAL", 4),    text("NRLANCTONF", 10),
            text("CDSERIEENTR", 5),   text("NRINSJURNF", 20), text("IDTPIJURNF", 1),
            text("NMRAZSOCFORN", 40), text("CDFORNECED", 21), text("NRNOTAFISC", 20)};
}

// `twinUrl`: a database filled as `url` was, for the bare SQL taken in turns with the server's
// calls.
// With `profileRounds` above 0 only the in-process confirmations and bare transactions run.
void latency(const QString& label, const QString& url, const QString& twinUrl, int iterations,
             int profileRounds = 0) {
    ServerProcess server({"--database", url});
    server::Session db(server::DatabaseUrl::parse(url), QStringLiteral("bench-") + label);
    Client client(server.port());
    std::printf("\n== %s (%s)\n", label.toUtf8().constData(), url.toUtf8().constData());
    std::printf("%-44s %10s %10s %8s\n", "operation", "median ms", "p90 ms", "ratio");

    QString first;
    {
        QSqlQuery& q = db.run(QStringLiteral("SELECT MIN(NRAMOSTRA) FROM ITEMAMOSTRAPROC"));
        q.next();
        first = q.value(0).toString();
        q.finish();
    }
    const QByteArray noArgs("[]");
    const Stats noop =
        measure(iterations, [&] { client.call("Sistema.rdmServidor", "Ping", noArgs); });
    const Stats bareItems = measure(iterations, [&] {
        server::packetFromQuery(db.run(QString::fromLatin1(kItemsSql), {{"NRAMOSTRA", first}}),
                                {server::text("NRAMOSTRA", 10), server::text("CDARVPROD", 20),
                                 server::text("CDPRODUTO", 10), server::text("NMPRODUTO", 50),
                                 server::text("SGUNIDADE", 10), server::number("QTPRODGERADO"),
                                 server::text("IDPRODPRINC", 1)});
    });
    const QByteArray itemsArgs =
        QJsonDocument(QJsonArray{first, "3"}).toJson(QJsonDocument::Compact);
    const Stats items = measure(
        iterations, [&] { client.call("Est25000.rdmAmostraProc", "GetItemAmostra", itemsArgs); });
    std::printf("%-44s %10.3f %10.3f %8s\n", "no-op call (Ping)", noop.median, noop.p90, "");
    std::printf("%-44s %10.3f %10.3f %8s\n", "GetItemAmostra SQL in-process", bareItems.median,
                bareItems.p90, "");
    std::printf("%-44s %10.3f %10.3f %7.2fx  (of no-op + SQL; target < 0.3 ms)\n",
                "GetItemAmostra over HTTP", items.median, items.p90,
                items.median / (noop.median + bareItems.median));

    const NewSample s = findNewSample(db);
    const QJsonArray args = confirmArgs(s);
    const QByteArray argsText = QJsonDocument(args).toJson(QJsonDocument::Compact);
    // The server's own method on the bench's session: the HTTP part is what it lacks.
    server::Registry registry;
    server::registerAmostraProc(registry);
    const server::ChangesMethod* method =
        registry.findChanges("Est25000.rdmAmostraProc", "ConfirmaAmostra");
    const auto confirmInProcess = [&] {
        return method->call(db, dataset::changePacketsFromJsonText(argsText));
    };
    if (profileRounds > 0) {
        for (int i = 0; i < profileRounds; ++i)
            confirmInProcess();
        for (int i = 0; i < profileRounds; ++i)
            bareConfirmation(db, s, false);
        return;
    }
    const int confirmations = std::max(20, iterations / 10);
    const Stats bareConfirm = measure(confirmations, [&] { bareConfirmation(db, s, false); });
    const Stats bareStores = measure(confirmations, [&] { bareConfirmation(db, s, true); });
    const QJsonArray stored = QJsonDocument::fromJson(confirmInProcess()).array();
    if (!stored.at(0).toObject().value("rows").toArray().isEmpty() ||
        stored.at(1).toString().isEmpty())
        die(QStringLiteral("confirmation refused in-process: ") + QJsonDocument(stored).toJson());
    const Stats inProcess = measure(confirmations, confirmInProcess);
    const Stats inProcessIdle =
        measure(confirmations, confirmInProcess, std::chrono::microseconds(50));
    const auto confirmHttp = [&] {
        const QJsonValue r = client.call("Est25000.rdmAmostraProc", "ConfirmaAmostra", argsText);
        if (!r.toArray().at(0).toObject().value("rows").toArray().isEmpty() ||
            r.toArray().at(1).toString().isEmpty())
            die(QStringLiteral("confirmation refused: ") + QJsonDocument(r.toArray()).toJson());
    };
    const Stats confirm = measure(confirmations, confirmHttp);
    std::printf("%-44s %10.3f %10.3f %8s\n", "confirmation SQL in-process (read + stores)",
                bareConfirm.median, bareConfirm.p90, "");
    std::printf("%-44s %10.3f %10.3f %8s\n", "confirmation SQL in-process, stores only",
                bareStores.median, bareStores.p90, "");
    std::printf("%-44s %10.3f %10.3f %8s\n", "ConfirmaAmostra in-process, without HTTP",
                inProcess.median, inProcess.p90, "");
    std::printf("%-44s %10.3f %10.3f %8s\n", "the same, each after 50 us idle",
                inProcessIdle.median, inProcessIdle.p90, "");
    std::printf("%-44s %10.3f %10.3f %7.2fx  (of no-op + read + stores; target <= 1.5x)\n",
                "ConfirmaAmostra, new sample, 10 items", confirm.median, confirm.p90,
                confirm.median / (noop.median + bareConfirm.median));
    std::printf("%-44s %10s %10s %7.2fx  (of no-op + stores only: stricter)\n", "", "", "",
                confirm.median / (noop.median + bareStores.median));

    // In turns the bare SQL runs on a twin of the server's database, filled the same way:
    // neither side then pays for the other's writes (a SQLite connection drops its page cache
    // whenever another connection has written to the file; on PostgreSQL both would take the
    // same numerator row and pages), as neither does in the runs above.
    server::Session turnsDb(server::DatabaseUrl::parse(twinUrl),
                            QStringLiteral("bench-twin-") + label);
    const std::vector<Stats> turns = measureInTurns(
        std::max(50, iterations / 4), {[&] { client.call("Sistema.rdmServidor", "Ping", noArgs); },
                                       [&] { bareConfirmation(turnsDb, s, false); }, confirmHttp});
    std::printf("%-44s\n", "in turns (no-op, SQL, confirmation, repeated):");
    std::printf("%-44s %10.3f %10.3f %8s\n", "  no-op call (Ping)", turns[0].median, turns[0].p90,
                "");
    std::printf("%-44s %10.3f %10.3f %8s\n", "  confirmation SQL in-process (read + stores)",
                turns[1].median, turns[1].p90, "");
    std::printf("%-44s %10.3f %10.3f %7.2fx  (of no-op + read + stores; target <= 1.5x)\n",
                "  ConfirmaAmostra, new sample, 10 items", turns[2].median, turns[2].p90,
                turns[2].median / (turns[0].median + turns[1].median));

    const QString last = QStringLiteral("%1").arg(10000, 10, 10, QLatin1Char('0'));
    const int lists = std::max(10, iterations / 100);
    int rows = 0;
    const Stats bareList = measure(lists, [&] {
        const auto packet = server::packetFromQuery(
            db.run(QString::fromLatin1(kListSql), {{"NRINI", "0000000001"}, {"NRFIM", last}}),
            listFields());
        rows = static_cast<int>(packet.rows.size());
        QJsonDocument(QJsonObject{{"result", server::checkedResult(packet)}})
            .toJson(QJsonDocument::Compact);
    });
    const Stats list = measure(lists, [&] {
        client.call("Est25000.rdmAmostraProc", "GetAmostraProc",
                    {" ", "0000000001", last, "T", " ", "T", " ", " "});
    });
    std::printf("%-44s %10.3f %10.3f %8s\n",
                QStringLiteral("%1 rows: SQL + encoding in-process").arg(rows).toUtf8().constData(),
                bareList.median, bareList.p90, "");
    std::printf("%-44s %10.3f %10.3f %7.2fx  (of SQL + encoding; target <= 2x)\n",
                QStringLiteral("GetAmostraProc, %1 rows").arg(rows).toUtf8().constData(),
                list.median, list.p90, list.median / bareList.median);
}

// A keep-alive connection that made one call and now waits, as a clerk's screen left open.
class IdleConnection {
public:
    explicit IdleConnection(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            die(QStringLiteral("cannot open an idle connection"));
        static const std::string ping =
            "POST /rpc/Sistema.rdmServidor/Ping HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n[]";
        if (::send(fd_, ping.data(), ping.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(ping.size()))
            die(QStringLiteral("idle connection: send failed"));
        std::string answer;
        char chunk[1024];
        while (answer.find("pong") == std::string::npos) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                die(QStringLiteral("idle connection: no answer"));
            answer.append(chunk, static_cast<size_t>(n));
        }
    }
    ~IdleConnection() { ::close(fd_); }
    IdleConnection(const IdleConnection&) = delete;
    IdleConnection& operator=(const IdleConnection&) = delete;

private:
    int fd_ = -1;
};

// Ping and GetItemAmostra on two servers over the same SQLite file, one with `idle` keep-alive
// connections open and one with none, all four calls taken in turns: a change of the machine's
// load during the run weighs on both sides alike.
void idleConnections(const QString& url, int iterations, int idle) {
    ServerProcess quiet({"--database", url});
    ServerProcess crowded({"--database", url});
    server::Session db(server::DatabaseUrl::parse(url), QStringLiteral("bench-idle"));
    QSqlQuery& q = db.run(QStringLiteral("SELECT MIN(NRAMOSTRA) FROM ITEMAMOSTRAPROC"));
    q.next();
    const QByteArray itemsArgs =
        QJsonDocument(QJsonArray{q.value(0).toString(), "3"}).toJson(QJsonDocument::Compact);
    q.finish();
    std::vector<std::unique_ptr<IdleConnection>> open;
    for (int i = 0; i < idle; ++i)
        open.push_back(std::make_unique<IdleConnection>(crowded.port()));
    Client alone(quiet.port()), amongIdle(crowded.port());
    const QByteArray noArgs("[]");
    const std::vector<Stats> s = measureInTurns(
        iterations,
        {[&] { alone.call("Sistema.rdmServidor", "Ping", noArgs); },
         [&] { amongIdle.call("Sistema.rdmServidor", "Ping", noArgs); },
         [&] { alone.call("Est25000.rdmAmostraProc", "GetItemAmostra", itemsArgs); },
         [&] { amongIdle.call("Est25000.rdmAmostraProc", "GetItemAmostra", itemsArgs); }});
    std::printf("\n== %d idle keep-alive connections (SQLite), %d calls of each in turns\n", idle,
                iterations);
    std::printf("%-24s %9s %9s %10s %10s %8s %8s\n", "operation", "p50 ms", "p99 ms", "p50 idle",
                "p99 idle", "p50 x", "p99 x");
    const char* names[] = {"no-op call (Ping)", "GetItemAmostra"};
    for (size_t i = 0; i < 2; ++i) {
        const Stats& a = s[2 * i];
        const Stats& b = s[2 * i + 1];
        std::printf("%-24s %9.3f %9.3f %10.3f %10.3f %7.2fx %7.2fx  (p99 target <= 2x, < 5 ms)\n",
                    names[i], a.median, a.p99, b.median, b.p99, b.median / a.median, b.p99 / a.p99);
    }
}

QString pgDatabase(const QString& admin, const QString& name) {
    server::Session session(server::DatabaseUrl::parse(admin),
                            QStringLiteral("bench-admin-") + name);
    session.execDirect(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    session.execDirect(QStringLiteral("CREATE DATABASE %1").arg(name));
    QUrl url(admin);
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

void dropPg(const QString& admin, const QString& name) {
    server::Session session(server::DatabaseUrl::parse(admin),
                            QStringLiteral("bench-drop-") + name);
    session.execDirect(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

void throughput(const QString& admin, int seconds) {
    const QString name = QStringLiteral("est_bench_%1").arg(QCoreApplication::applicationPid());
    const QString url = pgDatabase(admin, name);
    double confirmationsPerSecond = 0;
    {
        ServerProcess server({"--database", url, "--init", "--demo", "2"});
        server::Session db(server::DatabaseUrl::parse(url), QStringLiteral("bench-tp"));
        const QJsonArray args = confirmArgs(findNewSample(db));
        std::atomic<bool> stop{false};
        std::atomic<long> done{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < 8; ++c)
            clients.emplace_back([&] {
                Client client(server.port());
                while (!stop) {
                    client.call("Est25000.rdmAmostraProc", "ConfirmaAmostra", args);
                    ++done;
                }
            });
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // connections warm
        const long before = done;
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const long after = done;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        stop = true;
        for (auto& t : clients)
            t.join();
        confirmationsPerSecond = (after - before) / elapsed;
    }
    dropPg(admin, name);

    // pgbench simple-update (-N) with 8 clients on the same cluster.
    const QString pgbenchName = name + QStringLiteral("_pgbench");
    pgDatabase(admin, pgbenchName);
    const QUrl parsed(admin);
    const QStringList common{"-h", parsed.host(),    "-p", QString::number(parsed.port(5432)),
                             "-U", parsed.userName()};
    QProcess init;
    init.start(QStringLiteral("/usr/lib/postgresql/15/bin/pgbench"),
               common + QStringList{"-i", "-q", "-s", "8", pgbenchName});
    init.waitForFinished(600000);
    QProcess run;
    run.start(QStringLiteral("/usr/lib/postgresql/15/bin/pgbench"),
              common + QStringList{"-N", "-n", "-c", "8", "-j", "2", "-T", QString::number(seconds),
                                   pgbenchName});
    run.waitForFinished(600000);
    const QString output = QString::fromUtf8(run.readAllStandardOutput());
    dropPg(admin, pgbenchName);
    const auto m = QRegularExpression(QStringLiteral("tps = ([0-9.]+)")).match(output);
    const double tps = m.hasMatch() ? m.captured(1).toDouble() : 0;
    std::printf("\n== PostgreSQL throughput, 8 concurrent clients, %d s each\n", seconds);
    std::printf("%-44s %10.0f /s\n", "ConfirmaAmostra (new sample, 10 items)",
                confirmationsPerSecond);
    std::printf("%-44s %10.0f /s\n", "pgbench -N (simple-update) transactions", tps);
    std::printf("%-44s %10.2f\n", "ratio confirmations / pgbench",
                tps > 0 ? confirmationsPerSecond / tps : 0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int scale = 21, iterations = 2000, seconds = 5;
    bool skipPg = false;
    int profileRounds = 0;
    int idleOnly = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--scale" && i + 1 < args.size())
            scale = args[++i].toInt();
        else if (args[i] == "--iterations" && i + 1 < args.size())
            iterations = args[++i].toInt();
        else if (args[i] == "--seconds" && i + 1 < args.size())
            seconds = args[++i].toInt();
        else if (args[i] == "--skip-pg")
            skipPg = true;
        else if (args[i] == "--profile" && i + 1 < args.size())
            profileRounds = args[++i].toInt();
        else if (args[i] == "--idle" && i + 1 < args.size())
            idleOnly = args[++i].toInt();
    }
    // The idle connections and the server's side of them are descriptors of this machine.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    QTemporaryDir dir;
    const QString sqlite = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db"));
    const auto fillStart = Clock::now();
    const QString twin = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("twin.db"));
    for (const QString& file : {sqlite, twin})
        ServerProcess filler({"--database", file, "--init", "--demo", QString::number(scale)});
    std::printf("demo data, scale %d, SQLite (the server's and its twin): %.1f s\n", scale,
                std::chrono::duration<double>(Clock::now() - fillStart).count());
    if (idleOnly > 0) {
        idleConnections(sqlite, iterations, idleOnly);
        return 0;
    }
    latency(QStringLiteral("SQLite"), sqlite, twin, iterations, profileRounds);
    if (profileRounds > 0)
        return 0;
    idleConnections(sqlite, iterations, 1000);

    const QString admin = qEnvironmentVariable("EST_TEST_PG_URL");
    if (skipPg)
        return 0;
    if (admin.isEmpty())
        die(QStringLiteral(
            "EST_TEST_PG_URL is not set (eval \"$(scripts/pg-start.sh)\") or pass --skip-pg"));
    const QString name = QStringLiteral("est_bench_lat_%1").arg(QCoreApplication::applicationPid());
    const QString pg = pgDatabase(admin, name);
    const QString pgTwin = pgDatabase(admin, name + QStringLiteral("_twin"));
    {
        const auto pgFill = Clock::now();
        for (const QString& url : {pg, pgTwin})
            ServerProcess filler({"--database", url, "--init", "--demo", QString::number(scale)});
        std::printf("\ndemo data, scale %d, PostgreSQL (the server's and its twin): %.1f s\n",
                    scale, std::chrono::duration<double>(Clock::now() - pgFill).count());
        latency(QStringLiteral("PostgreSQL"), pg, pgTwin, iterations);
    }
    dropPg(admin, name);
    dropPg(admin, name + QStringLiteral("_twin"));
    throughput(admin, seconds);
    return 0;
}
