#include "Pedidos.h"

#include "Banco.h"

#include <cstdio>
#include <initializer_list>

namespace clerks::pedidos {

namespace {

std::string texto(const std::string& s) {
    std::string j = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            j += '\\';
        j += c;
    }
    return j + '"';
}

std::string lista(std::initializer_list<std::string> valores) {
    std::string j = "[";
    for (const std::string& v : valores)
        j += (j.size() > 1 ? "," : "") + v;
    return j + "]";
}

std::string textos(std::initializer_list<std::string> valores) {
    std::string j = "[";
    for (const std::string& v : valores)
        j += (j.size() > 1 ? "," : "") + texto(v);
    return j + "]";
}

const char* const kCamposItens =
    R"([{"name":"NRAMOSTRA","size":10,"type":"string"},{"name":"CDARVPROD","size":20,"type":"string"},)"
    R"({"name":"CDPRODUTO","size":10,"type":"string"},{"name":"NMPRODUTO","size":50,"type":"string"},)"
    R"({"name":"SGUNIDADE","size":10,"type":"string"},{"name":"QTPRODGERADO","type":"float"},)"
    R"({"name":"IDPRODPRINC","size":1,"type":"string"}])";

const char* const kCamposAmostra =
    R"([{"name":"NRAMOSTRA","size":10,"type":"string"},{"name":"DSAMOSTRA","size":50,"type":"string"},)"
    R"({"name":"CDARVPROD","size":20,"type":"string"},{"name":"CDPRODUTO","size":10,"type":"string"},)"
    R"({"name":"QTPRODPROC","type":"float"},{"name":"SGUNIDADE","size":10,"type":"string"},)"
    R"({"name":"NMPRODUTO","size":50,"type":"string"},{"name":"CDFILIAL","size":4,"type":"string"},)"
    R"({"name":"NRLANCTONF","size":10,"type":"string"},{"name":"CDSERIEENTR","size":5,"type":"string"},)"
    R"({"name":"NRINSJURNF","size":20,"type":"string"},{"name":"IDTPIJURNF","size":1,"type":"string"},)"
    R"({"name":"NMRAZSOCFORN","size":40,"type":"string"},{"name":"CDFORNECED","size":21,"type":"string"},)"
    R"({"name":"NRNOTAFISC","size":20,"type":"string"},{"name":"IDPROCESSADO","size":1,"type":"string"}])";

} // namespace

std::string numero(long n) {
    char b[16];
    std::snprintf(b, sizeof b, "%010ld", n);
    return b;
}

std::string filtroPorNumeros(long inicio, long fim) {
    return textos({" ", numero(inicio), numero(fim), "T", " ", "T", " ", " "});
}

std::string alteradasDesde(long inicio, long fim, const std::string& marca) {
    return textos({" ", numero(inicio), numero(fim), "T", " ", "T", " ", " ", marca});
}

std::string marcaDa(const std::string& resposta) {
    const std::size_t chave = resposta.rfind("\"marca\":");
    const std::size_t inicio = chave == std::string::npos ? chave : resposta.find('"', chave + 8);
    const std::size_t fim = inicio == std::string::npos ? inicio : resposta.find('"', inicio + 1);
    return fim == std::string::npos ? std::string() : resposta.substr(inicio + 1, fim - inicio - 1);
}

std::string itens(const std::string& nrAmostra) {
    return textos({nrAmostra, "3"});
}

std::string paramEstoque() {
    return textos({"0001", "E", "10"});
}

std::string notasDoFornecedor(const CasoNota& nota) {
    return textos({nota.cdFornecedor, nota.cdSerie, "", "T"});
}

std::string prodAmostra(const CasoNota& nota) {
    return textos({nota.cdFilial, nota.nrLancto, nota.inNatura.cdArvProd, ""});
}

std::string padraoDoProduto(const std::string& cdProduto) {
    return textos({"0001", cdProduto});
}

std::string validQuant(const CasoNota& nota) {
    return textos({nota.nrLancto, nota.cdFilial, "0001", nota.inNatura.cdProduto});
}

std::string confirmaAmostra(const CasoNota& nota, const std::string& descricao) {
    const char* quantidades[] = {"1", "0.5", "0.5"};
    std::string itens;
    for (std::size_t i = 0; i < nota.itens.size(); ++i) {
        const Produto& p = nota.itens[i];
        itens += (i ? "," : "") + std::string(R"({"new":)") +
                 lista({texto(""), texto(p.cdArvProd), texto(p.cdProduto), texto(p.nmProduto),
                        texto(p.sgUnidade), quantidades[i], texto(i == 0 ? "S" : "N")}) +
                 R"(,"type":"insert"})";
    }
    const Produto& p = nota.inNatura;
    const std::string amostra =
        lista({"null", texto(descricao), texto(p.cdArvProd), texto(p.cdProduto), "2",
               texto(p.sgUnidade), texto(p.nmProduto), texto("0001"), texto(nota.nrLancto),
               texto(nota.cdSerie), texto(nota.nrInscricao), texto(nota.idTipo),
               texto(nota.nmRazaoSocial), texto(nota.cdFornecedor), texto(nota.nrNota), "null"});
    return R"([{"changes":[)" + itens + R"(],"fields":)" + kCamposItens +
           R"(},{"changes":[{"new":)" + amostra + R"(,"type":"insert"}],"fields":)" +
           kCamposAmostra + "}]";
}

std::string leFornecedor(const std::string& nrInscricao) {
    return "SELECT CDFORNECED, IDTPIJURFORN, NRINSJURFORN,\n       NMRAZSOCFORN\nFROM "
           "FORNECEDOR\nWHERE ((NRINSJURFORN = " +
           ConexaoBanco::literal(nrInscricao) + ") OR (NULL = 'T'))\nORDER BY NMRAZSOCFORN";
}

std::string leSerie(const std::string& cdSerie) {
    return "SELECT CDSERIEENTR, DSSERIEENTR\nFROM SERIEENTR\nWHERE ((CDSERIEENTR = " +
           ConexaoBanco::literal(cdSerie) + ") OR (NULL = 'T'))\nORDER BY CDSERIEENTR";
}

std::string leProdutoDoItem(const std::string& cdArvProd) {
    return "SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.SGUNIDADE, PR.CDARVPROD\nFROM PRODUTO "
           "PR\nWHERE (PR.CDARVPROD  = " +
           ConexaoBanco::literal(cdArvProd) + ")\nORDER BY PR.CDARVPROD";
}

std::string leSituacaoDoItem(const std::string& cdArvProd) {
    return "SELECT PR.CDPRODUTO, PF.IDATIVO, PF.IDBLOQUEADO FROM PRODUTO PR LEFT JOIN "
           "PRODFILIAL PF ON PF.CDPRODUTO = PR.CDPRODUTO AND PF.CDFILIAL = '0001' WHERE "
           "PR.CDARVPROD = " +
           ConexaoBanco::literal(cdArvProd);
}

} // namespace clerks::pedidos
