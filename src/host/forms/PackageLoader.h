#pragma once
// Loads a module package (a shared library beside the suite's executable) and calls its
// plain exported entry procedure IniProc. Unloading runs the package's finalisation.

#include <QLibrary>
#include <QString>

namespace host {

class PackageLoader {
public:
    // The package's file name for a package name ("Pkg_est25000" -> libPkg_est25000.so)
    // in the executable's folder.
    static QString PathFor(const QString& packageName);

    explicit PackageLoader(QString path);
    ~PackageLoader();
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;

    // Loads the package once and resolves IniProc; raises host::EHostError with a message
    // for the user when either fails.
    void Load();
    bool Loaded() const { return iniProc_ != nullptr; }
    // Loads when needed and calls IniProc; what IniProc raises reaches the caller.
    void CallIniProc();
    void Unload();
    QString Path() const { return library_.fileName(); }

private:
    QLibrary library_;
    void (*iniProc_)() = nullptr;
};

} // namespace host
