#pragma once
// A hierarchical code picture (unit Picture): an edit mask whose runs of placeholders are
// the levels of the code, so "9.99.999" has three levels of 1, 2 and 3 characters.

#include <QString>

#include <vector>

class TDBPicture {
public:
    static constexpr const char* DefaultMask = "9.99.999";

    explicit TDBPicture(const QString& mask = QString::fromLatin1(DefaultMask));

    const QString& Mask() const { return mask_; }
    // Number of levels of the picture.
    int GetTtNiveis() const { return static_cast<int>(accumulated_.size()); }
    // Code length accumulated up to the level given as decimal text ("1".."n"); 0 for any
    // other text. For the last level it is the full code length.
    int TamAcNivel(const QString& level) const;
    // Length of one level; 0 outside 1..n.
    int TamNivel(int level) const;

private:
    QString mask_;
    std::vector<int> accumulated_;
};
