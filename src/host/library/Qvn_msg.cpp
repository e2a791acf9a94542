#include <host/library/Qvn_msg.h>

namespace host {

TMessages::TMessages(QObject* owner, const QString& name) : QObject(owner) {
    setObjectName(name);
}

QString TMessages::Msg(const QString& key) const {
    for (const QString& line : Strings) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar >= 0 && QStringView(line).left(bar) == key)
            return line.mid(bar + 1);
    }
    return QString();
}

int TMessages::ShowMsg(const QString& key, TMsgDlgType type, TMsgDlgButtons buttons,
                       int helpContext, TMsgDlgBtn defaultButton) const {
    return MessageDlg(Msg(key), type, buttons, helpContext, defaultButton);
}

} // namespace host
