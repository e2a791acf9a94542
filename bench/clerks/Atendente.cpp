#include "Atendente.h"

#include "Pedidos.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace clerks {

namespace asio = boost::asio;
namespace p = pedidos;

namespace {

// Samples each filter lists: the screen's list at its usual size.
constexpr long kListadas = 500;

// Think times of one sample (seconds, at a pace of one sample a minute), each drawn between
// half and one and a half of it: reading the list, typing each field, checking the items.
constexpr double kFiltro = 3, kMover = 1, kIncluir = 2, kDescricao = 4, kFornecedor = 4,
                 kSerie = 1.5, kNota = 3, kProduto = 3, kQuantidade = 2, kCodigo = 2.5, kItem = 3,
                 kConfirmar = 3;
constexpr double kDigitacao = kFiltro + 3 * kMover + kIncluir + kDescricao + kFornecedor + kSerie +
                              kNota + kProduto + kQuantidade + 3 * (kCodigo + kItem) + kConfirmar;

// The number the server gave the stored sample: the last text of the answer
// {"result":[{...,"rows":[]},"0000000485"]}; a refusal lists rows and gives no number.
std::string numeroGravado(const std::string& resposta) {
    if (resposta.find("\"rows\":[]") == std::string::npos)
        throw std::runtime_error("recusada: " + resposta.substr(0, 300));
    const std::size_t fim = resposta.rfind('"');
    const std::size_t inicio = fim == std::string::npos ? fim : resposta.rfind('"', fim - 1);
    if (inicio == std::string::npos || fim - inicio < 2)
        throw std::runtime_error("resposta sem número: " + resposta.substr(0, 300));
    return resposta.substr(inicio + 1, fim - inicio - 1);
}

// Thrown by a pause that ends after the turn: the clerk stops where it is.
struct FimDoTurno {};

} // namespace

Atendente::Atendente(asio::io_context& io, int numero, asio::ip::tcp::endpoint servidor,
                     const Turno& turno, Medidas& medidas)
    : io_(io), numero_(numero), turno_(turno),
      medidas_(medidas), credenciais_{turno.token, "atendente" + std::to_string(numero)},
      modulo_(io, servidor, credenciais_), itens_(io, servidor, credenciais_),
      estoque_(io, servidor, credenciais_), banco_(io), sorte_(static_cast<unsigned>(numero)) {
    const Casos& c = *turno.casos;
    const long faixa = std::max(1L, c.ultimaAmostra - c.primeiraAmostra + 1 - kListadas);
    inicio_ = c.primeiraAmostra + (static_cast<long>(numero) * 131) % faixa;
}

asio::awaitable<void> Atendente::pensa(double segundos) {
    std::uniform_real_distribution<double> fator(0.5, 1.5);
    asio::steady_timer relogio(io_);
    relogio.expires_after(std::chrono::duration_cast<Relogio::duration>(
        std::chrono::duration<double>(segundos * fator(sorte_) * turno_.ritmo / 60.0)));
    co_await relogio.async_wait(asio::use_awaitable);
    if (Relogio::now() >= turno_.fim)
        throw FimDoTurno{};
}

// Times one action from its first request to its last answer; counted once the turn is warm
// (the opening, which comes while the clerks still arrive, always).
template <class Acao> asio::awaitable<bool> Atendente::mede(const char* nome, Acao acao) {
    const auto inicio = Relogio::now();
    const bool conta = inicio >= turno_.aquecido || std::string_view(nome) == "abertura";
    try {
        co_await acao();
    } catch (const std::exception& e) {
        if (conta)
            medidas_.falha(nome, e.what());
        co_return false;
    }
    if (conta)
        medidas_.anota(nome,
                       std::chrono::duration<double, std::milli>(Relogio::now() - inicio).count());
    co_return true;
}

asio::awaitable<void> Atendente::trabalha(Relogio::duration atraso) {
    asio::steady_timer relogio(io_);
    relogio.expires_after(atraso);
    co_await relogio.async_wait(asio::use_awaitable);
    // The screen opens: its database connection, and both modules asked for a Ping.
    const bool aberto = co_await mede("abertura", [&]() -> asio::awaitable<void> {
        co_await banco_.abre(turno_.urlBanco);
        co_await modulo_.chama(p::kServidor, "Ping", "[]");
        co_await estoque_.chama(p::kServidor, "Ping", "[]");
    });
    if (!aberto)
        co_return;
    try {
        for (int vez = 0;; ++vez)
            co_await amostra(vez);
    } catch (const FimDoTurno&) {
    }
    modulo_.fecha();
    itens_.fecha();
    estoque_.fecha();
}

