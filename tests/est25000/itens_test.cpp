// The item grid of the sample screen, typed as a user types it against the real server and
// the demo database: the product and quantity checks with the focus on the refused cell, a
// single principal item, Space, the product search, deleting an item, the painted quantity
// and the Check command.
#include "Ambiente.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <host/controls/Buttonflat.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/library/Quorvan.h>
#include <host/search/SearchWindow.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace est25000::teste;
using dataset::DataSetState;

namespace {

QStringList coluna(const QString& sql, const QVariantList& valores = {}) {
    QSqlQuery query(dtmDBGeral::Database());
    query.prepare(sql);
    for (const QVariant& v : valores)
        query.addBindValue(v);
    EXPECT_TRUE(query.exec()) << sql.toStdString();
    QStringList lista;
    while (query.next())
        lista << query.value(0).toString();
    return lista;
}

// Leaf products that the current branch (0001) may use, of one unit or of any other.
QStringList produtosDaFilial(const QString& unidade, bool mesmaUnidade) {
    return coluna(QStringLiteral("SELECT PR.CDARVPROD FROM PRODUTO PR JOIN PRODFILIAL PF"
                                 " ON PF.CDPRODUTO = PR.CDPRODUTO AND PF.CDFILIAL = '0001'"
                                 " WHERE PR.CDNVPRODUTO = 3 AND PF.IDATIVO = 'S' AND "
                                 "PR.SGUNIDADE %1 ? ORDER BY PR.CDARVPROD")
                      .arg(mesmaUnidade ? QStringLiteral("=") : QStringLiteral("<>")),
                  {unidade});
}

QString texto(dataset::ClientDataSet* ds, const char* campo) {
    return ds->fieldByName(QString::fromLatin1(campo))->asString();
}

class ItensTest : public ::testing::Test {
protected:
    void SetUp() override {
        Ambiente::separadores(QLatin1Char(','), QLatin1Char('.'));
        tela = &abreTela(script);
        grade = tela->dbgItensAmostra;
        script.Clear();
    }
    void TearDown() override {
        Cli_est25000::boDelAmostra = false;
        Ambiente::separadores(QLatin1Char(','), QLatin1Char('.'));
        if (tela->cdsItemAmostra->state() != DataSetState::Browse)
            tela->cdsItemAmostra->cancel();
        if (tela->cdsAmostraProc->state() != DataSetState::Browse)
            tela->cdsAmostraProc->cancel();
        fechaTela();
    }

    // Goes to a stored sample with at least `itens` items whose products the current branch
    // may use, so that every item passes its checks.
    void vaiParaAmostraUsavel(int itens) {
        const QStringList numeros = coluna(
            QStringLiteral(
                "SELECT A.NRAMOSTRA FROM AMOSTRAPROC A WHERE (SELECT COUNT(*) FROM "
                "ITEMAMOSTRAPROC I WHERE I.NRAMOSTRA = A.NRAMOSTRA) >= ? AND NOT EXISTS (SELECT 1 "
                "FROM ITEMAMOSTRAPROC I JOIN PRODFILIAL PF ON PF.CDPRODUTO = I.CDPRODUTO AND "
                "PF.CDFILIAL = '0001' WHERE I.NRAMOSTRA = A.NRAMOSTRA AND PF.IDATIVO <> 'S') "
                "ORDER BY A.NRAMOSTRA"),
            {itens});
        ASSERT_FALSE(numeros.isEmpty());
        ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), numeros.first()));
        ASSERT_GE(tela->cdsItemAmostra->recordCount(), itens);
    }
    void foca(host::TControl* control) {
        control->SetFocus();
        QApplication::processEvents();
        ASSERT_EQ(focado(), control);
    }
    host::TControl* focado() const { return host::TControl::Of(tela->ActiveControl()); }
    void tecla(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* alvo = QApplication::focusWidget();
        ASSERT_NE(alvo, nullptr);
        QTest::keyClick(alvo, key, mods);
        QApplication::processEvents();
    }
    // Types into the current cell, replacing what its editor holds.
    void digita(const QString& texto) {
        if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            editor && grade->EditorMode()) {
            editor->selectAll();
            QTest::keyClick(editor, Qt::Key_Backspace);
        }
        for (QChar c : texto)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QApplication::processEvents();
    }
    QString colunaAtual() const { return grade->SelectedColumn()->FieldName(); }

    host::DialogScript script;
    Cli_est25000::TfrmAmostraProc* tela = nullptr;
    host::TDBGrid* grade = nullptr;
};

