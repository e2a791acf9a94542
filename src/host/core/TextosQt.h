#pragma once
// Qt's own texts that a clerk reads (the edit's context menu, a child window's system menu,
// the scroll bar's menu, the help window's menu) in Portuguese. Debian 12 ships no Portuguese
// catalogue of Qt's texts in the packages the suite uses, so the few that show are given here.

#include <QTranslator>

namespace host {

class TextosQt : public QTranslator {
    Q_OBJECT
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
};

// Installs one TextosQt in the application (once).
void InstalaTextosQt();

} // namespace host
