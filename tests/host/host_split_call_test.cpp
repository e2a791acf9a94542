// TNetConnection's split call (SendText, then ReceiveText) against a real server: the same
// answers and the same failures as CallText, fallback when the receive does not match the send,
// and closing or destroying the connection with a call still at the server.
#include "HostErrorText.h"
#include "TestSupport.h"

#include <host/core/Exceptions.h>
#include <host/core/LongWait.h>
#include <host/remote/Netconnection.h>

#include <QJsonArray>

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace testsupport;

namespace {

const QString kItens = QStringLiteral("GetItemAmostra");

class SplitCall : public ::testing::Test {
protected:
    void SetUp() override { TNetConnection::SetAccessToken(server_.token()); }
    void TearDown() override { TNetConnection::SetAccessToken(QString()); }

    std::unique_ptr<TNetConnection> connection(int port) {
        auto net = std::make_unique<TNetConnection>();
        net->ServerName = QStringLiteral("Est25000.rdmAmostraProc");
        net->BeforeConnect = [this, net = net.get(), port](QObject*) {
            ++openings_;
            net->SetHost(QStringLiteral("127.0.0.1"));
            net->Port = port;
        };
        return net;
    }

    TestServer server_{Backend::Sqlite};
    int openings_ = 0;
};

TEST_F(SplitCall, SendThenReceiveAnswersWhatCallTextAnswers) {
    auto net = connection(server_.port());
    for (const char* amostra : {"0000000001", "0000000002", "0000000003"}) {
        const QJsonArray args{amostra, "3"};
        net->SendText(kItens, args);
        EXPECT_TRUE(net->Pending(kItens, args));
        EXPECT_FALSE(net->Pending(kItens, QJsonArray{amostra, "2"}));
        const QByteArray received = net->ReceiveText(kItens, args);
        EXPECT_FALSE(net->Pending(kItens, args)) << "an answer is taken once";
        EXPECT_EQ(received, net->CallText(kItens, args)) << amostra;
        EXPECT_TRUE(received.contains(amostra)) << received.left(300).toStdString();
    }
    EXPECT_EQ(openings_, 1) << "the split call opens the connection as the others do";
}

TEST_F(SplitCall, AReceiveForAnotherCallDropsThePendingAnswerAndCallsAtOnce) {
    auto net = connection(server_.port());
    const QJsonArray um{"0000000001", "3"}, dois{"0000000002", "3"};
    const QByteArray itensUm = net->CallText(kItens, um);
    const QByteArray itensDois = net->CallText(kItens, dois);
    ASSERT_NE(itensUm, itensDois);

    net->SendText(kItens, um);
    EXPECT_EQ(net->ReceiveText(kItens, dois), itensDois);
    EXPECT_FALSE(net->Pending(kItens, um)) << "the other answer was dropped";
    EXPECT_EQ(net->ReceiveText(kItens, um), itensUm) << "nothing pending: a plain call";

    // A second send replaces the first; the first one's receive then calls at once.
    net->SendText(kItens, um);
    net->SendText(kItens, dois);
    EXPECT_EQ(net->ReceiveText(kItens, dois), itensDois);
    EXPECT_EQ(net->ReceiveText(kItens, um), itensUm);
    // The same method with other arguments is another call.
    net->SendText(kItens, um);
    const QJsonArray outrosNiveis{"0000000001", "2"};
    EXPECT_EQ(net->ReceiveText(kItens, outrosNiveis), net->CallText(kItens, outrosNiveis));

    // Any call may change what the pending answer would say: it drops it.
    net->SendText(kItens, um);
    EXPECT_EQ(net->CallText(kItens, dois), itensDois);
    EXPECT_FALSE(net->Pending(kItens, um));
    // A read beside it leaves it to come, also when the read is watched for a long wait (it
    // then goes on a thread of its own); the same send again sends nothing new.
    QObject vigia;
    for (const bool vigiada : {false, true}) {
        net->SendText(kItens, um);
        if (vigiada)
            host::LongWait::Arm(&vigia, [] {});
        EXPECT_TRUE(net->CallBesidePending(kItens, dois).isObject());
        host::LongWait::Disarm(&vigia);
        net->SendText(kItens, um);
        EXPECT_TRUE(net->Pending(kItens, um));
        EXPECT_EQ(net->ReceiveText(kItens, um), itensUm) << vigiada;
    }
}

TEST_F(SplitCall, FailuresRaiseAtTheReceiveWithCallTextsTexts) {
    auto net = connection(server_.port());
    const auto split = [&](const QString& method, const QJsonArray& args) {
        return messageOf([&] {
            net->SendText(method, args);
            net->ReceiveText(method, args);
        });
    };
    EXPECT_EQ(split(QStringLiteral("NaoExiste"), {}),
              QStringLiteral("Método desconhecido: Est25000.rdmAmostraProc.NaoExiste."));
    EXPECT_EQ(split(kItens, {"1"}),
              QStringLiteral("GetItemAmostra espera 2 argumentos, recebeu 1."));
    TNetConnection::SetAccessToken(QStringLiteral("errado"));
    EXPECT_EQ(split(kItens, {"1", "3"}), QStringLiteral("Token de acesso ausente ou inválido."));
    TNetConnection::SetAccessToken(server_.token());
    EXPECT_TRUE(split(kItens, {"1", "3"}).startsWith("<no exception>")) << "the thread goes on";
}

TEST_F(SplitCall, AServerGoneRaisesAtTheReceiveAsCallTextDoes) {
    int port = portOfAStoppedServer(server_.database().url());
    auto net = connection(port);
    QString sent;
    EXPECT_NO_THROW(net->SendText(kItens, {"1", "3"})) << "the send raises nothing";
    sent = messageOf([&] { net->ReceiveText(kItens, {"1", "3"}); });
    EXPECT_TRUE(sent.startsWith(
        QStringLiteral("Não foi possível comunicar com o servidor de aplicação em 127.0.0.1:%1")
            .arg(port)))
        << sent.toStdString();
    EXPECT_EQ(sent, messageOf([&] { net->CallText(kItens, {"1", "3"}); }));
}

TEST_F(SplitCall, AnOpeningThatFailsRaisesAtTheReceive) {
    TNetConnection net;
    net.ServerName = QStringLiteral("Est25000.rdmAmostraProc");
    int tentativas = 0;
    net.BeforeConnect = [&](QObject*) {
        ++tentativas;
        throw host::EHostError(QStringLiteral("Servidor não configurado."));
    };
    EXPECT_NO_THROW(net.SendText(kItens, {"1", "3"}));
    EXPECT_FALSE(net.Pending(kItens, {"1", "3"}));
    EXPECT_EQ(messageOf([&] {
                  net.ReceiveText(kItens, {"1", "3"});
              }),
              QStringLiteral("Servidor não configurado."));
    EXPECT_EQ(tentativas, 2);
}

// A stand-in server whose answers wait until the test lets them go, to hold a call in flight.
class HeldServer {
public:
    HeldServer() {
        server_.Post(R"(/rpc/.*)", [this](const httplib::Request&, httplib::Response& res) {
            std::unique_lock lock(mutex_);
            ++arrived_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !holding_; });
            res.set_content("{\"result\":[1]}", "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        listener_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~HeldServer() {
        release();
        server_.stop();
        listener_.join();
    }
    int port() const { return port_; }
    // Waits until `count` calls have reached the handler; false after a minute without them.
    bool waitArrived(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return arrived_ >= count; });
    }
    void hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void release() {
        std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }

private:
    httplib::Server server_;
    std::thread listener_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    bool holding_ = false;
    int port_ = 0;
};