// A new sample of a leaf product: entering its empty grid inserts a first row; the row gets
// no other column before its code; codes and quantities are refused with the focus back on
// their cell; accepted codes fill name and unit; the rows are posted through the keyboard.
TEST_F(ItensTest, TypedItemsOfANewSampleAreCheckedAndFilled) {
    const QStringList produtos = coluna(QStringLiteral(
        "SELECT PR.CDARVPROD FROM PRODUTO PR JOIN PRODFILIAL PF ON PF.CDPRODUTO = PR.CDPRODUTO"
        " AND PF.CDFILIAL = '0001' WHERE PR.CDNVPRODUTO = 3 AND PF.IDATIVO = 'S'"
        " ORDER BY PR.CDARVPROD"));
    ASSERT_FALSE(produtos.isEmpty());
    const QString natura = produtos.first();
    const QString unidade =
        coluna(QStringLiteral("SELECT SGUNIDADE FROM PRODUTO WHERE CDARVPROD = ?"), {natura})
            .value(0);
    QStringList iguais = produtosDaFilial(unidade, true);
    iguais.removeAll(natura);
    ASSERT_GE(iguais.size(), 2);
    const QStringList outraUnidade = produtosDaFilial(unidade, false);
    ASSERT_FALSE(outraUnidade.isEmpty());
    ASSERT_TRUE(coluna(QStringLiteral("SELECT CDARVPROD FROM PRODUTO WHERE CDARVPROD = '999999'"))
                    .isEmpty());

    dataset::ClientDataSet* amostra = tela->cdsAmostraProc;
    dataset::ClientDataSet* itens = tela->cdsItemAmostra;
    foca(grade);
    EXPECT_EQ(itens->state(), DataSetState::Browse) << "browsing: an empty grid stays empty";
    foca(tela->dbeDescAmostra);
    amostra->insert();
    ASSERT_TRUE(itens->isEmpty());
    // A header as the user fills it before going down to the items (the unit after the code,
    // whose change clears it).
    amostra->fieldByName("DSAMOSTRA")->setAsString("Teste de itens");
    amostra->fieldByName("CDARVPROD")->setAsString(natura);
    amostra->fieldByName("SGUNIDADE")->setAsString(unidade);
    amostra->fieldByName("QTPRODPROC")->setAsFloat(10);
    foca(grade);
    EXPECT_EQ(itens->state(), DataSetState::Insert);
    EXPECT_EQ(colunaAtual(), "CDARVPROD");

    tecla(Qt::Key_Tab);
    EXPECT_EQ(colunaAtual(), "CDARVPROD") << "no other column before the code";
    EXPECT_TRUE(script.Messages().isEmpty()) << "an empty code is no error yet";

    const std::pair<QString, QString> recusas[] = {
        {natura, "Item informado deve ser diferente do produto in natura."},
        {outraUnidade.first(), "Unidade do item deve ser igual a unidade do produto in natura."},
        {"999999", "Produto não cadastrado."},
    };
    for (const auto& [codigo, mensagem] : recusas) {
        script.Clear();
        digita(codigo);
        tecla(Qt::Key_Tab);
        EXPECT_EQ(script.LastMessage(), mensagem) << codigo.toStdString();
        EXPECT_EQ(colunaAtual(), "CDARVPROD") << codigo.toStdString();
        EXPECT_EQ(focado(), grade);
        EXPECT_TRUE(texto(itens, "NMPRODUTO").isEmpty());
    }

    script.Clear();
    digita(iguais[0]);
    tecla(Qt::Key_Tab);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(texto(itens, "CDARVPROD"), iguais[0]);
    EXPECT_EQ(
        texto(itens, "NMPRODUTO"),
        coluna(QStringLiteral("SELECT NMPRODUTO FROM PRODUTO WHERE CDARVPROD = ?"), {iguais[0]})
            .value(0));
    EXPECT_EQ(texto(itens, "SGUNIDADE"), unidade);
    ASSERT_EQ(colunaAtual(), "QTPRODGERADO") << "the read-only name is skipped";

    const std::pair<QString, QString> quantidades[] = {
        {"0", "Quantidade deve ser maior que zero."},
        {"-1", "Quantidade deve ser maior que zero."},
        {"abc", "'abc' não é um valor numérico válido."},
    };
    for (const auto& [digitado, mensagem] : quantidades) {
        script.Clear();
        digita(digitado);
        tecla(Qt::Key_Tab);
        EXPECT_EQ(script.LastMessage(), mensagem) << digitado.toStdString();
        EXPECT_EQ(colunaAtual(), "QTPRODGERADO") << digitado.toStdString();
    }
    script.Clear();
    digita(QString());
    tecla(Qt::Key_Tab);
    EXPECT_TRUE(script.Messages().isEmpty()) << "an empty quantity is no error yet";
    EXPECT_EQ(colunaAtual(), "IDPRODPRINC") << "the read-only unit is skipped";
    tecla(Qt::Key_Down); // posting the row
    EXPECT_EQ(script.LastMessage(), "Quantidade deve ser informada.");
    EXPECT_EQ(colunaAtual(), "QTPRODGERADO");
    EXPECT_EQ(itens->state(), DataSetState::Insert);

    digita("1.5"); // the point key types the decimal comma
    script.Clear();
    tecla(Qt::Key_Down);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(itens->recordCount(), 1) << "the first row is posted";
    EXPECT_EQ(itens->state(), DataSetState::Insert) << "Down on the last row appends";
    EXPECT_EQ(colunaAtual(), "CDARVPROD");
    digita(iguais[1]);
    tecla(Qt::Key_Tab);
    digita("2");
    foca(tela->dbeDescAmostra); // leaving the grid posts the row
    EXPECT_EQ(itens->state(), DataSetState::Browse) << script.LastMessage().toStdString();

    itens->first();
    for (int i = 0; i < 2; ++i, itens->next()) {
        EXPECT_EQ(texto(itens, "CDARVPROD"), iguais[i]);
        EXPECT_EQ(texto(itens, "SGUNIDADE"), unidade);
        EXPECT_FALSE(texto(itens, "NMPRODUTO").isEmpty());
        EXPECT_DOUBLE_EQ(itens->fieldByName("QTPRODGERADO")->asFloat(), i == 0 ? 1.5 : 2.0);
        EXPECT_TRUE(itens->fieldByName("IDPRODPRINC")->isNull()) << "never touched";
        EXPECT_EQ(itens->fieldByName("IDPRODPRINC")->displayText(), "Não");
    }
    EXPECT_TRUE(Cli_est25000::stProdPrinc.isEmpty());
}