asio::awaitable<void> Atendente::amostra(int vez) {
    const Casos& c = *turno_.casos;
    const CasoNota& nota =
        c.notas[static_cast<std::size_t>(numero_ + vez * turno_.atendentes) % c.notas.size()];
    const std::string filtro = p::filtroPorNumeros(inicio_, inicio_ + kListadas - 1);
    const auto chama = [](ConexaoHttp& conexao, const std::string& modulo, const char* metodo,
                          std::string argumentos) -> asio::awaitable<void> {
        co_await conexao.chama(modulo, metodo, argumentos);
    };
    const auto le = [this](std::string sql) -> asio::awaitable<void> {
        co_await banco_.consulta(sql);
    };

    co_await pensa(kFiltro);
    // The list read whole, with its mark; the cursor on its first sample.
    const auto leLista = [&]() -> asio::awaitable<void> {
        marca_ = p::marcaDa(co_await modulo_.chama(p::kAmostraProc, "GetAmostraProc", filtro));
        co_await chama(itens_, p::kAmostraProc, "GetItemAmostra", p::itens(p::numero(inicio_)));
    };
    co_await mede("filtro", leLista);
    for (long i = 1; i <= 3; ++i) {
        co_await pensa(kMover);
        co_await mede("mover na lista", [&]() -> asio::awaitable<void> {
            co_await chama(itens_, p::kAmostraProc, "GetItemAmostra",
                           p::itens(p::numero(inicio_ + i)));
        });
    }
    co_await pensa(kIncluir);
    co_await mede("Incluir", [&]() -> asio::awaitable<void> {
        co_await chama(itens_, p::kAmostraProc, "GetItemAmostra", p::itens(""));
    });
    co_await pensa(kDescricao + kFornecedor);
    co_await mede("saída do fornecedor", [&]() -> asio::awaitable<void> {
        co_await le(p::leFornecedor(nota.nrInscricao));
    });
    co_await pensa(kSerie);
    co_await mede("saída da série",
                  [&]() -> asio::awaitable<void> { co_await le(p::leSerie(nota.cdSerie)); });
    co_await pensa(kNota);
    co_await mede("saída da nota", [&]() -> asio::awaitable<void> {
        co_await chama(estoque_, p::kEstoque, "GetParamEstoque", p::paramEstoque());
        co_await chama(modulo_, p::kAmostraProc, "GetNotaFiscal", p::notasDoFornecedor(nota));
    });
    co_await pensa(kProduto);
    co_await mede("saída do produto", [&]() -> asio::awaitable<void> {
        co_await chama(modulo_, p::kAmostraProc, "GetProdAmostra", p::prodAmostra(nota));
        co_await chama(estoque_, p::kEstoque, "GetAlmoxarifadoPadrao",
                       p::padraoDoProduto(nota.inNatura.cdProduto));
        co_await chama(estoque_, p::kEstoque, "GetLocalEstoquePadrao",
                       p::padraoDoProduto(nota.inNatura.cdProduto));
    });
    co_await pensa(kQuantidade);
    co_await mede("saída da quantidade", [&]() -> asio::awaitable<void> {
        co_await chama(modulo_, p::kAmostraProc, "GetValidQuant", p::validQuant(nota));
    });
    // Leaving an item's code reads the product and its standing in the branch, and asks the
    // default warehouse and location of a product the sample has not asked yet (each item is
    // another product); posting the item reads the same two again.
    for (const Produto& item : nota.itens) {
        co_await pensa(kCodigo);
        co_await mede("saída do código do item", [&]() -> asio::awaitable<void> {
            co_await le(p::leProdutoDoItem(item.cdArvProd));
            co_await chama(estoque_, p::kEstoque, "GetAlmoxarifadoPadrao",
                           p::padraoDoProduto(item.cdProduto));
            co_await chama(estoque_, p::kEstoque, "GetLocalEstoquePadrao",
                           p::padraoDoProduto(item.cdProduto));
            co_await le(p::leSituacaoDoItem(item.cdArvProd));
        });
        co_await pensa(kItem);
        co_await mede("gravação do item", [&]() -> asio::awaitable<void> {
            co_await le(p::leProdutoDoItem(item.cdArvProd));
            co_await le(p::leSituacaoDoItem(item.cdArvProd));
        });
    }
    co_await pensa(kConfirmar);
    const std::string chave =
        "atendente-" + std::to_string(numero_) + "-" + std::to_string(vez) + "-" +
        std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
    const bool gravou = co_await mede("Confirmar", [&]() -> asio::awaitable<void> {
        const std::string resposta =
            co_await modulo_.chama(p::kAmostraProc, "ConfirmaAmostra",
                                   p::confirmaAmostra(nota, "Amostra da bancada"), chave);
        const std::string gravada = numeroGravado(resposta);
        // The list brought up to date with what changed since its mark; read whole again when
        // the server can no longer tell.
        const std::string marca = p::marcaDa(
            co_await modulo_.chama(p::kAmostraProc, "GetAmostraProcAlteradas",
                                   p::alteradasDesde(inicio_, inicio_ + kListadas - 1, marca_)));
        if (marca.empty())
            co_await leLista();
        else
            marca_ = marca;
        co_await chama(itens_, p::kAmostraProc, "GetItemAmostra", p::itens(gravada));
    });
    if (gravou)
        ++gravadas_;
    // The rest of the minute: the sample's paper, the next truck.
    co_await pensa(std::max(0.0, 60.0 - kDigitacao));
}

} // namespace clerks
