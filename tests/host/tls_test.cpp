// The server speaking TLS with a certificate made here, and the desktop's connection verifying
// it: a call goes through, a plain call is not answered, another authority's certificate is
// refused, and the token never travels without TLS.
#include "HostErrorText.h"
#include "TestSupport.h"

#include <host/remote/Netconnection.h>

#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// A self-signed certificate for 127.0.0.1 and localhost: its own authority.
bool makeCertificate(const QString& dir, const QString& name) {
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                   "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                   "-keyout", dir + "/" + name + ".key", "-out", dir + "/" + name + ".pem"});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
}

class Tls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(makeCertificate(dir_.path(), "servidor"));
        ASSERT_TRUE(makeCertificate(dir_.path(), "outra"));
        server_ = std::make_unique<TestServer>(Backend::Sqlite, 1, QStringLiteral("segredo"),
                                               [this](server::ServerOptions& o) {
                                                   o.tlsCertFile = dir_.filePath("servidor.pem");
                                                   o.tlsKeyFile = dir_.filePath("servidor.key");
                                               });
        TNetConnection::SetAccessToken(server_->token());
    }
    void TearDown() override {
        TNetConnection::SetAccessToken(QString());
        TNetConnection::SetTlsCaFile(QString());
    }
    std::unique_ptr<TNetConnection> connection() {
        auto net = std::make_unique<TNetConnection>();
        net->ServerName = QStringLiteral("Est25000.rdmAmostraProc");
        net->SetHost(QStringLiteral("127.0.0.1"));
        net->Port = server_->port();
        return net;
    }

    QTemporaryDir dir_;
    std::unique_ptr<TestServer> server_;
};

TEST_F(Tls, TheDesktopCallsThroughTlsAndRefusesAnotherCertificate) {
    TNetConnection::SetTlsCaFile(dir_.filePath("servidor.pem"));
    auto net = connection();
    const QJsonValue items = net->Call(QStringLiteral("GetItemAmostra"), {"0000000001", "3"});
    EXPECT_FALSE(items.toObject().value("rows").toArray().isEmpty());
    // The split call goes over TLS too.
    net->SendText(QStringLiteral("GetItemAmostra"), {"0000000001", "3"});
    EXPECT_TRUE(net->ReceiveText(QStringLiteral("GetItemAmostra"), {"0000000001", "3"})
                    .contains("\"rows\""));

    // A server whose certificate another authority signed is not trusted.
    TNetConnection::SetTlsCaFile(dir_.filePath("outra.pem"));
    auto stranger = connection();
    EXPECT_TRUE(messageOf([&] {
                    stranger->Call(QStringLiteral("GetItemAmostra"), {"1", "3"});
                }).contains("certificado"));
}

TEST_F(Tls, APlainCallGetsNoAnswer) {
    // The desktop without TLS configured: the call fails, nothing is answered.
    auto plain = connection();
    EXPECT_TRUE(messageOf([&] {
                    plain->Call(QStringLiteral("GetItemAmostra"), {"1", "3"});
                }).startsWith("Não foi possível comunicar"));
    RawConnection raw(server_->port());
    ASSERT_FALSE(raw.failed());
    raw.send(requestHead("/rpc/Sistema.rdmServidor/Ping",
                         "Authorization: Bearer segredo\r\nContent-Type: application/json\r\n"
                         "Content-Length: 2\r\n") +
             "[]");
    EXPECT_EQ(raw.answer().status, 0);
}

} // namespace