// The product's default warehouse and location are asked once per product while a sample is
// typed: a product whose branch registration went away meanwhile passes that check until
// another product, or another sample, asks the server again.
TEST_F(ItensTest, DefaultStockPlaceIsAskedOncePerProductOfTheSampleBeingTyped) {
    const QStringList arvores = produtosDaFilial(QStringLiteral("KG"), true);
    ASSERT_GE(arvores.size(), 3);
    const auto novaAmostra = [&] {
        foca(tela->dbeDescAmostra);
        tela->cdsAmostraProc->insert();
        for (const auto& [campo, valor] : {std::pair{"DSAMOSTRA", QStringLiteral("Estoque")},
                                           {"CDARVPROD", arvores[0]},
                                           {"SGUNIDADE", QStringLiteral("KG")},
                                           {"QTPRODPROC", QStringLiteral("10")}})
            tela->cdsAmostraProc->fieldByName(campo)->setAsString(valor);
        foca(grade);
    };
    const auto naoCadastrado = [](const QString& produto, const char* forma) {
        return QStringLiteral("Produto %1 não cadastrado %2 filial 0001.").arg(produto, forma);
    };
    novaAmostra();
    digita(arvores[1]);
    tecla(Qt::Key_Tab);
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();

    // Both products leave the branch; their rows are put back at the end.
    QStringList internos;
    QList<QVariantList> linhas;
    for (const QString& arvore : {arvores[1], arvores[2]}) {
        internos << coluna("SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = ?", {arvore}).value(0);
        QSqlQuery linha(dtmDBGeral::Database());
        linha.exec("SELECT * FROM PRODFILIAL WHERE CDFILIAL = '0001' AND CDPRODUTO = '" +
                   internos.last() + "'");
        linhas.append(QVariantList());
        linha.next();
        for (int i = 0; i < 7; ++i)
            linhas.last() << linha.value(i);
        linha.finish();
        coluna("DELETE FROM PRODFILIAL WHERE CDFILIAL = '0001' AND CDPRODUTO = ?",
               {internos.last()});
    }
    digita(QStringLiteral("1"));
    tecla(Qt::Key_Down);
    EXPECT_EQ(script.LastMessage(), naoCadastrado(arvores[1], "para a"))
        << "the product's own check: its defaults are not asked again";
    digita(arvores[2]);
    tecla(Qt::Key_Tab);
    EXPECT_EQ(script.LastMessage(), naoCadastrado(internos[1], "na")) << "another product";
    tela->cdsItemAmostra->cancel();
    tela->cdsAmostraProc->cancel();
    novaAmostra();
    digita(arvores[1]);
    tecla(Qt::Key_Tab);
    EXPECT_EQ(script.LastMessage(), naoCadastrado(internos[0], "na")) << "another sample";
    for (const QVariantList& linha : linhas)
        coluna("INSERT INTO PRODFILIAL VALUES (?, ?, ?, ?, ?, ?, ?)", linha);
}

