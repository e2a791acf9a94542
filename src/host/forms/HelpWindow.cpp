#include <host/forms/HelpWindow.h>

#include <host/forms/Dialogs.h>

#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace host {

TfrmAjuda::TfrmAjuda(const QString& title, const QString& html) {
    setObjectName(QStringLiteral("frmAjuda"));
    SetCaption(title);
    resize(620, 520);
    auto* layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("txbAjuda"));
    browser_->setOpenLinks(false); // the pages are self-contained
    QFont font = browser_->font();
    font.setPixelSize(13);
    browser_->setFont(font);
    browser_->setHtml(html);
    layout->addWidget(browser_);
    auto* fechar = new QPushButton(QStringLiteral("Fechar"), this);
    fechar->setObjectName(QStringLiteral("btnFechar"));
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(fechar);
    layout->addLayout(buttons);
    connect(fechar, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
    browser_->setFocus();
}

QString TfrmAjuda::PlainText() const {
    return browser_->toPlainText();
}

void TfrmAjuda::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        SetModalResult(mrOk);
        return;
    }
    if (event->key() == Qt::Key_F1)
        return; // already the help
    TForm::keyPressEvent(event);
}

QString HelpPagePath(int context) {
    return QStringLiteral(":/ajuda/%1.html").arg(context);
}

void ShowHelp(const QString& helpFile, int context) {
    QFile page(HelpPagePath(context));
    if (context <= 0 || !page.open(QIODevice::ReadOnly)) {
        MessageDlg(QStringLiteral("Não há página de ajuda para esta janela (arquivo %1, contexto "
                                  "%2).")
                       .arg(helpFile.isEmpty() ? QStringLiteral("-") : helpFile)
                       .arg(context),
                   TMsgDlgType::mtInformation, mbOK);
        return;
    }
    const QString html = QString::fromUtf8(page.readAll());
    // The page's own title names the window.
    const QRegularExpressionMatch title =
        QRegularExpression(QStringLiteral("<title>(.*?)</title>"),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(html);
    TfrmAjuda window(
        QStringLiteral("Ajuda — %1")
            .arg(title.hasMatch() ? title.captured(1).trimmed() : QString::number(context)),
        html);
    window.ShowModal();
}

QIcon HelpGlyph() {
    QIcon icon;
    for (const int size : {16, 21, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x5f, 0xbf));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        QFont font;
        font.setBold(true);
        font.setPixelSize(size * 3 / 4);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace host
