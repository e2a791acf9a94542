#include <dataset/EditMask.h>

namespace dataset {
namespace {

QChar applyCase(QChar c, EditMask::Case letterCase) {
    switch (letterCase) {
    case EditMask::Case::Upper:
        return c.toUpper();
    case EditMask::Case::Lower:
        return c.toLower();
    case EditMask::Case::Keep:
        break;
    }
    return c;
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

EditMask::EditMask(const QString& mask) {
    Case letterCase = Case::Keep;
    qsizetype i = 0;
    auto placeholder = [&](Accept accept, bool required) {
        Position p;
        p.accept = accept;
        p.required = required;
        p.letterCase = letterCase;
        positions_.push_back(p);
    };
    auto literal = [&](QChar c) {
        Position p;
        p.literal = true;
        p.ch = c;
        positions_.push_back(p);
    };
    // The mask section ends at the first ';' that is not escaped.
    for (; i < mask.size() && mask.at(i) != QLatin1Char(';'); ++i) {
        const QChar c = mask.at(i);
        const QChar next = i + 1 < mask.size() ? mask.at(i + 1) : QChar();
        switch (c.unicode()) {
        case '\\':
            if (i + 1 < mask.size())
                literal(mask.at(++i));
            break;
        case '>':
            if (next == QLatin1Char('<'))
                ++i, letterCase = Case::Keep;
            else
                letterCase = Case::Upper;
            break;
        case '<':
            if (next == QLatin1Char('>'))
                ++i, letterCase = Case::Keep;
            else
                letterCase = Case::Lower;
            break;
        case '!':
            fillFromRight_ = true;
            break;
        case '0':
            placeholder(Accept::Digit, true);
            break;
        case '9':
            placeholder(Accept::Digit, false);
            break;
        case '#':
            placeholder(Accept::DigitOrSign, false);
            break;
        case 'L':
            placeholder(Accept::Letter, true);
            break;
        case 'l':
            placeholder(Accept::Letter, false);
            break;
        case 'A':
            placeholder(Accept::LetterOrDigit, true);
            break;
        case 'a':
            placeholder(Accept::LetterOrDigit, false);
            break;
        case 'C':
            placeholder(Accept::Any, true);
            break;
        case 'c':
            placeholder(Accept::Any, false);
            break;
        case '_':
            literal(QLatin1Char(' '));
            break;
        default:
            literal(c);
        }
    }
    if (i < mask.size()) {
        // mask.at(i) is the first ';': save-literals, then the blank character.
        const qsizetype second = mask.indexOf(QLatin1Char(';'), i + 1);
        const QString save = mask.mid(i + 1, second < 0 ? -1 : second - i - 1).trimmed();
        saveLiterals_ = save != QLatin1String("0");
        if (second >= 0 && second + 1 < mask.size())
            blank_ = mask.at(second + 1);
    }
}

int EditMask::placeholderCount() const {
    int n = 0;
    for (const Position& p : positions_)
        n += p.literal ? 0 : 1;
    return n;
}

bool EditMask::accepts(const Position& position, QChar c) {
    switch (position.accept) {
    case Accept::Digit:
        return isAsciiDigit(c);
    case Accept::DigitOrSign:
        return isAsciiDigit(c) || c == QLatin1Char('+') || c == QLatin1Char('-');
    case Accept::Letter:
        return c.isLetter();
    case Accept::LetterOrDigit:
        return c.isLetter() || isAsciiDigit(c);
    case Accept::Any:
        return true;
    }
    return false;
}

QString EditMask::format(const QString& value) const {
    if (positions_.empty())
        return value;
    QString source = value;
    if (fillFromRight_ && !saveLiterals_) {
        const int places = placeholderCount();
        if (source.size() < places)
            source = QString(places - source.size(), blank_) + source;
    }
    QString out;
    out.reserve(static_cast<qsizetype>(positions_.size()));
    qsizetype vi = 0;
    for (const Position& p : positions_) {
        if (p.literal) {
            if (vi < source.size() && source.at(vi) == p.ch)
                ++vi;
            out += p.ch;
        } else if (vi < source.size()) {
            out += applyCase(source.at(vi++), p.letterCase);
        } else {
            out += blank_;
        }
    }
    return out;
}

QString EditMask::stripLiterals(const QString& text) const {
    if (positions_.empty())
        return text;
    QString out;
    out.reserve(text.size());
    if (text.size() == static_cast<qsizetype>(positions_.size())) {
        // The text as shown: one character per position.
        for (size_t k = 0; k < positions_.size(); ++k) {
            const QChar c = text.at(static_cast<qsizetype>(k));
            if (!positions_[k].literal && c != blank_)
                out += applyCase(c, positions_[k].letterCase);
        }
        return out;
    }
    // A shorter text (blanks dropped, say): leave out the mask's literal characters.
    for (const QChar c : text) {
        if (c == blank_)
            continue;
        bool isLiteral = false;
        for (const Position& p : positions_)
            if (p.literal && p.ch == c) {
                isLiteral = true;
                break;
            }
        if (!isLiteral)
            out += c;
    }
    return out;
}

QString EditMask::valueFromText(const QString& text) const {
    if (positions_.empty())
        return text;
    if (!saveLiterals_)
        return stripLiterals(text);
    // Literals kept: lay the text into the mask, then drop what trails the last character
    // typed, so an untouched mask stores an empty value.
    const QString laid = format(stripLiterals(text));
    qsizetype end = laid.size();
    while (end > 0) {
        const Position& p = positions_[static_cast<size_t>(end - 1)];
        const QChar c = laid.at(end - 1);
        if (p.literal || c == blank_ || c == QLatin1Char(' '))
            --end;
        else
            break;
    }
    QString out = laid.left(end);
    out.replace(blank_, QLatin1Char(' '));
    return out;
}

bool EditMask::isComplete(const QString& text) const {
    const QString chars = stripLiterals(text);
    qsizetype ci = 0;
    for (const Position& p : positions_) {
        if (p.literal)
            continue;
        const bool has = ci < chars.size();
        if (has && !accepts(p, chars.at(ci)))
            return false;
        if (!has && p.required)
            return false;
        ++ci;
    }
    return true;
}

QString EditMask::toQtInputMask() const {
    if (positions_.empty())
        return QString();
    static const QString special = QStringLiteral("AaNnXx90Dd#HhBb<>!\\[]{};");
    QString out;
    Case current = Case::Keep;
    for (const Position& p : positions_) {
        if (p.literal) {
            if (special.contains(p.ch))
                out += QLatin1Char('\\');
            out += p.ch;
            continue;
        }
        if (p.letterCase != current) {
            current = p.letterCase;
            out += current == Case::Upper   ? QLatin1Char('>')
                   : current == Case::Lower ? QLatin1Char('<')
                                            : QLatin1Char('!');
        }
        switch (p.accept) {
        case Accept::Digit:
            out += p.required ? QLatin1Char('9') : QLatin1Char('0');
            break;
        case Accept::DigitOrSign:
            out += QLatin1Char('#');
            break;
        case Accept::Letter:
            out += p.required ? QLatin1Char('A') : QLatin1Char('a');
            break;
        case Accept::LetterOrDigit:
            out += p.required ? QLatin1Char('N') : QLatin1Char('n');
            break;
        case Accept::Any:
            out += p.required ? QLatin1Char('X') : QLatin1Char('x');
            break;
        }
    }
    out += QLatin1Char(';');
    out += blank_;
    return out;
}

QString formatMaskText(const QString& mask, const QString& value) {
    return EditMask(mask).format(value);
}

QString stripLiterals(const QString& mask, const QString& text) {
    return EditMask(mask).stripLiterals(text);
}

QString toQtInputMask(const QString& mask) {
    return EditMask(mask).toQtInputMask();
}

} // namespace dataset
