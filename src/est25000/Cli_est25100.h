#pragma once
// Unit Cli_est25100: the error list dialog TfrmVisualErros, which lists the server's error
// rows of one item of the sample screen, and its factory CriaVisualizaErros.

#include <host/forms/Form.h>

#include <QString>

namespace host {
class TPanel;
class TListBox;
class TMessages;
} // namespace host

namespace Cli_est25100 {

class TfrmVisualErros;

// The dialog instance; meaningful only while boIdCriado is true.
extern TfrmVisualErros* frmVisualErros;
// True while an error list dialog exists (a namesake of the screen unit's flag).
extern bool boIdCriado;
// The product code whose errors the dialog lists; set by every CriaVisualizaErros.
extern QString stCdProduto;

// Stores the code, creates the dialog when none exists and shows it modally.
void CriaVisualizaErros(const QString& cdProduto);

void Initialization();
void Finalization();

// Created for each opening and released when closed.
class TfrmVisualErros : public host::TForm {
    Q_OBJECT
public:
    TfrmVisualErros();
    ~TfrmVisualErros() override;

    void FormActivate(QObject* Sender) override;
    void FormClose(QObject* Sender, host::TCloseAction& Action) override;

    host::TPanel* Panel1 = nullptr;
    host::TListBox* lsbErros = nullptr;
    host::TMessages* msgPadrao = nullptr;
};

} // namespace Cli_est25100
