#pragma once
// TBtnPesquisa: the lookup button beside an edit. It takes no focus (the edit keeps it).
// Pressed: OnBeforePesq runs first (it usually reopens the dataset behind DataSource; if it
// raises, nothing else happens); an empty list reports EmptyError instead of a window; the
// search window lists the rows (a tree by level for ptArvore); after a pick, with the
// dataset on the picked row, OnAfterPesq runs. A cancelled search runs nothing more.
// F4 in the associated edit presses the button, as F4 opens a combo box's list; the focus
// stays in the edit.

#include <dataset/DataSource.h>
#include <host/forms/Control.h>

#include <QPointer>
#include <QToolButton>

namespace host {

class TForm;

enum class TPesqType { ptLista, ptArvore };

class TBtnPesquisa : public QToolButton, public TControl {
    Q_OBJECT
public:
    explicit TBtnPesquisa(QWidget* parent, const QString& name = QString());

    QWidget* Associate() const { return associate_; }
    void SetAssociate(QWidget* edit);
    QString Title;
    dataset::DataSource* DataSource = nullptr;
    QString EmptyError;
    TPesqType PesqType = TPesqType::ptLista;
    QString FieldNivel;
    QString FieldCodigo;
    QString FieldNome;
    bool PesqChave = false;

    std::function<void(QObject* Sender, bool& Continue)> OnBeforePesq;
    TNotifyEvent OnAfterPesq;

    // Runs the lookup as a press does; errors (including the empty-list report, raised
    // through MensErro) reach the caller. Returns whether a row was picked.
    bool Execute();
    void Click() { Execute(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> associate_;
};

} // namespace host
