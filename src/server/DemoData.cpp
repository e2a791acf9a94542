#include <server/DemoData.h>

#include <server/BatchInsert.h>
#include <server/TaxId.h>

#include <QDate>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace server {
namespace {

struct Subgroup {
    const char* name;
    const char* unit;
    std::vector<const char*> variants;
};

struct Family {
    const char* name;
    std::vector<Subgroup> subgroups;
};

// The product tree: level 1 families, level 2 subgroups, level 3 products.
const std::vector<Family>& families() {
    static const std::vector<Family> tree{
        {"Grãos e cereais",
         {{"Soja",
           "KG",
           {"Soja em grão", "Soja tipo exportação", "Farelo de soja", "Casca de soja",
            "Soja quebrada"}},
          {"Milho",
           "KG",
           {"Milho em grão", "Milho debulhado", "Fubá de milho", "Canjica de milho",
            "Gérmen de milho"}},
          {"Café",
           "KG",
           {"Café em coco", "Café beneficiado", "Café cereja descascado", "Palha de café",
            "Café moído"}},
          {"Feijão", "KG", {"Feijão carioca", "Feijão preto", "Feijão quebrado", "Feijão rajado"}},
          {"Arroz",
           "KG",
           {"Arroz em casca", "Arroz beneficiado", "Quirera de arroz", "Farelo de arroz"}}}},
        {"Frutas",
         {{"Laranja",
           "CX",
           {"Laranja pera", "Laranja lima", "Suco de laranja", "Bagaço de laranja"}},
          {"Maçã", "CX", {"Maçã fuji", "Maçã gala", "Maçã industrial", "Polpa de maçã"}},
          {"Uva", "KG", {"Uva niágara", "Uva itália", "Mosto de uva", "Bagaço de uva"}},
          {"Manga", "CX", {"Manga tommy", "Manga palmer", "Polpa de manga", "Manga descarte"}}}},
        {"Leite e derivados",
         {{"Leite",
           "L",
           {"Leite cru refrigerado", "Leite pasteurizado", "Creme de leite", "Soro de leite",
            "Leite desnatado"}},
          {"Queijo",
           "KG",
           {"Massa de queijo", "Queijo minas frescal", "Queijo muçarela", "Ricota"}}}},
        {"Carnes",
         {{"Bovinos",
           "KG",
           {"Carcaça bovina", "Dianteiro bovino", "Traseiro bovino", "Miúdos bovinos",
            "Sebo bovino"}},
          {"Suínos", "KG", {"Carcaça suína", "Pernil suíno", "Lombo suíno", "Toucinho"}},
          {"Aves",
           "KG",
           {"Frango inteiro", "Peito de frango", "Coxa e sobrecoxa", "Miúdos de frango"}}}},
        {"Hortaliças",
         {{"Tomate",
           "CX",
           {"Tomate in natura", "Tomate para molho", "Polpa de tomate", "Tomate descarte"}},
          {"Batata",
           "KG",
           {"Batata lavada", "Batata escovada", "Batata palito", "Casca de batata"}},
          {"Alface",
           "UN",
           {"Alface crespa", "Alface americana", "Alface higienizada", "Alface descarte"}}}},
        {"Oleaginosas",
         {{"Amendoim",
           "KG",
           {"Amendoim em casca", "Amendoim descascado", "Óleo de amendoim", "Torta de amendoim"}},
          {"Girassol",
           "KG",
           {"Semente de girassol", "Óleo de girassol", "Farelo de girassol",
            "Casca de girassol"}}}},
        {"Cana-de-açúcar",
         {{"Cana", "KG", {"Cana-de-açúcar", "Bagaço de cana", "Açúcar cristal", "Melaço"}},
          {"Caldo", "L", {"Caldo de cana", "Etanol hidratado", "Vinhaça", "Xarope de cana"}}}},
        {"Ovos",
         {{"Ovos de galinha",
           "UN",
           {"Ovo branco", "Ovo vermelho", "Ovo trincado", "Ovo líquido"}}}},
        {"Ervas e especiarias",
         {{"Ervas", "KG", {"Erva-mate folha", "Erva-mate cancheada", "Chá verde", "Camomila seca"}},
          {"Especiarias", "KG", {"Pimenta-do-reino", "Urucum", "Colorau", "Cúrcuma"}}}},
    };
    return tree;
}

struct Leaf {
    QString code;
    QString tree;
    QString name;
    QString unit;
    int subgroup = 0;
};

struct Branch {
    const char* code;
    const char* name;
    const char* city;
    const char* state;
    const char* paramBlock;
};

const Branch kBranches[] = {
    {"0001", "Matriz Ribeirão Preto", "Ribeirão Preto", "SP", "S"},
    {"0002", "Filial Uberlândia", "Uberlândia", "MG", "N"},
    {"0003", "Filial Londrina", "Londrina", "PR", "S"},
};
constexpr int kBranchCount = 3;

// Deterministic per branch and product, so tests can find each case.
bool activeIn(int branch, int product) {
    return (product * 7 + branch) % 23 != 0;
}
bool controlsStock(int branch, int product) {
    return (product * 11 + branch) % 29 != 0;
}
bool blockedIn(int branch, int product) {
    return (product * 13 + branch) % 31 == 0;
}
bool usable(int branch, int product) {
    return activeIn(branch, product) && controlsStock(branch, product);
}

const char* const kCompanyPrefixes[] = {"Cooperativa Agroindustrial",
                                        "Agropecuária",
                                        "Comercial Agrícola",
                                        "Laticínios",
                                        "Frigorífico",
                                        "Cerealista",
                                        "Hortifrutigranjeiros",
                                        "Usina",
                                        "Armazéns Gerais",
                                        "Agroindústria"};
const char* const kPlaces[] = {"Vale do Paraná", "Santa Helena", "Bom Jesus",      "São Jerônimo",
                               "Três Marias",    "Boa Vista",    "Campos Gerais",  "Rio Pardo",
                               "Serra Azul",     "Alto Alegre",  "Nova Esperança", "Água Limpa",
                               "Ouro Verde",     "Santa Luzia",  "Monte Alegre",   "Itapuã"};
const char* const kCompanySuffixes[] = {"Ltda", "S.A.", "Ltda", "ME", "Ltda", "EPP"};
const char* const kFirstNames[] = {"João",      "Maria",    "José",   "Ana",     "Antônio",
                                   "Francisca", "Carlos",   "Luiza",  "Paulo",   "Márcia",
                                   "Pedro",     "Adriana",  "Lucas",  "Juliana", "Sebastião",
                                   "Aparecida", "Raimundo", "Helena", "Geraldo", "Rosângela"};
const char* const kSurnames[] = {"da Silva",   "dos Santos", "Oliveira", "Souza",   "Rodrigues",
                                 "Ferreira",   "Alves",      "Pereira",  "Lima",    "Gomes",
                                 "Ribeiro",    "Carvalho",   "Almeida",  "Martins", "Rocha",
                                 "Nascimento", "Barbosa",    "Moreira",  "Cardoso", "Teixeira"};
const char* const kPurposes[] = {"Beneficiamento",       "Classificação", "Teste de rendimento",
                                 "Processamento piloto", "Seleção",       "Limpeza e secagem"};

QString pad(qint64 number, int width) {
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

double round3(double value) {
    return std::round(value * 1000.0) / 1000.0;
}

class Generator {
public:
    Generator(Session& session, int scale)
        : session_(session), counts_(demoCounts(scale)), random_(25000),
          today_(QDate::currentDate()) {}

    void run() {
        settings();
        products();
        suppliers();
        invoices();
        positions();
        samples();
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    double between(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    QString date(int daysBefore) const { return today_.addDays(-daysBefore).toString(Qt::ISODate); }

    void settings() {
        BatchInsert branches(
            session_, "FILIAL",
            {"CDFILIAL", "NMFILIAL", "NRINSJURFILI", "NMCIDADE", "SGESTADO", "DTPROCESSAMENTO"});
        BatchInsert params(session_, "PARAMFILIAL", {"CDFILIAL", "IDBLPRCOMEST", "NRTAMNUMNFUT"});
        for (int b = 0; b < kBranchCount; ++b) {
            const QString base = QStringLiteral("4567891200") + pad(b + 1, 2);
            branches.add({kBranches[b].code, QString::fromUtf8(kBranches[b].name),
                          base + cnpjCheckDigits(base), QString::fromUtf8(kBranches[b].city),
                          kBranches[b].state, date(0)});
            params.add({kBranches[b].code, kBranches[b].paramBlock, 9.0});
        }
        branches.flush();
        params.flush();
        BatchInsert series(session_, "SERIEENTR", {"CDSERIEENTR", "DSSERIEENTR"});
        series.add({"1", QStringLiteral("Série 1")});
        series.add({"2", QStringLiteral("Série 2")});
        series.add({"U", QStringLiteral("Série única")});
        series.add({"PR", QStringLiteral("Nota de produtor")});
        series.flush();
    }

    void products() {
        BatchInsert product(session_, "PRODUTO",
                            {"CDPRODUTO", "CDARVPROD", "NMPRODUTO", "SGUNIDADE", "CDNVPRODUTO"});
        BatchInsert perBranch(session_, "PRODFILIAL",
                              {"CDFILIAL", "CDPRODUTO", "IDATIVO", "IDCONTROLAESTOQUE",
                               "IDBLOQUEADO", "CDALMOXARIFADO", "CDLOCALESTOQUE"});
        perBranch.dependsOn(product);
        int subgroupCount = 0;
        for (const Family& f : families())
            subgroupCount += static_cast<int>(f.subgroups.size());
        const int perSubgroup =
            std::clamp((counts_.products + subgroupCount - 1) / subgroupCount, 4, 999);
        int serial = 10000;
        for (size_t f = 0; f < families().size(); ++f) {
            const Family& family = families()[f];
            const QString familyCode = QString::number(f + 1);
            product.add({QString::number(++serial), familyCode, QString::fromUtf8(family.name),
                         QVariant(), 1});
            for (size_t s = 0; s < family.subgroups.size(); ++s) {
                const Subgroup& sub = family.subgroups[s];
                const QString subCode = familyCode + pad(static_cast<int>(s) + 1, 2);
                product.add(
                    {QString::number(++serial), subCode, QString::fromUtf8(sub.name), sub.unit, 2});
                const int subgroupIndex = static_cast<int>(subgroups_.size());
                subgroups_.push_back({});
                for (int p = 0; p < perSubgroup; ++p) {
                    const QString variant = QString::fromUtf8(
                        sub.variants[static_cast<size_t>(p) % sub.variants.size()]);
                    const int round = p / static_cast<int>(sub.variants.size());
                    Leaf leaf{QString::number(++serial), subCode + pad(p + 1, 3),
                              round == 0
                                  ? variant
                                  : QStringLiteral("%1 classe %2").arg(variant).arg(round + 1),
                              sub.unit, subgroupIndex};
                    product.add({leaf.code, leaf.tree, leaf.name, leaf.unit, 3});
                    const int index = static_cast<int>(leaves_.size());
                    for (int b = 0; b < kBranchCount; ++b)
                        perBranch.add({kBranches[b].code, leaf.code, activeIn(b, index) ? "S" : "N",
                                       controlsStock(b, index) ? "S" : "N",
                                       blockedIn(b, index) ? "S" : "N",
                                       QStringLiteral("A%1").arg(pad(b + 1, 2)),
                                       QStringLiteral("L%1-%2").arg(pad(b + 1, 2), pad(f + 1, 2))});
                    subgroups_.back().push_back(index);
                    leaves_.push_back(leaf);
                }
            }
        }
        product.flush();
        perBranch.flush();
    }

    // At most 40 characters: the suffix goes first, then the place is shortened. Beyond the
    // first 200 a serial keeps the names distinguishable.
    QString companyName(int i) {
        const QString prefix = QString::fromUtf8(kCompanyPrefixes[pick(10)]);
        const QString place = QString::fromUtf8(kPlaces[pick(16)]);
        const QString suffix = QString::fromUtf8(kCompanySuffixes[pick(6)]);
        const QString serial = i >= 200 ? QStringLiteral(" ") + pad(i, 5) : QString();
        QString name = QStringLiteral("%1 %2 %3").arg(prefix, place, suffix) + serial;
        if (name.size() > 40)
            name = QStringLiteral("%1 %2").arg(prefix, place) + serial;
        if (name.size() > 40)
            name =
                (prefix + QStringLiteral(" ") + place).left(40 - serial.size()).trimmed() + serial;
        return name;
    }

    void suppliers() {
        BatchInsert supplier(
            session_, "FORNECEDOR",
            {"CDFORNECED", "IDTPIJURFORN", "NRINSJURFORN", "NMRAZSOCFORN", "IDSITUCADA"});
        static const QString alnum = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789");
        for (int i = 0; i < counts_.suppliers; ++i) {
            QString taxId;
            QString type;
            QString name;
            if (i % 10 < 3) { // rural producers: CPF
                const QString base = pad(100000000 + static_cast<qint64>(i) * 7919 % 800000000, 9);
                taxId = base + cpfCheckDigits(base);
                type = QStringLiteral("F");
                const int first = pick(20);
                const int second = (first + 1 + pick(19)) % 20; // two different surnames
                name = QStringLiteral("%1 %2 %3")
                           .arg(QString::fromUtf8(kFirstNames[pick(20)]),
                                QString::fromUtf8(kSurnames[first]),
                                QString::fromUtf8(kSurnames[second]));
                if (i >= 200)
                    name = name.left(33) + QStringLiteral(" ") + pad(i, 5);
            } else if (i % 10 == 9) { // the alphanumeric CNPJ in use since July 2026
                QString root;
                for (int k = 0; k < 8; ++k)
                    root += alnum.at(pick(static_cast<int>(alnum.size())));
                const QString base = root + pad(i % 9999 + 1, 4);
                taxId = base + cnpjCheckDigits(base);
                type = QStringLiteral("J");
                name = companyName(i);
            } else {
                const QString base = pad(10000000 + static_cast<qint64>(i) * 104729 % 89999999, 8) +
                                     QStringLiteral("0001");
                taxId = base + cnpjCheckDigits(base);
                type = QStringLiteral("J");
                name = companyName(i);
            }
            supplier.add({pad(i + 1, 6), type, taxId, name.left(40), QStringLiteral("ATIVO")});
            suppliers_.push_back(pad(i + 1, 6));
        }
        supplier.flush();
    }

    struct Line {
        int branch;
        QString launch;
        int leaf;
        double quantity;
        double taken = 0;
        int invoice;
    };
    struct Invoice {
        QString supplier;
        QString series;
        QString number;
    };

    void invoices() {
        BatchInsert header(session_, "NOTAFISCENTR",
                           {"CDFILIAL", "NRLANCTONF", "CDFORNECED", "CDSERIEENTR", "NRNOTAFISC",
                            "DTENTRADA", "VRNOTAFISC", "CDFILIRECE"});
        BatchInsert item(session_, "ITEMNOTAFISCENTR",
                         {"CDFILIAL", "NRLANCTONF", "CDPRODUTO", "QTITEMNF", "VRUNITARIO"});
        item.dependsOn(header);
        static const char* const series[] = {"1", "2", "U", "PR"};
        int launch[kBranchCount] = {0, 0, 0};
        for (int n = 0; n < counts_.invoices; ++n) {
            const int b = pick(kBranchCount);
            const QString launchNumber = pad(++launch[b], 10);
            Invoice invoice{
                suppliers_[static_cast<size_t>(pick(static_cast<int>(suppliers_.size())))],
                series[pick(4)], pad(100000 + n * 3 + pick(3), 9)};
            const int lines = 1 + pick(3);
            double total = 0;
            std::vector<int> used;
            QList<QVariantList> rows;
            for (int attempt = 0; attempt < 50 && static_cast<int>(rows.size()) < lines;
                 ++attempt) {
                const int leaf = pick(static_cast<int>(leaves_.size()));
                if (std::find(used.begin(), used.end(), leaf) != used.end() || !usable(b, leaf))
                    continue;
                used.push_back(leaf);
                const double quantity = round3(between(500, 20000));
                const double price = std::round(between(0.4, 35) * 100) / 100;
                total += quantity * price;
                rows.append({kBranches[b].code, launchNumber,
                             leaves_[static_cast<size_t>(leaf)].code, quantity, price});
                lines_.push_back({b, launchNumber, leaf, quantity, 0, n});
            }
            const int receiving = pick(10) == 0 ? pick(kBranchCount) : b;
            header.add({kBranches[b].code, launchNumber, invoice.supplier, invoice.series,
                        invoice.number, date(1 + pick(60)), std::round(total * 100) / 100,
                        kBranches[receiving].code});
            for (const QVariantList& row : rows)
                item.add(row);
            invoices_.push_back(invoice);
        }
        header.flush();
        item.flush();
    }

    void positions() {
        BatchInsert position(session_, "POSICAOESTOQUE",
                             {"CDFILIAL", "CDPRODUTO", "DTPOSICAO", "QTESTOQDIA"});
        stock_.assign(static_cast<size_t>(kBranchCount) * leaves_.size(), 0);
        for (int b = 0; b < kBranchCount; ++b)
            for (size_t p = 0; p < leaves_.size(); ++p) {
                if (!usable(b, static_cast<int>(p)))
                    continue;
                const double yesterday = round3(between(100, 50000));
                const double today = round3(yesterday * between(0.7, 1.3));
                position.add({kBranches[b].code, leaves_[p].code, date(1), yesterday});
                position.add({kBranches[b].code, leaves_[p].code, date(0), today});
                stock_[static_cast<size_t>(b) * leaves_.size() + p] = today;
            }
        position.flush();
    }

    // Three in ten samples are processed (their stock moved): the last ones, so that the
    // first samples of the list are those a clerk may still change.
    bool processada(int n) const { return n >= counts_.samples * 7 / 10; }

    void samples() {
        BatchInsert sample(session_, "AMOSTRAPROC",
                           {"NRAMOSTRA", "DSAMOSTRA", "CDPRODUTO", "QTPRODPROC", "CDFILIAL",
                            "NRLANCTONF", "CDSERIEENTR", "NRNOTAFISC", "CDFORNECED",
                            "IDPROCESSADO"});
        BatchInsert item(session_, "ITEMAMOSTRAPROC",
                         {"NRAMOSTRA", "CDPRODUTO", "QTPRODGERADO", "IDPRODPRINC"});
        item.dependsOn(sample);
        int stored = 0;
        for (int n = 0; n < counts_.samples; ++n) {
            const QString number = pad(stored + 1, 10);
            int branch;
            int leaf;
            double quantity;
            QVariant launch, series, invoiceNumber, supplier;
            if (n % 2 == 0 && !lines_.empty()) { // from an invoice line with room left
                Line& line = lines_[static_cast<size_t>(pick(static_cast<int>(lines_.size())))];
                quantity = round3(line.quantity * between(0.02, 0.08));
                if (line.taken + quantity > line.quantity)
                    continue;
                line.taken += quantity;
                branch = line.branch;
                leaf = line.leaf;
                const Invoice& invoice = invoices_[static_cast<size_t>(line.invoice)];
                launch = line.launch;
                series = invoice.series;
                invoiceNumber = invoice.number;
                supplier = invoice.supplier;
            } else { // from the branch's stock of the day
                branch = pick(kBranchCount);
                leaf = pick(static_cast<int>(leaves_.size()));
                const double stock = stock_[static_cast<size_t>(branch) * leaves_.size() +
                                            static_cast<size_t>(leaf)];
                if (stock <= 1)
                    continue;
                quantity = round3(std::min(stock, between(1, 800)));
            }
            std::vector<int> outputs;
            for (int candidate :
                 subgroups_[static_cast<size_t>(leaves_[static_cast<size_t>(leaf)].subgroup)])
                if (candidate != leaf && usable(branch, candidate))
                    outputs.push_back(candidate);
            if (outputs.empty())
                continue;
            std::shuffle(outputs.begin(), outputs.end(), random_);
            outputs.resize(std::min<size_t>(outputs.size(), static_cast<size_t>(1 + pick(4))));
            ++stored;
            const Leaf& product = leaves_[static_cast<size_t>(leaf)];
            sample.add({number,
                        QStringLiteral("%1 de %2")
                            .arg(QString::fromUtf8(kPurposes[pick(6)]), product.name.toLower())
                            .left(50),
                        product.code, quantity, kBranches[branch].code, launch, series,
                        invoiceNumber, supplier, processada(n) ? "S" : "N"});
            double left = quantity;
            for (size_t k = 0; k < outputs.size(); ++k) {
                const bool last = k + 1 == outputs.size();
                const double part = last ? round3(left) : round3(left * between(0.3, 0.7));
                left = round3(left - part);
                item.add({number, leaves_[static_cast<size_t>(outputs[k])].code, part,
                          k == 0 ? QVariant(QStringLiteral("S")) : QVariant(QStringLiteral("N"))});
            }
        }
        sample.flush();
        item.flush();
        session_.run(
            QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = :N WHERE CDNUMERADOR = 'AMOSTRAPROC'"),
            {{QStringLiteral("N"), stored}});
    }

    Session& session_;
    DemoCounts counts_;
    std::mt19937 random_;
    QDate today_;
    std::vector<Leaf> leaves_;
    std::vector<std::vector<int>> subgroups_;
    std::vector<QString> suppliers_;
    std::vector<Invoice> invoices_;
    std::vector<Line> lines_;
    std::vector<double> stock_;
};

} // namespace

DemoCounts demoCounts(int scale) {
    scale = std::max(1, scale);
    return {100 * scale, 10 * scale, 60 * scale, 500 * scale};
}

void fillDemoData(Session& session, int scale) {
    Transaction transaction(session);
    Generator(session, scale).run();
    transaction.commit();
    // Fresh statistics, so the first plans already use the indexes.
    session.execDirect(QStringLiteral("ANALYZE"));
}

} // namespace server
