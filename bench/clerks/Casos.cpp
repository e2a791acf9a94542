#include "Casos.h"

#include <libpq-fe.h>

#include <memory>
#include <stdexcept>

namespace clerks {

namespace {

using Resultado = std::unique_ptr<PGresult, decltype(&PQclear)>;

Resultado executa(PGconn* c, const std::string& sql) {
    Resultado r(PQexec(c, sql.c_str()), &PQclear);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw std::runtime_error("leitura dos casos: " + std::string(PQerrorMessage(c)));
    return r;
}

std::string valor(const Resultado& r, int linha, int coluna) {
    return PQgetvalue(r.get(), linha, coluna);
}

// Products of the unit, other than the in-natura one, active and unblocked in branch 0001
// and in the invoice's branch, controlling stock in both: what the items may be.
std::vector<Produto> itensDaUnidade(PGconn* c, const std::string& unidade,
                                    const std::string& exceto, const std::string& filial) {
    const Resultado r =
        executa(c, "SELECT P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO, P.SGUNIDADE FROM PRODUTO P"
                   " JOIN PRODFILIAL PF ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = '0001'"
                   " JOIN PRODFILIAL PN ON PN.CDPRODUTO = P.CDPRODUTO AND PN.CDFILIAL = '" +
                       filial +
                       "' WHERE PF.IDATIVO = 'S' AND PF.IDBLOQUEADO = 'N' AND PN.IDATIVO = 'S'"
                       " AND PN.IDBLOQUEADO = 'N' AND PF.IDCONTROLAESTOQUE = 'S'"
                       " AND PN.IDCONTROLAESTOQUE = 'S' AND P.SGUNIDADE = '" +
                       unidade + "' AND P.CDPRODUTO <> '" + exceto +
                       "' AND P.CDNVPRODUTO = 3 ORDER BY P.CDARVPROD LIMIT 3");
    std::vector<Produto> itens;
    for (int i = 0; i < PQntuples(r.get()); ++i)
        itens.push_back({valor(r, i, 0), valor(r, i, 1), valor(r, i, 2), valor(r, i, 3)});
    return itens;
}

} // namespace

Casos leCasos(const std::string& url) {
    std::unique_ptr<PGconn, decltype(&PQfinish)> c(PQconnectdb(url.c_str()), &PQfinish);
    if (PQstatus(c.get()) != CONNECTION_OK)
        throw std::runtime_error("leitura dos casos: " + std::string(PQerrorMessage(c.get())));
    Casos casos;
    const Resultado n =
        executa(c.get(), "SELECT MIN(NRAMOSTRA)::BIGINT, MAX(NRAMOSTRA)::BIGINT FROM AMOSTRAPROC");
    casos.primeiraAmostra = std::stol(valor(n, 0, 0));
    casos.ultimaAmostra = std::stol(valor(n, 0, 1));
    const Resultado r = executa(
        c.get(),
        "SELECT N.CDFORNECED, F.NRINSJURFORN, F.IDTPIJURFORN, F.NMRAZSOCFORN,"
        " N.CDSERIEENTR, N.NRNOTAFISC, N.NRLANCTONF, N.CDFILIAL,"
        " P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO, P.SGUNIDADE,"
        " I.QTITEMNF - COALESCE((SELECT SUM(A.QTPRODPROC) FROM AMOSTRAPROC A"
        "  WHERE A.CDFILIAL = N.CDFILIAL AND A.NRLANCTONF = N.NRLANCTONF"
        "  AND A.CDPRODUTO = I.CDPRODUTO), 0)"
        " FROM NOTAFISCENTR N"
        " JOIN ITEMNOTAFISCENTR I ON I.CDFILIAL = N.CDFILIAL AND I.NRLANCTONF = N.NRLANCTONF"
        " JOIN FORNECEDOR F ON F.CDFORNECED = N.CDFORNECED"
        " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO"
        " JOIN PRODFILIAL PF ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = N.CDFILIAL"
        " WHERE N.CDFILIAL = '0001' AND N.CDFILIRECE = '0001' AND PF.IDATIVO = 'S'"
        " AND PF.IDBLOQUEADO = 'N' AND P.CDNVPRODUTO = 3 ORDER BY N.NRLANCTONF, P.CDARVPROD");
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        CasoNota nota{valor(r, i, 0),
                      valor(r, i, 1),
                      valor(r, i, 2),
                      valor(r, i, 3),
                      valor(r, i, 4),
                      valor(r, i, 5),
                      valor(r, i, 6),
                      valor(r, i, 7),
                      {valor(r, i, 8), valor(r, i, 9), valor(r, i, 10), valor(r, i, 11)},
                      std::stod(valor(r, i, 12)),
                      {}};
        if (nota.disponivel < 100)
            continue;
        nota.itens = itensDaUnidade(c.get(), nota.inNatura.sgUnidade, nota.inNatura.cdProduto,
                                    nota.cdFilial);
        if (nota.itens.size() == 3)
            casos.notas.push_back(std::move(nota));
    }
    if (casos.notas.empty())
        throw std::runtime_error("os dados de demonstração não têm linha de nota utilizável");
    return casos;
}

} // namespace clerks
