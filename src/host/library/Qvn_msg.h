#pragma once
// TMessages: a form's message table. Each line of Strings is a key, a bar and a text; the key
// ends at the first bar and the text is the whole rest of the line (it may hold bars and a
// "%s" that the caller fills).

#include <host/forms/Dialogs.h>

#include <QObject>
#include <QStringList>

namespace host {

class TMessages : public QObject {
    Q_OBJECT
public:
    explicit TMessages(QObject* owner, const QString& name = QString());

    QStringList Strings;

    // The text of the entry with that key (exact match); an unknown key gives an empty text.
    QString Msg(const QString& key) const;
    // Shows the key's text in a modal message box; returns the button pressed (Yes = 6).
    int ShowMsg(const QString& key, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0,
                TMsgDlgBtn defaultButton = TMsgDlgBtn{}) const;
};

} // namespace host
