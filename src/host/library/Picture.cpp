#include <host/library/Picture.h>

#include <dataset/EditMask.h>

TDBPicture::TDBPicture(const QString& mask) : mask_(mask) {
    int run = 0;
    int total = 0;
    const dataset::EditMask parsed(mask);
    for (const dataset::EditMask::Position& p : parsed.positions()) {
        if (!p.literal) {
            ++run;
            continue;
        }
        if (run > 0) {
            total += run;
            accumulated_.push_back(total);
            run = 0;
        }
    }
    if (run > 0)
        accumulated_.push_back(total + run);
}

int TDBPicture::TamAcNivel(const QString& level) const {
    bool ok = false;
    const int n = level.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > GetTtNiveis())
        return 0;
    return accumulated_[static_cast<size_t>(n - 1)];
}

int TDBPicture::TamNivel(int level) const {
    if (level < 1 || level > GetTtNiveis())
        return 0;
    const size_t i = static_cast<size_t>(level - 1);
    return accumulated_[i] - (i > 0 ? accumulated_[i - 1] : 0);
}
