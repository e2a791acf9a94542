#pragma once
// Edit masks in the system's own syntax "mask;save-literals;blank":
//   0 required digit   9 optional digit   # optional digit or sign
//   L required letter  l optional letter  A required letter or digit  a optional one
//   C required any     c optional any     > upper case  < lower case  <> no case change
//   \ next character literal   _ a blank literal   ! optional positions fill from the right
//   any other character is a literal.
// The second section "0" means the value is stored without the literals; the third is the
// character shown for an empty position (default '_').

#include <QChar>
#include <QString>

#include <vector>

namespace dataset {

class EditMask {
public:
    enum class Accept { Digit, DigitOrSign, Letter, LetterOrDigit, Any };
    enum class Case { Keep, Upper, Lower };
    struct Position {
        bool literal = false;
        QChar ch; // the literal character
        Accept accept = Accept::Any;
        bool required = false;
        Case letterCase = Case::Keep;
    };

    EditMask() = default;
    explicit EditMask(const QString& mask);

    bool isEmpty() const { return positions_.empty(); }
    bool saveLiterals() const { return saveLiterals_; }
    QChar blank() const { return blank_; }
    const std::vector<Position>& positions() const { return positions_; }
    int placeholderCount() const;

    // The value laid into the mask: its characters fill the positions in order, the literals
    // are inserted (a literal the value already has in its place is taken as it), empty
    // positions show the blank. Case conversion applies.
    QString format(const QString& value) const;
    // Text as shown (with literals, maybe with blanks) turned into the value to store: the
    // literals are removed when the mask does not save them; blanks are dropped.
    QString valueFromText(const QString& text) const;
    // Only the characters at placeholder positions, whatever the mask saves.
    QString stripLiterals(const QString& text) const;
    // Whether a character may stand at a placeholder position.
    static bool accepts(const Position& position, QChar c);
    // Every required position filled with an acceptable character.
    bool isComplete(const QString& text) const;

    // The same mask in Qt's input-mask syntax (QLineEdit::setInputMask).
    QString toQtInputMask() const;

private:
    std::vector<Position> positions_;
    bool saveLiterals_ = true;
    QChar blank_ = QLatin1Char('_');
    bool fillFromRight_ = false;
};

QString formatMaskText(const QString& mask, const QString& value);
QString stripLiterals(const QString& mask, const QString& text);
QString toQtInputMask(const QString& mask);

} // namespace dataset