// Space toggles the flag of a browsed item (and edits it and the sample); posting a principal
// item clears every item of another product and ends on the first item; an item of the same
// product keeps its flag; "sim" typed stores "N"; a post refused inside the clearing leaves
// the loop flag down and the display resumed.
TEST_F(ItensTest, OnlyOneProductStaysPrincipal) {
    vaiParaAmostraUsavel(2);
    dataset::ClientDataSet* itens = tela->cdsItemAmostra;
    dataset::Field* principal = itens->fieldByName(QStringLiteral("IDPRODPRINC"));
    int linhaPrincipal = 0;
    int linhaOutra = 0;
    for (itens->first(); !itens->eof(); itens->next())
        (principal->asString() == "S" ? linhaPrincipal : linhaOutra) = itens->recNo();
    ASSERT_TRUE(linhaPrincipal && linhaOutra);
    itens->setRecNo(linhaPrincipal);
    const QString primeiro = texto(itens, "CDARVPROD");
    itens->setRecNo(linhaOutra);
    const QString segundo = texto(itens, "CDARVPROD");
    ASSERT_NE(segundo, primeiro);
    foca(grade);
    grade->SetSelectedIndex(4);
    const int linha = linhaOutra - 1;

    tecla(Qt::Key_Space);
    EXPECT_EQ(itens->state(), DataSetState::Edit);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_FALSE(grade->EditorMode()) << "Space is never typed in the principal column";
    EXPECT_EQ(grade->model()->index(linha, 4).data().toString(), "Sim");
    tecla(Qt::Key_Space);
    EXPECT_EQ(grade->model()->index(linha, 4).data().toString(), "Não");
    tecla(Qt::Key_Space);
    tecla(linha == 0 ? Qt::Key_Down : Qt::Key_Up); // posts the item
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(itens->recNo(), 1) << "on the first item";
    itens->setRecNo(linhaPrincipal);
    EXPECT_EQ(principal->asString(), "N") << "the former principal is cleared";
    itens->setRecNo(linhaOutra);
    EXPECT_EQ(principal->asString(), "S");
    EXPECT_EQ(Cli_est25000::stProdPrinc, segundo);

    // A second item of the principal's product, flagged too: both keep the flag.
    itens->last();
    tecla(Qt::Key_Down);
    ASSERT_EQ(itens->state(), DataSetState::Insert);
    digita(segundo);
    tecla(Qt::Key_Tab); // over the name
    digita("1");
    tecla(Qt::Key_Tab); // over the unit
    tecla(Qt::Key_Space);
    tecla(Qt::Key_Up);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(itens->recNo(), 1);
    QStringList flags;
    for (itens->first(); !itens->eof(); itens->next())
        flags << texto(itens, "CDARVPROD") + '=' + principal->asString();
    EXPECT_TRUE(flags.contains(segundo + "=S")) << flags.join(' ').toStdString();
    EXPECT_EQ(flags.filter("=S").size(), 2) << flags.join(' ').toStdString();

    // "sim" is not "Sim": it stores "N", and that clears nothing.
    itens->setRecNo(linhaOutra);
    grade->SetSelectedIndex(4);
    digita("sim");
    tecla(Qt::Key_Tab); // the last column: on to the next row
    itens->setRecNo(linhaOutra);
    EXPECT_EQ(principal->asString(), "N");
    EXPECT_TRUE(Cli_est25000::stProdPrinc.isEmpty());
    flags.clear();
    for (itens->first(); !itens->eof(); itens->next())
        flags << texto(itens, "CDARVPROD") + '=' + principal->asString();
    EXPECT_EQ(flags.filter("=S"), QStringList{segundo + "=S"}) << "the other item keeps its flag";

    // The first item given the sample's own product while the grid is not focused (its check
    // then looks at empty values only) and flagged: its clearing will be refused.
    foca(tela->dbeDescAmostra);
    itens->first();
    itens->edit();
    itens->fieldByName("CDARVPROD")->setAsString(texto(tela->cdsAmostraProc, "CDARVPROD"));
    principal->setAsString("S");
    itens->post();
    foca(grade);
    itens->setRecNo(2);
    grade->SetSelectedIndex(4);
    script.Clear();
    tecla(Qt::Key_Space);
    if (principal->asString() != "S")
        tecla(Qt::Key_Space);
    tecla(Qt::Key_Up);
    EXPECT_EQ(script.LastMessage(), "Item informado deve ser diferente do produto in natura.");
    EXPECT_FALSE(Cli_est25000::boLoop);
    EXPECT_FALSE(itens->controlsDisabled());
    EXPECT_EQ(itens->state(), DataSetState::Edit) << "the refused item stays in edit";
    EXPECT_EQ(itens->recNo(), 1);
    EXPECT_EQ(colunaAtual(), "CDARVPROD");
    EXPECT_EQ(focado(), grade);
}

