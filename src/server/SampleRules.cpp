#include <server/SampleRules.h>

#include <server/ConfirmationSql.h>
#include <server/RpcError.h>

#include <QSqlQuery>

namespace server {
namespace {

void checkTexts(const Record& record) {
    for (auto it = record.begin(); it != record.end(); ++it) {
        const int size = kTextSizes.value(it.key());
        if (size > 0 && it.value().toString().size() > size)
            throw refused(
                QStringLiteral("O campo %1 excede %2 caracteres.").arg(it.key()).arg(size));
    }
}

// A quantity that must be given and above zero.
double positiveQuantity(const QVariant& raw) {
    bool ok = false;
    const double value = raw.toDouble(&ok);
    if (!ok || isBlank(raw))
        throw refused(QStringLiteral("Quantidade deve ser informada."));
    if (!(value > 0))
        throw refused(QStringLiteral("Quantidade deve ser maior que zero."));
    return value;
}

} // namespace

// One query for the in-natura product and every item product, with their settings in the
// branch, the stock of the day and whether the branch exists: a confirmation costs a few
// statements, not two per item. The in-natura product comes first in `codes`.
QHash<QString, SampleRules::Product> SampleRules::products(const QString& branch,
                                                           const QStringList& codes) {
    QSqlQuery& query = confirmation_sql::readProducts(session_, branch, codes);
    QHash<QString, Product> found;
    while (query.next()) {
        const QVariant flags = query.value(2);
        const QString pair = flags.toString();
        found.insert(query.value(0).toString(),
                     {query.value(1).toString(), !flags.isNull(),
                      pair.size() == 2 && pair.at(0) == QLatin1Char('S'),
                      pair.size() == 2 && pair.at(1) == QLatin1Char('S'),
                      query.value(3).toLongLong() > 0, query.value(4).toDouble()});
    }
    query.finish();
    return found;
}

void SampleRules::check(const Sample& s, QList<ErrorRow>& errors) {
    const Record& v = s.values;
    checkTexts(v);
    if (textOf(v, QStringLiteral("DSAMOSTRA")).isEmpty())
        throw refused(QStringLiteral("Descrição deve ser informada."));
    const QString productCode = textOf(v, QStringLiteral("CDPRODUTO"));
    if (productCode.isEmpty())
        throw refused(QStringLiteral("Produto deve ser informado."));
    const double quantity = positiveQuantity(v.value(QStringLiteral("QTPRODPROC")));
    if (s.items.isEmpty())
        throw refused(QStringLiteral("Produto deve ser informado."));
    if (s.items.size() > kMaxItemsPerSample)
        throw refused(tooManyItemsMessage());
    QStringList codes{productCode};
    QSet<QString> listed{productCode};
    for (const Item& item : s.items) {
        checkTexts(item.values);
        const QString code = textOf(item.values, QStringLiteral("CDPRODUTO"));
        if (code.isEmpty())
            throw refused(QStringLiteral("Produto deve ser informado."));
        if (!listed.contains(code)) {
            listed.insert(code);
            codes << code;
        }
    }
    const QHash<QString, Product> known = products(textOf(v, QStringLiteral("CDFILIAL")), codes);
    if (!known.contains(productCode))
        throw refused(QStringLiteral("Produto não cadastrado."));
    // Branch, invoice and quantity stay valid while none of their columns changes.
    if (s.quantityTouched) {
        const bool hasInvoice = !isBlank(v.value(QStringLiteral("NRLANCTONF"))) ||
                                !isBlank(v.value(QStringLiteral("NRNOTAFISC"))) ||
                                !isBlank(v.value(QStringLiteral("CDFORNECED"))) ||
                                !isBlank(v.value(QStringLiteral("CDSERIEENTR")));
        if (hasInvoice)
            checkInvoice(s, quantity);
        else
            checkStock(known.value(productCode), quantity);
    }
    checkItems(s, known, quantity, errors);
}

void SampleRules::checkInvoice(const Sample& s, double quantity) {
    const Record& v = s.values;
    if (textOf(v, QStringLiteral("CDFORNECED")).isEmpty())
        throw refused(QStringLiteral("Fornecedor deve ser informado."));
    if (textOf(v, QStringLiteral("CDSERIEENTR")).isEmpty())
        throw refused(QStringLiteral("Série NF deve ser informada."));
    if (textOf(v, QStringLiteral("NRNOTAFISC")).isEmpty())
        throw refused(QStringLiteral("Nota fiscal deve ser informada."));
    const QVariantHash line{{QStringLiteral("CDFILIAL"), textOf(v, QStringLiteral("CDFILIAL"))},
                            {QStringLiteral("NRLANCTONF"), textOf(v, QStringLiteral("NRLANCTONF"))},
                            {QStringLiteral("CDPRODUTO"), textOf(v, QStringLiteral("CDPRODUTO"))}};
    // Locks the invoice line first, so two confirmations taking from it run one after the
    // other and the second sees what the first stored.
    QSqlQuery& lock = session_.run(
        QStringLiteral("UPDATE ITEMNOTAFISCENTR SET QTITEMNF = QTITEMNF WHERE CDFILIAL = :CDFILIAL"
                       " AND NRLANCTONF = :NRLANCTONF AND CDPRODUTO = :CDPRODUTO"),
        line);
    lock.finish();
    QVariantHash values = line;
    values.insert(QStringLiteral("CDFORNECED"), textOf(v, QStringLiteral("CDFORNECED")));
    values.insert(QStringLiteral("CDSERIEENTR"), textOf(v, QStringLiteral("CDSERIEENTR")));
    values.insert(QStringLiteral("NRNOTAFISC"), textOf(v, QStringLiteral("NRNOTAFISC")));
    // Never a null: "<> NULL" would match no sample and count nothing as taken.
    values.insert(QStringLiteral("NRAMOSTRA"), s.number.isEmpty() ? QStringLiteral("") : s.number);
    QSqlQuery& query = session_.run(
        QStringLiteral(
            "SELECT (SELECT I.QTITEMNF FROM ITEMNOTAFISCENTR I WHERE I.CDFILIAL = N.CDFILIAL"
            "  AND I.NRLANCTONF = N.NRLANCTONF AND I.CDPRODUTO = :CDPRODUTO),"
            " (SELECT COALESCE(SUM(A.QTPRODPROC), 0) FROM AMOSTRAPROC A WHERE A.CDFILIAL = "
            "N.CDFILIAL"
            "  AND A.NRLANCTONF = N.NRLANCTONF AND A.CDPRODUTO = :CDPRODUTO AND A.NRAMOSTRA <> "
            ":NRAMOSTRA)"
            " FROM NOTAFISCENTR N WHERE N.CDFILIAL = :CDFILIAL AND N.NRLANCTONF = :NRLANCTONF"
            " AND N.CDFORNECED = :CDFORNECED AND N.CDSERIEENTR = :CDSERIEENTR"
            " AND N.NRNOTAFISC = :NRNOTAFISC"),
        values);
    const bool invoice = query.next();
    const bool onIt = invoice && !query.value(0).isNull();
    const double onInvoice = onIt ? query.value(0).toDouble() : 0.0;
    const double taken = onIt ? query.value(1).toDouble() : 0.0;
    query.finish();
    if (!invoice)
        throw refused(QStringLiteral("Nota fiscal não cadastrada."));
    if (!onIt)
        throw refused(QStringLiteral("Produto não consta na nota fiscal."));
    if (round3(taken + quantity) > round3(onInvoice))
        throw refused(QStringLiteral("Quantidade não pode ser maior que o saldo da nota :  %1 .")
                          .arg(formatQuantity(std::max(0.0, onInvoice - taken))));
}

// The stock and the branch come with the products' query.
void SampleRules::checkStock(const Product& product, double quantity) {
    if (!product.branchExists)
        throw refused(QStringLiteral("Filial da amostra não cadastrada."));
    if (quantity > product.stock)
        throw refused(
            QStringLiteral("Quantidade não pode ser maior que a quantidade em estoque  :  %1 .")
                .arg(formatQuantity(product.stock)));
}

void SampleRules::checkItems(const Sample& s, const QHash<QString, Product>& known, double quantity,
                             QList<ErrorRow>& errors) {
    const QString sampleProduct = textOf(s.values, QStringLiteral("CDPRODUTO"));
    const QString unit = known.value(sampleProduct).unit;
    double total = 0;
    QSet<QString> seen;
    for (const Item& item : s.items) {
        const QString code = textOf(item.values, QStringLiteral("CDPRODUTO"));
        const auto found = known.constFind(code);
        if (found == known.constEnd())
            throw refused(QStringLiteral("Produto não cadastrado."));
        if (code == sampleProduct)
            throw refused(
                QStringLiteral("Item informado deve ser diferente do produto in natura."));
        if (found->unit != unit)
            throw refused(
                QStringLiteral("Unidade do item deve ser igual a unidade do produto in natura."));
        total += positiveQuantity(item.values.value(QStringLiteral("QTPRODGERADO")));
        const QString principal = textOf(item.values, QStringLiteral("IDPRODPRINC"));
        if (!principal.isEmpty() && principal != QLatin1String("S") &&
            principal != QLatin1String("N"))
            throw refused(QStringLiteral("Indicador de produto principal inválido."));
        if (seen.contains(code))
            errors.append(
                {code, QStringLiteral("EST25000_3"), QStringLiteral("Produto já cadastrado.")});
        seen.insert(code);
        if (!item.touched && !s.isNew)
            continue;
        if (!found->registered || !found->active)
            errors.append({code, QStringLiteral("EST25000_1"),
                           QStringLiteral("O produto encontra-se inativo para a filial.")});
        else if (!found->controlsStock)
            errors.append({code, QStringLiteral("EST25000_2"),
                           QStringLiteral("Produto não controla estoque.")});
    }
    if (round3(total) != round3(quantity))
        throw refused(QStringLiteral("Somatório das quantidades dos itens gerados difere da "
                                     "quantidade do produto in natura. (Diferença: %1)")
                          .arg(formatQuantity(round3(quantity) - round3(total))));
}

} // namespace server
