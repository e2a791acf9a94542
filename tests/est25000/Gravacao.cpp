#include "Gravacao.h"

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Control.h>
#include <host/remote/Netconnection.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <stdexcept>

namespace est25000::teste {

namespace {

QSqlQuery consulta(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant& v : valores)
        query.addBindValue(v);
    if (!query.exec())
        throw std::runtime_error(
            (sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
    return query;
}

Produto produtoDe(const QSqlQuery& q, int desde) {
    return {q.value(desde).toString(), q.value(desde + 1).toString(), q.value(desde + 2).toString(),
            q.value(desde + 3).toString()};
}

// Products of the unit that the branch (and the current branch 0001) let a sample generate:
// leaves of the tree, active, not blocked, controlling stock or not.
QList<Produto> produtosDaUnidade(const QSqlDatabase& db, const QString& unidade,
                                 const QString& exceto, bool controlaEstoque, int quantos,
                                 const QString& filial = QStringLiteral("0001")) {
    const QString sim = controlaEstoque ? QStringLiteral("S") : QStringLiteral("N");
    QSqlQuery q = consulta(
        db,
        QStringLiteral("SELECT P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO, P.SGUNIDADE FROM PRODUTO P"
                       " JOIN PRODFILIAL PF ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = '0001'"
                       " JOIN PRODFILIAL PN ON PN.CDPRODUTO = P.CDPRODUTO AND PN.CDFILIAL = ?"
                       " WHERE PF.IDATIVO = 'S' AND PF.IDBLOQUEADO = 'N'"
                       " AND PN.IDATIVO = 'S' AND PN.IDBLOQUEADO = 'N'"
                       " AND PF.IDCONTROLAESTOQUE = ? AND PN.IDCONTROLAESTOQUE = ?"
                       " AND P.CDNVPRODUTO = 3"
                       " AND P.SGUNIDADE = ? AND P.CDPRODUTO <> ? ORDER BY P.CDARVPROD"),
        {filial, sim, sim, unidade, exceto});
    QList<Produto> produtos;
    while (produtos.size() < quantos && q.next())
        produtos << produtoDe(q, 0);
    return produtos;
}

void poe(dataset::ClientDataSet* ds, const char* campo, const QVariant& valor) {
    ds->fieldByName(QString::fromLatin1(campo))->setValue(valor);
}

} // namespace

int conta(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    return valor(db, sql, valores).toInt();
}

QVariant valor(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    QSqlQuery q = consulta(db, sql, valores);
    return q.next() ? q.value(0) : QVariant();
}

QString campoNoBanco(const QSqlDatabase& db, const char* campo, const QString& nrAmostra) {
    return valor(db,
                 QStringLiteral("SELECT %1 FROM AMOSTRAPROC WHERE NRAMOSTRA = ?")
                     .arg(QString::fromLatin1(campo)),
                 {nrAmostra})
        .toString();
}

QList<QPair<QString, double>> itensNoBanco(const QSqlDatabase& db, const QString& nrAmostra) {
    QSqlQuery q = consulta(db,
                           QStringLiteral("SELECT CDPRODUTO, QTPRODGERADO FROM ITEMAMOSTRAPROC"
                                          " WHERE NRAMOSTRA = ? ORDER BY CDPRODUTO"),
                           {nrAmostra});
    QList<QPair<QString, double>> itens;
    while (q.next())
        itens.append({q.value(0).toString(), q.value(1).toDouble()});
    return itens;
}

CasoEstoque casoEstoque(const QSqlDatabase& db, int nItens) {
    QSqlQuery q = consulta(
        db,
        QStringLiteral("SELECT P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO, P.SGUNIDADE, E.QTESTOQDIA"
                       " FROM PRODUTO P"
                       " JOIN PRODFILIAL PF ON PF.CDPRODUTO = P.CDPRODUTO AND PF.CDFILIAL = '0001'"
                       " JOIN FILIAL F ON F.CDFILIAL = PF.CDFILIAL"
                       " JOIN POSICAOESTOQUE E ON E.CDPRODUTO = P.CDPRODUTO"
                       "  AND E.CDFILIAL = PF.CDFILIAL AND E.DTPOSICAO = F.DTPROCESSAMENTO"
                       " WHERE PF.IDATIVO = 'S' AND PF.IDBLOQUEADO = 'N'"
                       " AND PF.IDCONTROLAESTOQUE = 'S' AND P.CDNVPRODUTO = 3"
                       " AND E.QTESTOQDIA > 100 ORDER BY P.CDARVPROD"),
        {});
    while (q.next()) {
        CasoEstoque caso{produtoDe(q, 0), q.value(4).toDouble(), {}};
        caso.itens =
            produtosDaUnidade(db, caso.inNatura.sgUnidade, caso.inNatura.cdProduto, true, nItens);
        if (caso.itens.size() == nItens &&
            !produtosDaUnidade(db, caso.inNatura.sgUnidade, caso.inNatura.cdProduto, false, 1)
                 .isEmpty())
            return caso;
    }
    throw std::runtime_error("the demo data holds no stock sample case");
}

CasoNota casoNota(const QSqlDatabase& db, const QString& filial, int nItens) {
    QSqlQuery q = consulta(
        db,
        QStringLiteral(
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
            " WHERE N.CDFILIAL = ? AND PF.IDATIVO = 'S' AND PF.IDBLOQUEADO = 'N'"
            " AND P.CDNVPRODUTO = 3 ORDER BY N.NRLANCTONF, P.CDARVPROD"),
        {filial});
    while (q.next()) {
        CasoNota nota;
        nota.cdFornecedor = q.value(0).toString();
        nota.nrInscricao = q.value(1).toString();
        nota.idTipo = q.value(2).toString();
        nota.nmRazaoSocial = q.value(3).toString();
        nota.cdSerie = q.value(4).toString();
        nota.nrNota = q.value(5).toString();
        nota.nrLancto = q.value(6).toString();
        nota.cdFilial = q.value(7).toString();
        nota.inNatura = produtoDe(q, 8);
        nota.disponivel = q.value(12).toDouble();
        if (nota.disponivel < 20)
            continue;
        nota.itens = produtosDaUnidade(db, nota.inNatura.sgUnidade, nota.inNatura.cdProduto, true,
                                       nItens, filial);
        if (nota.itens.size() == nItens)
            return nota;
    }
    throw std::runtime_error("the demo data holds no invoice sample case");
}

Produto produtoSemEstoque(const QSqlDatabase& db, const QString& unidade, const QString& exceto) {
    const QList<Produto> produtos = produtosDaUnidade(db, unidade, exceto, false, 1);
    if (produtos.isEmpty())
        throw std::runtime_error("the demo data holds no product without stock control");
    return produtos.first();
}

QStringList amostrasGuardadas(const QSqlDatabase& db, bool processada, int quantas) {
    QSqlQuery q = consulta(db,
                           QStringLiteral("SELECT NRAMOSTRA FROM AMOSTRAPROC WHERE IDPROCESSADO = ?"
                                          " AND CDFILIAL = '0001' ORDER BY NRAMOSTRA"),
                           {processada ? QStringLiteral("S") : QStringLiteral("N")});
    QStringList numeros;
    while (numeros.size() < quantas && q.next())
        numeros << q.value(0).toString();
    if (numeros.size() < quantas)
        throw std::runtime_error("the demo data holds too few such samples");
    return numeros;
}

void preencheCabecalho(Cli_est25000::TfrmAmostraProc& tela, const QString& descricao,
                       const Produto& produto, double quantidade) {
    dataset::ClientDataSet* a = tela.cdsAmostraProc;
    poe(a, "DSAMOSTRA", descricao);
    poe(a, "CDARVPROD", produto.cdArvProd);
    poe(a, "CDPRODUTO", produto.cdProduto);
    poe(a, "NMPRODUTO", produto.nmProduto);
    poe(a, "SGUNIDADE", produto.sgUnidade);
    poe(a, "QTPRODPROC", quantidade);
}

void preencheNota(Cli_est25000::TfrmAmostraProc& tela, const CasoNota& nota) {
    tela.cdsNotaFiscal->setDataJson(tela.netAmostraProc->Call(
        QStringLiteral("GetNotaFiscal"), {nota.cdFornecedor, nota.cdSerie, nota.nrNota, ""}));
    dataset::ClientDataSet* a = tela.cdsAmostraProc;
    poe(a, "IDTPIJURNF", nota.idTipo);
    poe(a, "NRINSJURNF", nota.nrInscricao);
    poe(a, "NMRAZSOCFORN", nota.nmRazaoSocial);
    poe(a, "CDFORNECED", nota.cdFornecedor);
    poe(a, "CDSERIEENTR", nota.cdSerie);
    poe(a, "NRNOTAFISC", nota.nrNota);
    poe(a, "NRLANCTONF", nota.nrLancto);
}

void adicionaItem(Cli_est25000::TfrmAmostraProc& tela, const Produto& produto, double quantidade,
                  bool principal) {
    dataset::ClientDataSet* i = tela.cdsItemAmostra;
    // In the grid, as the user goes down to the items (entering an empty grid opens a row);
    // the values go in as the grid's lookup leaves them, with no text left in its editor.
    if (host::TControl::Of(tela.ActiveControl()) != tela.dbgItensAmostra)
        tela.dbgItensAmostra->SetFocus();
    if (i->state() != dataset::DataSetState::Insert)
        i->append();
    tela.dbgItensAmostra->SetEditorMode(false);
    poe(i, "NRAMOSTRA", tela.cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString());
    poe(i, "CDARVPROD", produto.cdArvProd);
    poe(i, "CDPRODUTO", produto.cdProduto);
    poe(i, "NMPRODUTO", produto.nmProduto);
    poe(i, "SGUNIDADE", produto.sgUnidade);
    poe(i, "QTPRODGERADO", quantidade);
    poe(i, "IDPRODPRINC", principal ? QStringLiteral("S") : QStringLiteral("N"));
    i->post();
}

void clica(host::TButtonFlat* botao) {
    if (!botao->isEnabled())
        throw std::runtime_error(botao->objectName().toStdString() + " is disabled");
    QTest::mouseClick(botao, Qt::LeftButton);
}

} // namespace est25000::teste
