// The HTTP transport under clients that misbehave: bodies over the limit in every framing,
// a wrong token with a huge body, hundreds of idle and slow connections, a full work queue.
// Real sockets on loopback against the in-process server.
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace testsupport;

namespace {

const std::string kPing = "/rpc/Sistema.rdmServidor/Ping";
const std::string kItems = "/rpc/Est25000.rdmAmostraProc/GetItemAmostra";

std::string pingRequest(const std::string& token) {
    return requestHead(kPing, "Authorization: Bearer " + token +
                                  "\r\nContent-Type: application/json\r\nContent-Length: 2\r\n") +
           "[]";
}

TEST(Transport, RefusesAtTheHeadersWithoutReadingTheBody) {
    TestServer server(Backend::Sqlite);
    const std::string token = "Authorization: Bearer segredo\r\n";
    const std::string json = "Content-Type: application/json\r\n";

    // A wrong token with half a gigabyte announced: 401 while the body is still unsent.
    {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send(requestHead(kItems, "Authorization: Bearer errado\r\n" + json +
                                                   "Content-Length: 536870912\r\n")));
        const Answer a = c.answer();
        EXPECT_EQ(a.status, 401) << a.body;
        EXPECT_EQ(a.errorCode, "unauthorized");
    }
    // The right token but a length over the limit: 413 at once.
    {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send(requestHead(kItems, token + json + "Content-Length: 536870912\r\n")));
        const Answer a = c.answer();
        EXPECT_EQ(a.status, 413) << a.body;
        EXPECT_EQ(a.errorCode, "too_large");
    }
    // A chunked body that goes over the limit: refused while it is still being sent.
    {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send(requestHead(kItems, token + json + "Transfer-Encoding: chunked\r\n") +
                           "2\r\n[\"\r\n"));
        const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
        int sent = 0;
        while (sent < 1024 && !c.readable(0) && c.send(chunk))
            ++sent;
        const Answer a = c.answer();
        EXPECT_EQ(a.status, 413) << a.body;
        EXPECT_LT(sent, 1024) << "64 MiB went in without an answer";
    }
    // A body without any framing is not read until the connection closes: 411.
    {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send(requestHead(kItems, token + json) + "[\"0000000001\", \"3\"]"));
        EXPECT_EQ(c.answer().status, 411);
    }
    // What a web page can send without asking first: text/plain, or another host's name.
    {
        RawConnection c(server.port());
        ASSERT_TRUE(
            c.send(requestHead(kPing, token + "Content-Type: text/plain\r\nContent-Length: 2\r\n") +
                   "[]"));
        const Answer a = c.answer();
        EXPECT_EQ(a.status, 415) << a.body;
    }
    {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send("POST " + kPing + " HTTP/1.1\r\nHost: atacante.example:80\r\n" + token +
                           json + "Content-Length: 2\r\n\r\n[]"));
        const Answer a = c.answer();
        EXPECT_EQ(a.status, 403) << a.body;
    }
    // Garbage instead of HTTP.
    {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send("\x16\x03\x01 isto não é HTTP\r\n\r\n"));
        EXPECT_EQ(c.answer().status, 400);
    }
    // A legitimate call in its chunks is answered.
    {
        RawConnection c(server.port());
        const std::string body = "[\"0000000001\", \"3\"]";
        char size[16];
        std::snprintf(size, sizeof size, "%zx", body.size());
        ASSERT_TRUE(c.send(requestHead(kItems, token + json + "Transfer-Encoding: chunked\r\n") +
                           size + "\r\n" + body + "\r\n0\r\n\r\n"));
        const Answer a = c.answer();
        EXPECT_EQ(a.status, 200) << a.body;
        EXPECT_FALSE(a.result.toObject().value("rows").toArray().isEmpty());
    }
}

