#pragma once
// Where the suite's data lives and who serves it. With a server configured (--server), the
// suite talks to it and reads reference tables from the configured database. Without one it
// is the embedded default: a SQLite database with demo data in the user's data folder and
// the application server started in-process on a random loopback port with a random token.

#include <QString>

#include <memory>

namespace server {
class EmbeddedServer;
}

namespace suite {

class Backend {
public:
    Backend();
    ~Backend();

    // Starts what the configuration asks for, opens the direct-read database and sets the
    // server address and token; raises std::exception with a message on failure.
    void Start();
    void Stop();

    bool Embedded() const { return server_ != nullptr; }
    QString DatabaseUrl() const { return databaseUrl_; }
    QString Describe() const;

    static QString DefaultDatabasePath();
    static QString RandomToken();

private:
    std::unique_ptr<server::EmbeddedServer> server_;
    QString databaseUrl_;
};

} // namespace suite