// The product search: its button only while an item is edited, working only on a new row;
// the search lists the branch's leaf products and the pick fills the item; the search field
// keeps the product picture. Space elsewhere opens the editor without typing.
TEST_F(ItensTest, ProductSearchFromTheCodeCellOfANewRow) {
    vaiParaAmostraUsavel(1);
    dataset::ClientDataSet* itens = tela->cdsItemAmostra;
    foca(grade);
    grade->SetSelectedIndex(0);
    EXPECT_NE(grade->Columns(0)->ButtonStyle(), host::TColumnButtonStyle::cbsEllipsis)
        << "browsing: no button";
    const QString codigo = texto(itens, "CDARVPROD");
    tecla(Qt::Key_Space);
    ASSERT_TRUE(grade->EditorMode()) << "Space opens the editor";
    auto* botao = QApplication::focusWidget()->findChild<QToolButton*>("EditButton");
    ASSERT_NE(botao, nullptr);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Browse) << "opening changes nothing";
    tecla(Qt::Key_Tab);
    EXPECT_EQ(texto(itens, "CDARVPROD"), codigo) << "Space typed nothing";
    grade->SetSelectedIndex(0);
    tecla(Qt::Key_F2);
    tecla(Qt::Key_Backspace);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit) << "the first change edits";
    tecla(Qt::Key_Escape);
    tecla(Qt::Key_Escape);
    tela->cdsAmostraProc->cancel();
    grade->SetSelectedIndex(0);
    grade->SetEditorMode(true);
    botao = QApplication::focusWidget()->findChild<QToolButton*>("EditButton");
    ASSERT_NE(botao, nullptr);
    botao->click();
    EXPECT_TRUE(script.ModalCaptions().size() == 1) << "an existing item is not searched";
    tela->cdsItemAmostra->cancel();
    tela->cdsAmostraProc->cancel();

    const QString unidade = texto(tela->cdsAmostraProc, "SGUNIDADE");
    QStringList iguais = produtosDaFilial(unidade, true);
    iguais.removeAll(texto(tela->cdsAmostraProc, "CDARVPROD"));
    ASSERT_FALSE(iguais.isEmpty());
    const QString filial = texto(tela->cdsAmostraProc, "CDFILIAL");
    const int naFilial =
        coluna(QStringLiteral("SELECT PR.CDARVPROD FROM PRODUTO PR JOIN PRODFILIAL PF ON "
                              "PF.CDPRODUTO = PR.CDPRODUTO WHERE PR.CDNVPRODUTO = 3 AND "
                              "PF.CDFILIAL = ? AND PF.IDATIVO = 'S'"),
               {filial})
            .size();
    const QString escolhido =
        coluna(
            QStringLiteral("SELECT PR.CDARVPROD FROM PRODUTO PR JOIN PRODFILIAL PF ON PF.CDPRODUTO "
                           "= PR.CDPRODUTO"
                           " WHERE PR.CDNVPRODUTO = 3 AND PF.CDFILIAL = ? AND PF.IDATIVO = 'S' AND"
                           " PR.SGUNIDADE = ? AND PR.CDARVPROD <> ? ORDER BY PR.CDARVPROD DESC"),
            {filial, unidade, texto(tela->cdsAmostraProc, "CDARVPROD")})
            .value(0);
    ASSERT_FALSE(escolhido.isEmpty());

    foca(grade);
    itens->last();
    tecla(Qt::Key_Down);
    ASSERT_EQ(itens->state(), DataSetState::Insert);
    grade->SetEditorMode(true);
    botao = QApplication::focusWidget()->findChild<QToolButton*>("EditButton");
    ASSERT_NE(botao, nullptr);
    EXPECT_TRUE(botao->isVisible());
    int linhas = -1;
    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        linhas = janela.RowCount();
        for (int r = 0; r < linhas; ++r)
            for (int c = 0; c < janela.Titles().size(); ++c)
                if (janela.CellText(r, c).remove('.') == escolhido)
                    janela.SelectRow(r);
        janela.Pick();
    });
    // From the keyboard: Ctrl+Enter, which the screen leaves as it is, presses the button.
    tecla(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(script.ModalCaptions().value(1), "Produto");
    EXPECT_EQ(linhas, naFilial);
    EXPECT_EQ(texto(itens, "CDARVPROD"), escolhido);
    EXPECT_EQ(texto(itens, "SGUNIDADE"), unidade);
    EXPECT_FALSE(texto(itens, "NMPRODUTO").isEmpty());
    EXPECT_FALSE(texto(itens, "CDPRODUTO").isEmpty());
    EXPECT_EQ(tela->qryProdItem->Query()->fieldByName("CDARVPROD")->editMask(),
              Quorvan::DBPict(Quorvan::tpProduto));
}

