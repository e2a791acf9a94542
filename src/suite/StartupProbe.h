#pragma once
// Unattended runs of the suite, for measurements and screenshots: times the start-up (main
// entry to main window shown; IniProc to the screen shown), answers dialogs by confirming
// them, optionally saves a picture of the main window, and quits.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QMainWindow;

namespace suite {

class StartupProbe : public QObject {
    Q_OBJECT
public:
    StartupProbe(QString screenshotPath, qint64 processStartMs);
    ~StartupProbe() override;

    void MainWindowShown();
    void BeforeIniProc();
    void AfterIniProc();
    // Prints the timings, saves the screenshot when asked and quits the application.
    void Finish(QMainWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer clock_;
    QString screenshot_;
    qint64 processStartMs_;
    qint64 mainShown_ = -1;
    qint64 iniStart_ = -1;
    qint64 screenShown_ = -1;
    qint64 iniReturned_ = -1;
};

// Milliseconds since the process started (from the kernel's record of the start time).
qint64 MillisecondsSinceProcessStart();

} // namespace suite
