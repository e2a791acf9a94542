#pragma once
// The suite's command line: its options, the help text and the refusal of an unknown option,
// in Portuguese. Read before the application object exists, so that --help needs no display.

#include <QString>
#include <QStringList>

#include <optional>

namespace suite {

struct CommandLine {
    bool help = false;
    bool exitWhenShown = false;
    QString screenshot;
    // The screen opened at start-up; empty: none.
    QString open = QStringLiteral("EST25000");
    // Set when the arguments cannot be read: what to tell the user.
    QString error;

    bool Unattended() const { return exitWhenShown || !screenshot.isEmpty(); }

    // Reads the suite's own options; options of the configuration (--server, --token,
    // --database, --branch) are read by the host's configuration, Qt's own (-platform...)
    // by Qt. The first argument is the program.
    static CommandLine Parse(const QStringList& arguments);
    static QString HelpText(const QString& program);
};

} // namespace suite
