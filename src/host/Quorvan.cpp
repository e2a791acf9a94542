#include "Quorvan.h"

#include "Picture.h"

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

QString DBPict(TPictType) {
    return host::Configuration::Value(host::cfg::kPicture);
}

TDBPicture* DBPictObj(TPictType type) {
    // One object per mask, kept for the life of the process: callers hold on to it.
    static std::map<QString, std::unique_ptr<TDBPicture>> pictures;
    const QString mask = DBPict(type);
    auto& slot = pictures[mask];
    if (!slot)
        slot = std::make_unique<TDBPicture>(mask);
    return slot.get();
}

} // namespace Quorvan