// Ctrl+Delete asks; No keeps the item and the sample as they were, Yes deletes and edits the
// sample; deleting the whole sample asks nothing. Check reloads the list and the items over
// whatever was not confirmed.
TEST_F(ItensTest, DeletingAsksAndCheckReloads) {
    vaiParaAmostraUsavel(2);
    dataset::ClientDataSet* itens = tela->cdsItemAmostra;
    const int antes = itens->recordCount();
    foca(grade);
    tecla(Qt::Key_Delete, Qt::ControlModifier); // a bare Enter answers No, the default
    ASSERT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.LastMessage(), "Confirma exclusão do produto?");
    EXPECT_EQ(script.Messages().first().type, host::TMsgDlgType::mtConfirmation);
    EXPECT_EQ(script.Messages().first().defaultButton, host::mbNo);
    EXPECT_EQ(itens->recordCount(), antes);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Browse);

    script.Answer(host::mrYes);
    tecla(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(itens->recordCount(), antes - 1);
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);

    script.Clear();
    Cli_est25000::boDelAmostra = true;
    tecla(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_EQ(itens->recordCount(), antes - 2);
    Cli_est25000::boDelAmostra = false;

    // Insert adds a row of this sample where the cursor is, at its code cell.
    const QString nr = texto(tela->cdsAmostraProc, "NRAMOSTRA");
    grade->SetSelectedIndex(2);
    tecla(Qt::Key_Insert);
    EXPECT_EQ(itens->state(), DataSetState::Insert);
    EXPECT_EQ(texto(itens, "NRAMOSTRA"), nr);
    EXPECT_EQ(colunaAtual(), "CDARVPROD");
    tecla(Qt::Key_Escape);
    EXPECT_EQ(itens->recordCount(), antes - 2);

    script.Answer(host::mrYes); // discard the deletions
    tela->sbtVerificar->Click();
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(),
              coluna(QStringLiteral("SELECT NRAMOSTRA FROM AMOSTRAPROC")).size());
    const QString atual = texto(tela->cdsAmostraProc, "NRAMOSTRA");
    EXPECT_EQ(
        itens->recordCount(),
        coluna(QStringLiteral("SELECT CDPRODUTO FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = ?"), {atual})
            .size());
    EXPECT_EQ(itens->changeCount(), 0) << "the deletions are gone";
}

