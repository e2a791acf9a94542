#pragma once
// Unit Cli_est25100: the error list dialog TfrmVisualErros, which lists the server's error
// rows of one item of the sample screen, and its factory CriaVisualizaErros.

#include <QString>

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

} // namespace Cli_est25100
