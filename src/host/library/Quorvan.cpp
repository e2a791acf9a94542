#include <host/library/Quorvan.h>

#include <host/library/Picture.h>

#include <map>
#include <memory>

namespace Quorvan {

QString FiliProc() {
    return host::Configuration::Value(host::cfg::kBranch);
}

QDate DataProc(const QString& branch) {
    return host::Configuration::ProcessingDate(branch);
}

QString WebURL() {
    return host::Configuration::ServerHost();
}

int WebPort() {
    return host::Configuration::ServerPort();
}

namespace {
QString configuredPicture() {
    return host::Configuration::Value(host::cfg::kPicture);
}
} // namespace

QString DBPict(TPictType) {
    // Codes are stored without the picture's literals ("101001" shows as "1.01.001"): a bare
    // picture becomes an edit mask that shows them and does not store them.
    const QString picture = configuredPicture();
    if (picture.isEmpty() || picture.contains(QLatin1Char(';')))
        return picture;
    return picture + QStringLiteral(";0;_");
}

TDBPicture* DBPictObj(TPictType) {
    // One object per picture, kept for the life of the process: callers hold on to it.
    static std::map<QString, std::unique_ptr<TDBPicture>> pictures;
    const QString mask = configuredPicture();
    auto& slot = pictures[mask];
    if (!slot)
        slot = std::make_unique<TDBPicture>(mask);
    return slot.get();
}

} // namespace Quorvan
