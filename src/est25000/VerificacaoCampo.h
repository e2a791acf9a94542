#pragma once
// What every check of the sample header shares: the state that lets it run, the text being
// typed in its edit, and its way of failing (the focus back on the edit, the failure going on).

#include <host/baseforms/Frmpadr.h>

#include <QString>

namespace dataset {
class ClientDataSet;
class DataSource;
class Field;
} // namespace dataset
namespace host {
class TDBEdit;
class TMessages;
} // namespace host

namespace est25000 {

// A field of a dataset by name (raises when there is none).
dataset::Field* campo(dataset::ClientDataSet* ds, const char* nome);

// Writes a value found by a check; a field that already holds it is left alone (every write
// recalculates the record and refreshes its controls).
void atribui(dataset::ClientDataSet* ds, const char* nome, const QString& valor);

// Sets a dependent field to null. One that already is stays untouched, so that a new sample
// whose edits were emptied by New is still a sample nobody typed in.
void limpa(dataset::ClientDataSet* ds, const char* nome);

// The master is being edited or inserted: only then do the checks look at anything.
bool emEdicao(const dataset::DataSource* fonte);
// The master is browsed: a lookup's choice then starts editing it.
bool emNavegacao(const dataset::DataSource* fonte);

// The edit's current text as its field stores it (the mask's literals left out): the value
// being typed, which may not be in the field yet.
QString textoDigitado(const host::TDBEdit* edit);
// Whether the edit holds anything but blanks.
bool temTexto(const host::TDBEdit* edit);
// A read-only edit (a processed sample's) shows what is stored: nothing there to check.
bool soLeitura(const host::TDBEdit* edit);

// Reports the message of that key as an error; never returns.
[[noreturn]] void falha(const host::TMessages* mensagens, const char* chave);

// Gives the edit the focus (nothing when it cannot take it).
void focaCampo(host::TDBEdit* edit);

// The middle of a field check: the edit's text, which when empty fails with the message
// `chaveInformar` for a final check and is otherwise let be; a final check looks a value up
// only while its edit still has the focus (its own exit has not run). True when the lookup
// is due, with the text in `texto`.
bool buscaDevida(const host::TfrmPadrao& form, host::TDBEdit* edit, bool final,
                 const char* chaveInformar, QString& texto);

// The common shape of a field check of the sample header: nothing unless the master is being
// edited or inserted and the edit can change; `busca` looks the text up when that is due; on any
// failure the edit gets the focus and the failure goes on.
template <class Busca>
void verificaCampo(host::TfrmPadrao& form, host::TDBEdit* edit, bool final,
                   const char* chaveInformar, Busca&& busca) {
    if (!emEdicao(form.dtsPadrao) || soLeitura(edit))
        return;
    try {
        QString texto;
        if (buscaDevida(form, edit, final, chaveInformar, texto))
            busca(texto);
    } catch (...) {
        focaCampo(edit);
        throw;
    }
}

} // namespace est25000
