#include <host/forms/PackageLoader.h>

#include <host/core/Exceptions.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace host {

QString PackageLoader::PathFor(const QString& packageName) {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("lib") + packageName + QStringLiteral(".so"));
}

PackageLoader::PackageLoader(QString path) : library_(std::move(path)) {}

PackageLoader::~PackageLoader() = default; // the package stays loaded until Unload

void PackageLoader::Load() {
    if (iniProc_)
        return;
    if (!QFileInfo::exists(library_.fileName()))
        throw EHostError(QStringLiteral("Não foi possível carregar o pacote: o arquivo %1 não "
                                        "foi encontrado.")
                             .arg(library_.fileName()));
    if (!library_.load())
        throw EHostError(QStringLiteral("Não foi possível carregar o pacote %1:\n%2")
                             .arg(library_.fileName(), library_.errorString()));
    iniProc_ = reinterpret_cast<void (*)()>(library_.resolve("IniProc"));
    if (!iniProc_) {
        const QString error = library_.errorString();
        library_.unload();
        throw EHostError(
            QStringLiteral("O pacote %1 não exporta IniProc:\n%2").arg(library_.fileName(), error));
    }
}

void PackageLoader::CallIniProc() {
    Load();
    iniProc_();
}

void PackageLoader::Unload() {
    if (!library_.isLoaded())
        return;
    iniProc_ = nullptr;
    library_.unload();
}

} // namespace host