TEST(SplitCallInFlight, DestroyingOrClosingTheConnectionLetsTheCallGo) {
    HeldServer held;
    held.hold();
    {
        auto net = std::make_unique<TNetConnection>();
        net->ServerName = QStringLiteral("Est25000.rdmAmostraProc");
        net->Port = held.port();
        net->SendText(QStringLiteral("M"), {1});
        ASSERT_TRUE(held.waitArrived(1));
        net.reset(); // returns with the answer still held at the server
    }

    TNetConnection net;
    net.ServerName = QStringLiteral("Est25000.rdmAmostraProc");
    net.Port = held.port();
    net.SendText(QStringLiteral("M"), {2});
    ASSERT_TRUE(held.waitArrived(2));
    net.SetConnected(false); // drops the pending call
    EXPECT_FALSE(net.Pending(QStringLiteral("M"), {2}));
    held.release();
    // After the close the connection opens again and its thread answers as before.
    net.SendText(QStringLiteral("M"), {3});
    EXPECT_EQ(net.ReceiveText(QStringLiteral("M"), {3}), QByteArray("[1]"));
    EXPECT_EQ(net.ReceiveText(QStringLiteral("M"), {2}), QByteArray("[1]"));
    net.SetConnected(false); // the stand-in waits for its open connections on stopping
}

// A call made while something is armed to show the wait goes through the connection's thread:
// held at the server past the delay, the armed notice runs once, on this thread, with the call
// in flight, and the answer still comes; disarmed, nothing runs.
TEST(SplitCallInFlight, AWaitThatLastsShowsWhatIsArmedOnceWhileTheCallGoesOn) {
    HeldServer held;
    held.hold();
    TNetConnection net;
    net.ServerName = QStringLiteral("Est25000.rdmAmostraProc");
    net.Port = held.port();
    int shown = 0;
    host::LongWait::Arm(&held, [&] {
        ++shown;
        EXPECT_TRUE(held.waitArrived(1)) << "shown while the call is at the server";
        held.release();
    });
    EXPECT_EQ(net.CallText(QStringLiteral("M"), {1}), QByteArray("[1]"));
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(host::LongWait::Armed());

    held.hold();
    host::LongWait::Arm(&held, [&] { ++shown; });
    host::LongWait::Disarm(&held);
    std::thread releaser([&] {
        if (held.waitArrived(2)) {
            std::this_thread::sleep_for(host::LongWait::NoticeAfter * 2);
            held.release();
        }
    });
    EXPECT_EQ(net.CallText(QStringLiteral("M"), {2}), QByteArray("[1]"));
    releaser.join();
    EXPECT_EQ(shown, 1);
    net.SetConnected(false); // the stand-in waits for its open connections on stopping
}

} // namespace
