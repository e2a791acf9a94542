#pragma once
// The suite's help: a window that shows the page of a help context. Pages are HTML resources
// named ":/ajuda/<context>.html", shipped inside the package whose forms they describe (a
// package's resources are registered when it is loaded). F1, a form's help button and its
// help menu entry all come here with the form's help file and context. Shown modally through
// the dialogs seam (over a modal dialog too), so tests read the page shown.

#include <host/forms/Form.h>

#include <QIcon>

class QTextBrowser;

namespace host {

class TfrmAjuda : public TForm {
    Q_OBJECT
public:
    TfrmAjuda(const QString& title, const QString& html);
    QString PlainText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* browser_;
};

// The resource path of a context's page.
QString HelpPagePath(int context);
// Shows the page of the context, or says that the context has none.
void ShowHelp(const QString& helpFile, int context);
// The glyph of the help buttons: a question mark in a blue disc.
QIcon HelpGlyph();

} // namespace host
