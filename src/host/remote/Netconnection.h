#pragma once
// Connection to the application server: one remote data module (ServerName) reached over
// HTTP+JSON (docs/protocol.md). Calls are blocking, without a nested event loop: the screen
// waits for the answer, as it always did. A split call (SendText, ReceiveText) lets the screen
// do its own work while the server answers, and still waits for the answer before going on.

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonArray>
#include <QJsonValue>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace httplib {
class Client;
class Result;
} // namespace httplib

namespace host::detail {
class NetCallWorker;
struct HttpCall;
} // namespace host::detail

class TNetConnection : public QObject {
    Q_OBJECT
public:
    explicit TNetConnection(QObject* parent = nullptr);
    ~TNetConnection() override;

    QString ServerName;          // "Unit.module", e.g. "Est25000.rdmAmostraProc"
    int Port = 0;                // application server's port
    bool ThrowException = false; // kept for the forms; every failure raises regardless
    int Timeout = 120;           // seconds to wait for an answer
    // Runs each time the connection is about to open; handlers set the host and port.
    std::function<void(QObject* sender)> BeforeConnect;

    void SetHost(const QString& host);
    QString Host() const { return host_; }

    bool Connected() const { return client_ != nullptr; }
    // true: runs BeforeConnect, then opens with the host and port set at that moment and
    // asks the server for a Ping, so that an unreachable server or a refused token is
    // reported once, clearly, when the screen opens; the connection then stays closed.
    // (A call on a closed connection opens it without the Ping: the call itself answers.)
    void SetConnected(bool connected);

    // Calls a method of ServerName with positional arguments and answers its result.
    // Opens the connection when closed. Raises host::EHostError with the server's message
    // on any failure (unreachable server, time-out, 4xx/5xx answers including 409 and 422).
    QJsonValue Call(const QString& method, const QJsonArray& args = {});
    // The same call with its list of arguments already written as JSON text (packets written
    // without a JSON document).
    QJsonValue CallJsonText(const QString& method, QByteArrayView argumentsJson);
    // Every call drops the answer of a split call still pending, as the call may change it;
    // this one, a read, leaves it to come, so both run at once.
    QJsonValue CallBesidePending(const QString& method, const QJsonArray& args = {});
    // The same call answering the JSON text of the result, cut from the answer without
    // parsing it: for readers that parse large packets themselves in one pass. Raises as Call
    // does; the text itself is checked by whoever reads it.
    QByteArray CallText(const QString& method, const QJsonArray& args = {});

    // CallText split in two, so that the caller works while the server answers. SendText
    // starts the call at once on the connection's own thread (opening the connection first,
    // here); it raises nothing, and sends nothing when the same call is pending already.
    // ReceiveText answers it when it was for the same method and arguments; otherwise it drops the
    // pending answer and calls at once. Either way it raises what CallText raises. For calls
    // without side effects: a dropped call still ran.
    void SendText(const QString& method, const QJsonArray& args = {});
    QByteArray ReceiveText(const QString& method, const QJsonArray& args = {});
    // Whether a SendText of this method and these arguments waits for its ReceiveText.
    bool Pending(const QString& method, const QJsonArray& args = {}) const;

    // Sent as the header Idempotency-Key with every call while set: the server answers a
    // write repeated under the same key (after an answer that never came) without storing it
    // again. Empty: none.
    void SetRequestKey(const QString& key) { requestKey_ = key; }

    // The access token sent as "Authorization: Bearer" by every connection of the process.
    static void SetAccessToken(const QString& token);
    static QString AccessToken();
    // The name sent as the header Est-Usuario: whom the server records in the history when
    // the access token is the server's own (the embedded default). Empty: none.
    static void SetUserName(const QString& name);
    static QString UserName();
    // Asked, on the thread of the calls, when the server refuses the access (the signed-in
    // session expired, or the server restarted): signs in again (sets the new token) and answers
    // true, and the call is repeated once; false, and the call raises the server's message. None:
    // it raises.
    static void SetSessionRenewal(std::function<bool()> renew);

    // A CA certificate file (PEM): when set, every connection opened afterwards speaks TLS and
    // verifies the server's certificate against it, so the token never crosses the network in
    // clear text.
    static void SetTlsCaFile(const QString& path);
    static QString TlsCaFile();

private:
    struct PendingCall {
        QString method;
        QJsonArray args;
        QString host;
        int port = 0;
    };

    void open();
    void ping();
    host::detail::HttpCall request(const QString& method, const QJsonArray& args);
    host::detail::HttpCall request(const QString& method, QByteArrayView argumentsJson);
    std::string post(const QString& method, QByteArrayView argumentsJson, bool besidePending);
    QJsonValue answerValue(const std::string& body, const QString& method) const;
    httplib::Result watchedPost(host::detail::HttpCall call);
    static std::string answerBody(httplib::Result& res, const QString& host, int port);
    QByteArray resultText(const std::string& body, const QString& method) const;
    [[noreturn]] void invalidAnswer(const QString& method) const;

    QString host_ = QStringLiteral("127.0.0.1");
    QString requestKey_;
    std::unique_ptr<httplib::Client> client_;
    std::unique_ptr<host::detail::NetCallWorker> worker_;  // split calls
    std::unique_ptr<host::detail::NetCallWorker> watcher_; // calls watched by host::LongWait
    std::optional<PendingCall> pending_;
};
