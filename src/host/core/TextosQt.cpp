#include <host/core/TextosQt.h>

#include <QCoreApplication>
#include <QHash>

namespace host {

namespace {

// Source text (with its accelerator mark) -> Portuguese; the same words in every context.
const QHash<QByteArray, QString>& textos() {
    static const QHash<QByteArray, QString> t{
        {"&Undo", QStringLiteral("&Desfazer")},
        {"&Redo", QStringLiteral("&Refazer")},
        {"Cu&t", QStringLiteral("Recor&tar")},
        {"&Copy", QStringLiteral("&Copiar")},
        {"&Paste", QStringLiteral("C&olar")},
        {"Delete", QStringLiteral("Excluir")},
        {"Select All", QStringLiteral("Selecionar tudo")},
        {"Copy &Link Location", QStringLiteral("Copiar o &endereço do link")},
        {"&Restore", QStringLiteral("&Restaurar")},
        {"&Move", QStringLiteral("&Mover")},
        {"&Size", QStringLiteral("&Tamanho")},
        {"Mi&nimize", QStringLiteral("Mi&nimizar")},
        {"Ma&ximize", QStringLiteral("Ma&ximizar")},
        {"Stay on &Top", QStringLiteral("Sempre &visível")},
        {"&Close", QStringLiteral("&Fechar")},
        {"Close", QStringLiteral("Fechar")},
        {"Minimize", QStringLiteral("Minimizar")},
        {"Maximize", QStringLiteral("Maximizar")},
        {"Restore Down", QStringLiteral("Restaurar")},
        {"Restore", QStringLiteral("Restaurar")},
        {"Menu", QStringLiteral("Menu")},
        {"Scroll here", QStringLiteral("Rolar até aqui")},
        {"Left edge", QStringLiteral("Borda esquerda")},
        {"Top", QStringLiteral("Topo")},
        {"Right edge", QStringLiteral("Borda direita")},
        {"Bottom", QStringLiteral("Fim")},
        {"Page left", QStringLiteral("Página à esquerda")},
        {"Page up", QStringLiteral("Página acima")},
        {"Page right", QStringLiteral("Página à direita")},
        {"Page down", QStringLiteral("Página abaixo")},
        {"Scroll left", QStringLiteral("Rolar à esquerda")},
        {"Scroll up", QStringLiteral("Rolar para cima")},
        {"Scroll right", QStringLiteral("Rolar à direita")},
        {"Scroll down", QStringLiteral("Rolar para baixo")},
    };
    return t;
}

} // namespace

QString TextosQt::translate(const char* context, const char* sourceText, const char*, int) const {
    // Only Qt's own classes: the suite's texts are Portuguese already.
    if (!context || context[0] != 'Q' || !sourceText)
        return QString();
    return textos().value(QByteArray(sourceText));
}

void InstalaTextosQt() {
    static TextosQt* instalado = nullptr;
    if (instalado || !QCoreApplication::instance())
        return;
    instalado = new TextosQt(QCoreApplication::instance());
    QCoreApplication::installTranslator(instalado);
}

} // namespace host
