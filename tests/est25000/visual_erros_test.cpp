// The error list of one item: readable lines for the server's error rows of the product,
// a fresh dialog for every opening.
#include "Ambiente.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25100.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/StdControls.h>

#include <QTest>

#include <gtest/gtest.h>

using namespace est25000::teste;

namespace {

class VisualErrosTest : public ::testing::Test {
protected:
    void SetUp() override {
        tela = &abreTela(script);
        tela->cdsItemAmostra->first();
        produto = tela->cdsItemAmostra->fieldByName(QStringLiteral("CDPRODUTO"))->asString();
        ASSERT_FALSE(produto.isEmpty());
    }
    void TearDown() override { fechaTela(); }

    void erros(const QList<QPair<QString, QString>>& linhas) {
        dataset::DataPacket pacote;
        pacote.fields = {{"CDOBJETO", dataset::FieldType::String, 20},
                         {"CDERRO", dataset::FieldType::String, 20}};
        for (const auto& [objeto, erro] : linhas)
            pacote.rows.append(dataset::Row{objeto, erro});
        tela->cdsErros()->setData(pacote);
    }
    // Opens the list with the screen's button and answers the lines shown.
    QStringList abreLista() {
        QStringList linhas;
        script.OnModal([&](host::TForm& f) {
            auto& dialogo = dynamic_cast<Cli_est25100::TfrmVisualErros&>(f);
            EXPECT_EQ(dialogo.Caption(), QStringLiteral("Visualização dos Erros"));
            linhas = dialogo.lsbErros->Items();
            instancias << &dialogo;
        });
        tela->sbtVisualizaErrosClick(tela->sbtVisualizaErros);
        processaEventos();
        return linhas;
    }

    host::DialogScript script;
    Cli_est25000::TfrmAmostraProc* tela = nullptr;
    QString produto;
    QList<void*> instancias;
};

TEST_F(VisualErrosTest, ListsTheItemsErrorsInTheirOrder) {
    erros({{produto, "EST25000_3"},
           {"outro", "EST25000_2"},
           {produto, "EST25000_1"},
           {produto, "EST25000_4"},
           {produto, "XYZ"},
           {produto, "EST25000_3"}});
    EXPECT_EQ(abreLista(),
              (QStringList{"Produto já cadastrado.", "O produto encontra-se inativo para a filial.",
                           "Produto já cadastrado."}));
    EXPECT_EQ(Cli_est25100::stCdProduto, produto);
    EXPECT_TRUE(tela->cdsErros()->eof()) << "the walk leaves the rows at their end";
    EXPECT_FALSE(Cli_est25100::boIdCriado) << "closing released the dialog";
}

TEST_F(VisualErrosTest, EveryOpeningIsAFreshDialog) {
    erros({{"outro", "EST25000_1"}});
    EXPECT_TRUE(abreLista().isEmpty()) << "no row for the product";
    erros({{produto, "EST25000_2"}});
    EXPECT_EQ(abreLista(), QStringList{"Produto não controla estoque."});
    erros({});
    EXPECT_TRUE(abreLista().isEmpty()) << "nothing carried over from the last opening";
    EXPECT_EQ(instancias.size(), 3);
    EXPECT_EQ(Cli_est25100::frmVisualErros, nullptr);
}

TEST_F(VisualErrosTest, EscClosesTheListFromTheKeyboard) {
    // The dialog has no buttons; a clerk on the keyboard leaves it with Esc.
    erros({{produto, "EST25000_3"}});
    bool fechou = false;
    script.OnModal([&](host::TForm& f) {
        auto& dialogo = dynamic_cast<Cli_est25100::TfrmVisualErros&>(f);
        dialogo.lsbErros->setFocus();
        QTest::keyClick(dialogo.lsbErros, Qt::Key_Escape);
        fechou = !dialogo.Modal();
    });
    tela->sbtVisualizaErrosClick(tela->sbtVisualizaErros);
    processaEventos();
    EXPECT_TRUE(fechou) << "Esc in the list closed the dialog";
    EXPECT_FALSE(Cli_est25100::boIdCriado) << "and released it";
}

} // namespace
