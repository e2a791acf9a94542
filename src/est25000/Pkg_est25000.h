#pragma once
// The package Pkg_est25000: its units, in the order in which they are initialised, and the
// load and unload entry points.
//
// Loading the shared library (dlopen, QLibrary::load) runs Pkg_est25000_Initialize through a
// static object of Pkg_est25000.cpp; unloading it (dlclose, QLibrary::unload) runs
// Pkg_est25000_Finalize. Both are exported under these plain names as well, and both are
// idempotent: each unit is initialised at most once per load and finalised only when it was
// initialised, in the reverse order.

#include <QList>
#include <QStringList>

namespace Pkg_est25000 {

struct Unit {
    const char* name;
    void (*initialization)();
    void (*finalization)();
};

// Cli_est25100, Cli_est25200, Cli_est25000.
const QList<Unit>& units();

// Names of the units initialised and not yet finalised, in initialisation order.
QStringList initialisedUnits();

} // namespace Pkg_est25000

extern "C" {
void Pkg_est25000_Initialize();
void Pkg_est25000_Finalize();
}
