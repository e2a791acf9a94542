#include <est25000/Mensagens.h>

namespace est25000 {

const QStringList& mensagensAmostraProc() {
    static const QStringList lines{
        QStringLiteral("Produto|Produto|Não há produto cadastrado."),
        QStringLiteral("Cancel|Cancelar operação?"),
        QStringLiteral("Exc_Lanc|ATENÇÃO! Ao confirmar essa exclusão, o sistema estará excluindo "
                       "todo o lançamento. Se quiser excluir apenas um ítem, selecione-o e "
                       "pressione <CTRL+DELETE>. Confirma exclusão de todo lançamento?"),
        QStringLiteral("Exc_Item|Confirma exclusão do produto?"),
        QStringLiteral("Desc_inf|Descrição deve ser informada."),
        QStringLiteral("Quant_inf|Quantidade deve ser informada."),
        QStringLiteral("Prod_cad|Produto não cadastrado."),
        QStringLiteral("Prod_inf|Produto deve ser informado."),
        QStringLiteral("Quant_menor|Quantidade deve ser maior que zero."),
        QStringLiteral("Prod_cad_amostra|Produto já cadastrado na amostra."),
        QStringLiteral("Quant_maior_amostra|Quantidade deve ser menor que a quantidade da "
                       "amostra."),
        QStringLiteral("Forn_cad|Fornecedor não cadastrado."),
        QStringLiteral("Forn_inf|Fornecedor deve ser informado."),
        QStringLiteral("Serie_inf|Série NF deve ser informada."),
        QStringLiteral("Serie_cad|Série NF não cadastrada."),
        QStringLiteral("NF_inf|Nota fiscal deve ser informada."),
        QStringLiteral("NF_cad|Nota fiscal não cadastrada."),
        QStringLiteral("TotItens_inv|Somatório das quantidades dos itens gerados difere da "
                       "quantidade do produto in natura. (Diferença: %s)"),
        QStringLiteral("Prod_SG_amostra|Unidade do item deve ser igual a unidade do produto in "
                       "natura."),
        QStringLiteral("Prod_Amostra|Item informado deve ser diferente do produto in natura."),
        QStringLiteral("Conf_Amostra|Atualizando amostra para processamento no servidor..."),
        QStringLiteral("Del_amostra|Excluindo amostra para processamento no servidor..."),
        QStringLiteral("Exc_Bloq|Exclusão bloqueada!Processamento da amostra já realizado."),
        QStringLiteral("Quant_Maior|Quantidade não pode ser maior que a quantidade informada na "
                       "nota :  %s ."),
        QStringLiteral("Quant_M_Est|Quantidade não pode ser maior que a quantidade em estoque  "
                       ":  %s ."),
    };
    return lines;
}

const QStringList& mensagensFiltroAmostraProc() {
    static const QStringList lines{
        QStringLiteral("Forn_emp|Não há fornecedor cadastrado."),
        QStringLiteral("Fornecedor|Fornecedor"),
        QStringLiteral("Forn_Cad|Fornecedor não cadastrado."),
        QStringLiteral("Prod_N_Cad|Produto não cadastrado."),
        QStringLiteral("Inter|Intervalo deve ser informado."),
        QStringLiteral("Prod|Produto deve ser informado."),
        QStringLiteral("Prod_Maior|Produto inicial deve ser menor ou igual ao produto final."),
        QStringLiteral("Get_Amost|Recebendo amostras do servidor..."),
        QStringLiteral("Inter_Maior|Intervalo inicial deve ser menor ou igual ao intervalo "
                       "final."),
    };
    return lines;
}

const QStringList& mensagensVisualErros() {
    static const QStringList lines{
        QStringLiteral("Oper_Bloq|A confirmação da operação fará com que a posição de estoque "
                       "deste produto se torne irregular."),
        QStringLiteral("Prod_inativo|O produto encontra-se inativo para a filial."),
        QStringLiteral("Doc_cad|Documento informado já cadastrado."),
        QStringLiteral("Prod_NEst|Produto não controla estoque."),
        QStringLiteral("Prod_Cad|Produto já cadastrado."),
    };
    return lines;
}

} // namespace est25000