// The quantity is painted "#,##0.000" with the user's separators, 2 pixels from the cell's
// right edge, over the default painting; an empty quantity keeps the default painting.
TEST_F(ItensTest, QuantityIsPaintedRightAlignedWithTheUsersSeparators) {
    vaiParaAmostraUsavel(1);
    dataset::ClientDataSet* itens = tela->cdsItemAmostra;
    itens->first();
    itens->edit();
    itens->fieldByName("QTPRODGERADO")->setAsFloat(1234.5);
    itens->post();
    const int qt = 2;
    const QModelIndex celula = grade->model()->index(0, qt);
    QStyleOptionViewItem opcao;
    opcao.initFrom(grade->viewport());
    opcao.rect = QRect(QPoint(0, 0), grade->visualRect(celula).size());
    opcao.font = grade->font();
    const auto pinta = [&](bool comManipulador, const QString& esperado) {
        QImage imagem(opcao.rect.size(), QImage::Format_ARGB32);
        imagem.fill(Qt::white);
        QPainter pintor(&imagem);
        auto manipulador = grade->OnDrawColumnCell;
        if (!comManipulador)
            grade->OnDrawColumnCell = nullptr;
        grade->itemDelegate()->paint(&pintor, opcao, celula);
        grade->OnDrawColumnCell = manipulador;
        if (!esperado.isEmpty()) {
            host::TCanvas canvas(&pintor);
            canvas.BrushColor = opcao.palette.color(QPalette::Base);
            canvas.FontColor = opcao.palette.color(QPalette::Text);
            pintor.setFont(opcao.font);
            canvas.FillRect(opcao.rect);
            canvas.TextOut(grade->Columns(qt)->Width() - canvas.TextWidth(esperado) - 2, 2,
                           esperado);
        }
        return imagem;
    };
    EXPECT_EQ(pinta(true, {}), pinta(false, "1.234,500"));
    EXPECT_NE(pinta(true, {}), pinta(false, {}));
    Ambiente::separadores(QLatin1Char('.'), QLatin1Char(','));
    EXPECT_EQ(pinta(true, {}), pinta(false, "1,234.500"));

    itens->edit();
    itens->fieldByName("QTPRODGERADO")->clear();
    EXPECT_EQ(pinta(true, {}), pinta(false, {})) << "an empty quantity: default painting";
    itens->cancel();
}

} // namespace
