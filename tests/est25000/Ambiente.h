#pragma once
// The world the module's tests run in: a throw-away SQLite database with the demo data, a
// real application server on loopback with an access token, and the host's configuration and
// shared database connection pointed at both. One per test process.

#include <QString>

namespace est25000::teste {

class Ambiente {
public:
    // Starts everything on first use.
    static Ambiente& instancia();

    QString urlBanco() const { return urlBanco_; }
    int porta() const { return porta_; }
    QString token() const { return token_; }
    // The value of EST_TESTE_AMBIENTE that makes a child test process use this server and
    // database instead of its own.
    QString paraFilho() const;

    // Decimal and thousands separators of the user, applied to the number formatting.
    static void separadores(QChar decimal, QChar milhar);
    // A loopback port that nothing listens on: one the system just gave and took back.
    static int portaSemServidor();

private:
    Ambiente();
    void configura();
    QString urlBanco_;
    int porta_ = 0;
    QString token_;
};

} // namespace est25000::teste