TEST(Transport, AnswersWhileHundredsOfConnectionsAreIdleOrSlow) {
    TestServer server(Backend::Sqlite, 1, QStringLiteral("segredo"), [](server::ServerOptions& o) {
        o.threads = 4;
        o.limits.headerTimeout = std::chrono::milliseconds(1500);
    });
    // 500 keep-alive connections that made one call and then wait.
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 500; ++i) {
        idle.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(idle.back()->send(pingRequest("segredo")));
        ASSERT_EQ(idle.back()->answer().status, 200) << "idle connection " << i;
    }
    // 100 clients that send the start of a header and then nothing.
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 100; ++i) {
        slow.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(slow.back()->send("POST " + kItems + " HTTP/1.1\r\nHost: 127."));
    }
    RpcClient client = server.client();
    const Answer items = client.amostra("GetItemAmostra", {"0000000001", "3"});
    ASSERT_EQ(items.status, 200) << items.body;
    EXPECT_FALSE(items.result.toObject().value("rows").toArray().isEmpty());
    // The idle connections are still served, each on its own connection.
    for (int i = 0; i < 500; i += 50) {
        ASSERT_TRUE(idle[static_cast<size_t>(i)]->send(pingRequest("segredo")));
        EXPECT_EQ(idle[static_cast<size_t>(i)]->answer().status, 200) << "idle connection " << i;
    }
    // A header that does not arrive within its deadline loses the connection.
    for (auto& c : slow)
        EXPECT_TRUE(c->closedByPeer(30000));
}

// With the one worker held by a confirmation that waits for the database's write lock and the
// queue full, the next call is told at once that the server is busy.
TEST(Transport, AFullWorkQueueAnswers503AndRecovers) {
    TestServer server(Backend::Sqlite, 1, QStringLiteral("segredo"), [](server::ServerOptions& o) {
        o.threads = 1;
        o.queueLimit = 1;
    });
    const SampleCase c = findSampleCase(server.database().session());
    server::Session& lock = server.database().session();
    lock.execDirect("BEGIN IMMEDIATE");

    const QByteArray confirm = QJsonDocument(confirmArgs({{"DSAMOSTRA", "Fila cheia"},
                                                          {"CDPRODUTO", c.product},
                                                          {"QTPRODPROC", 2.0},
                                                          {"CDFILIAL", "0001"}},
                                                         {{c.item1, 2, "S"}}))
                                   .toJson(QJsonDocument::Compact);
    RawConnection held(server.port());
    ASSERT_TRUE(held.send(requestHead("/rpc/Est25000.rdmAmostraProc/ConfirmaAmostra",
                                      "Authorization: Bearer segredo\r\nContent-Type: "
                                      "application/json\r\nContent-Length: " +
                                          std::to_string(confirm.size()) + "\r\n") +
                          confirm.toStdString()));
    std::vector<std::unique_ptr<RawConnection>> waiting;
    std::vector<int> firstAnswers;
    Answer busy;
    for (int i = 0; i < 10 && busy.status != 503; ++i) {
        waiting.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(waiting.back()->send(pingRequest("segredo")));
        busy = waiting.back()->answer(2000);
        firstAnswers.push_back(busy.status);
    }
    EXPECT_EQ(busy.status, 503) << busy.body;
    EXPECT_EQ(busy.errorCode, "busy");
    EXPECT_LE(waiting.size(), 3u);

    lock.execDirect("COMMIT");
    const Answer stored = held.answer(60000);
    ASSERT_EQ(stored.status, 200) << stored.body;
    EXPECT_FALSE(stored.result.toArray().at(1).toString().isEmpty());
    // The calls that found room in the queue are answered too, and then the server is free.
    for (size_t i = 0; i < waiting.size(); ++i)
        if (firstAnswers[i] == 0) {
            EXPECT_EQ(waiting[i]->answer(60000).status, 200) << "queued call " << i;
        }
    RpcClient client = server.client();
    EXPECT_EQ(client.call("Sistema.rdmServidor", "Ping", {}).status, 200);
}

} // namespace
