#include <est25000/VerificacaoCampo.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/dbcontrols/DBControls.h>
#include <host/library/Consiste.h>
#include <host/library/MensErro.h>
#include <host/library/Qvn_msg.h>

namespace est25000 {

dataset::Field* campo(dataset::ClientDataSet* ds, const char* nome) {
    return ds->fieldByName(QString::fromLatin1(nome));
}

void atribui(dataset::ClientDataSet* ds, const char* nome, const QString& valor) {
    dataset::Field* f = campo(ds, nome);
    if (f->isNull() || f->asString() != valor)
        f->setAsString(valor);
}

void limpa(dataset::ClientDataSet* ds, const char* nome) {
    dataset::Field* f = campo(ds, nome);
    if (!f->isNull())
        f->clear();
}

bool emEdicao(const dataset::DataSource* fonte) {
    const dataset::DataSetState estado = fonte->state();
    return estado == dataset::DataSetState::Edit || estado == dataset::DataSetState::Insert;
}

bool emNavegacao(const dataset::DataSource* fonte) {
    return fonte->state() == dataset::DataSetState::Browse;
}

QString textoDigitado(const host::TDBEdit* edit) {
    const dataset::Field* campo = edit->Field();
    return campo ? campo->valueFromEditText(edit->Text()) : edit->Text();
}

bool temTexto(const host::TDBEdit* edit) {
    return !Consiste::EmptyString(textoDigitado(edit));
}

bool soLeitura(const host::TDBEdit* edit) {
    return edit->ReadOnly();
}

void falha(const host::TMessages* mensagens, const char* chave) {
    Consiste::MensErro(mensagens->Msg(QString::fromLatin1(chave)), true);
}

bool buscaDevida(const host::TfrmPadrao& form, host::TDBEdit* edit, bool final,
                 const char* chaveInformar, QString& texto) {
    texto = textoDigitado(edit);
    if (Consiste::EmptyString(texto)) {
        if (final)
            falha(form.msgPadrao, chaveInformar);
        return false;
    }
    return !final || form.ActiveControl() == edit;
}

void focaCampo(host::TDBEdit* edit) {
    edit->SetFocus();
}

} // namespace est25000
