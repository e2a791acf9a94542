// The filter's confirm without widgets: order of the steps, the eight arguments of
// GetAmostraProc and the field each refusal puts the focus on.
#include <est25000/FiltroArgumentos.h>

#include <host/library/Consiste.h>

#include <QMap>

#include <gtest/gtest.h>

using namespace Cli_est25200;

namespace {

// The dialog's fields as plain texts; the validations are scripted and recorded.
class Criterios : public CriteriosFiltro {
public:
    QMap<CampoFiltro, QString> campos;
    QStringList chamadas;
    QStringList produtosCadastrados{"101001", "101", "12", "1011"};
    QString fornecedorReescrito; // what Vd_Fornecedor leaves in the field
    bool fornecedorCadastrado = true;

    QString texto(CampoFiltro campo) const override { return campos.value(campo); }
    void setTexto(CampoFiltro campo, const QString& texto) override { campos[campo] = texto; }
    void validaFornecedor() override {
        chamadas << "fornecedor";
        if (!fornecedorCadastrado)
            throw std::runtime_error("Fornecedor não cadastrado.");
        if (!fornecedorReescrito.isEmpty())
            campos[CampoFiltro::Fornecedor] = fornecedorReescrito;
    }
    void validaProduto(CampoFiltro campo) override {
        chamadas << (campo == CampoFiltro::ProdInic ? "prodInic" : "prodFim");
        if (!produtosCadastrados.contains(campos.value(campo).trimmed()))
            throw std::runtime_error("Produto não cadastrado.");
    }
};

RecusaFiltro recusa(Criterios& criterios, int tamCodigo = 6) {
    try {
        argumentosGetAmostraProc(criterios, tamCodigo);
    } catch (const RecusaFiltro& r) {
        return r;
    }
    ADD_FAILURE() << "the confirm was not refused";
    return {};
}

TEST(FiltroArgumentos, NoCriterionAtAllAsksForEverything) {
    Criterios c;
    EXPECT_EQ(argumentosGetAmostraProc(c, 6),
              (QStringList{"T", " ", " ", "T", " ", "T", " ", " "}));
    EXPECT_TRUE(c.chamadas.isEmpty()) << "no validation runs on empty fields";
}

TEST(FiltroArgumentos, SampleNumbersAreAdjustedInTheirFieldsAndEqualBoundsPass) {
    Criterios c;
    c.campos[CampoFiltro::InterInic] = "5";
    c.campos[CampoFiltro::InterFinal] = "5";
    const QStringList args = argumentosGetAmostraProc(c, 6);
    const QString ajustado = Consiste::Ajusta("5", 10);
    EXPECT_EQ(ajustado.size(), 10);
    EXPECT_EQ(args.mid(0, 3), (QStringList{" ", ajustado, ajustado}));
    EXPECT_EQ(c.campos[CampoFiltro::InterInic], ajustado) << "the field shows the adjusted text";
    EXPECT_EQ(c.campos[CampoFiltro::InterFinal], ajustado);
}

TEST(FiltroArgumentos, SampleRangeRefusals) {
    Criterios reverso;
    reverso.campos[CampoFiltro::InterInic] = "7";
    reverso.campos[CampoFiltro::InterFinal] = "5";
    RecusaFiltro r = recusa(reverso);
    EXPECT_EQ(r.chave, "Inter_Maior");
    EXPECT_EQ(r.campo, CampoFiltro::InterInic);

    // Adjusted texts compare as numbers would: 10 is after 9.
    Criterios dezENove;
    dezENove.campos[CampoFiltro::InterInic] = "9";
    dezENove.campos[CampoFiltro::InterFinal] = "10";
    EXPECT_NO_THROW(argumentosGetAmostraProc(dezENove, 6));

    Criterios soFinal;
    soFinal.campos[CampoFiltro::InterFinal] = "5";
    r = recusa(soFinal);
    EXPECT_EQ(r.chave, "Inter");
    EXPECT_EQ(r.campo, CampoFiltro::InterInic);

    Criterios soInicial;
    soInicial.campos[CampoFiltro::InterInic] = "5";
    soInicial.campos[CampoFiltro::ProdInic] = "101001";
    r = recusa(soInicial);
    EXPECT_EQ(r.chave, "Inter");
    EXPECT_EQ(r.campo, CampoFiltro::InterFinal);
    EXPECT_TRUE(soInicial.chamadas.isEmpty()) << "refused before any product is validated";
}

TEST(FiltroArgumentos, SupplierIsSentAsTheValidationLeftIt) {
    Criterios c;
    c.campos[CampoFiltro::Fornecedor] = "11222333000181";
    c.fornecedorReescrito = "11.222.333/0001-81";
    const QStringList args = argumentosGetAmostraProc(c, 6);
    EXPECT_EQ(args[3], " ");
    EXPECT_EQ(args[4], "11.222.333/0001-81");

    Criterios desconhecido;
    desconhecido.campos[CampoFiltro::Fornecedor] = "99";
    desconhecido.campos[CampoFiltro::ProdInic] = "101001";
    desconhecido.fornecedorCadastrado = false;
    EXPECT_THROW(argumentosGetAmostraProc(desconhecido, 6), std::runtime_error);
    EXPECT_EQ(desconhecido.chamadas, QStringList{"fornecedor"}) << "nothing runs after it";
}

TEST(FiltroArgumentos, LastProductIsExtendedWithZToTheFullCodeLength) {
    Criterios curto;
    curto.campos[CampoFiltro::ProdInic] = "101";
    curto.campos[CampoFiltro::ProdFim] = "12";
    QStringList args = argumentosGetAmostraProc(curto, 6);
    EXPECT_EQ(args.mid(5), (QStringList{" ", "101", "12zzzz"}));

    Criterios completo;
    completo.campos[CampoFiltro::ProdInic] = "101001";
    completo.campos[CampoFiltro::ProdFim] = "101001";
    args = argumentosGetAmostraProc(completo, 6);
    EXPECT_EQ(args[7], "101001");
}

TEST(FiltroArgumentos, ProductsAreValidatedBeforeTheirPresenceIsChecked) {
    Criterios naoCadastrado;
    naoCadastrado.campos[CampoFiltro::ProdInic] = "999";
    EXPECT_THROW(argumentosGetAmostraProc(naoCadastrado, 6), std::runtime_error);

    Criterios cadastrado;
    cadastrado.campos[CampoFiltro::ProdInic] = "101";
    RecusaFiltro r = recusa(cadastrado);
    EXPECT_EQ(r.chave, "Prod");
    EXPECT_EQ(r.campo, CampoFiltro::ProdFim);
    EXPECT_EQ(cadastrado.chamadas, QStringList{"prodInic"});

    Criterios soFinal;
    soFinal.campos[CampoFiltro::ProdFim] = "12";
    r = recusa(soFinal);
    EXPECT_EQ(r.chave, "Prod");
    EXPECT_EQ(r.campo, CampoFiltro::ProdInic);
}

TEST(FiltroArgumentos, ProductOrderComparesTheTypedTextsNotTheExtendedOne) {
    // "101zzz" would sort after "1011", but the typed "101" sorts before it.
    Criterios c;
    c.campos[CampoFiltro::ProdInic] = "1011";
    c.campos[CampoFiltro::ProdFim] = "101";
    const RecusaFiltro r = recusa(c);
    EXPECT_EQ(r.chave, "Prod_Maior");
    EXPECT_EQ(r.campo, CampoFiltro::ProdInic);
    EXPECT_EQ(c.chamadas, (QStringList{"prodInic", "prodFim"}));
}

} // namespace
