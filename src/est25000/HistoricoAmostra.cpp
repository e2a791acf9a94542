#include <est25000/HistoricoAmostra.h>

#include <est25000/CursorEspera.h>

#include <host/controls/StdControls.h>
#include <host/remote/Netconnection.h>

#include <QJsonArray>
#include <QJsonObject>

namespace est25000 {

TfrmHistoricoAmostra::TfrmHistoricoAmostra() {
    setObjectName(QStringLiteral("frmHistoricoAmostra"));
    SetBorderStyle(host::TBorderStyle::bsDialog);
    SetBorderIcons(host::biSystemMenu);
    SetClientSize(640, 260);
    SetPosition(host::TPosition::poMainFormCenter);
    lsbHistorico = new host::TListBox(this);
    lsbHistorico->setObjectName(QStringLiteral("lsbHistorico"));
    host::SetAlign(lsbHistorico, host::TAlign::alClient);
}

void MostraHistorico(TNetConnection& net, const QString& nrAmostra) {
    QStringList linhas;
    {
        CursorEspera cursor;
        const QJsonArray rows = net.Call(QStringLiteral("GetHistoricoAmostra"), {nrAmostra})
                                    .toObject()
                                    .value(QStringLiteral("rows"))
                                    .toArray();
        // Moment, user, operation, item, field: old → new (the server's order, newest first).
        for (const QJsonValue& value : rows) {
            const QJsonArray row = value.toArray();
            QString linha = QStringLiteral("%1   %2   %3")
                                .arg(row[0].toString(), row[1].toString(), row[2].toString());
            if (!row[3].toString().isEmpty())
                linha += QStringLiteral("   item %1").arg(row[3].toString());
            if (!row[4].toString().isEmpty())
                linha += QStringLiteral("   %1: %2 → %3")
                             .arg(row[4].toString(), row[5].toString(), row[6].toString());
            linhas << linha;
        }
    }
    if (linhas.isEmpty())
        linhas << QStringLiteral("Nenhuma alteração registrada para esta amostra.");
    TfrmHistoricoAmostra form;
    form.SetCaption(QStringLiteral("Histórico da amostra %1").arg(nrAmostra));
    form.lsbHistorico->SetItems(linhas);
    form.ShowModal();
}

} // namespace est25000
