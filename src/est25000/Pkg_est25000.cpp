// Package entry: runs the units' initialisation in order when the library is loaded and their
// finalisation in reverse order when it is unloaded.
#include <est25000/Pkg_est25000.h>

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25100.h>
#include <est25000/Cli_est25200.h>

namespace Pkg_est25000 {

namespace {

// Units initialised so far, so that finalisation undoes exactly what ran, backwards, even when
// an initialisation failed half-way.
QList<const Unit*>& initialised() {
    static QList<const Unit*> list;
    return list;
}

} // namespace

const QList<Unit>& units() {
    static const QList<Unit> list{
        {"Cli_est25100", &Cli_est25100::Initialization, &Cli_est25100::Finalization},
        {"Cli_est25200", &Cli_est25200::Initialization, &Cli_est25200::Finalization},
        {"Cli_est25000", &Cli_est25000::Initialization, &Cli_est25000::Finalization},
    };
    return list;
}

QStringList initialisedUnits() {
    QStringList names;
    for (const Unit* unit : initialised())
        names << QString::fromLatin1(unit->name);
    return names;
}

} // namespace Pkg_est25000

extern "C" void Pkg_est25000_Initialize() {
    using namespace Pkg_est25000;
    for (const Unit& unit : units()) {
        if (initialised().contains(&unit))
            continue;
        unit.initialization();
        initialised().append(&unit);
    }
}

extern "C" void Pkg_est25000_Finalize() {
    using namespace Pkg_est25000;
    while (!initialised().isEmpty())
        initialised().takeLast()->finalization();
}

namespace {

// The library's load and unload.
struct PackageLoader {
    PackageLoader() { Pkg_est25000_Initialize(); }
    ~PackageLoader() { Pkg_est25000_Finalize(); }
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;
};

const PackageLoader loader;

} // namespace
