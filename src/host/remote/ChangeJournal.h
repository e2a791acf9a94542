#pragma once
// The journal of work typed but not yet stored by the application server: one JSON file per
// screen in the user's data folder (<data>/diario/<name>.json), so what was typed survives a
// crash of the desktop, a kill or a power loss. Each write replaces the file whole (QSaveFile:
// written aside, flushed to disk, renamed), so a failure leaves the previous journal or the
// new one, never a torn one. A screen writes at each post and at most every few seconds while
// its data changes, and removes the file once nothing is pending. The removal runs beside the
// desktop's thread (an unlink is a metadata update of the folder, as slow as a frame's paint);
// whatever reads or writes the file next waits for it, so it never takes a later journal. Two
// desktops of one user open at once each keep a journal of their own: the first free of <name>,
// <name>-2, ..., held by a lock file while the screen lives (a crashed desktop's lock is taken
// over).

#include <QJsonObject>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <future>
#include <memory>
#include <optional>

namespace host {

class ChangeJournal : public QObject {
    Q_OBJECT
public:
    // `content` gives the journal to write, or an empty object when nothing is pending.
    ChangeJournal(const QString& name, std::function<QJsonObject()> content,
                  QObject* parent = nullptr);
    ~ChangeJournal() override;

    // The folder of the journals: QStandardPaths' AppDataLocation + "/diario".
    static QString Folder();
    QString Path() const { return path_; }

    // Writes what is pending now (or removes the file when nothing is); while held, when the
    // last hold ends.
    void WriteNow();
    // Writes once within the interval, however many changes come meanwhile.
    void WriteSoon();
    // Writes now even while held: what the journal must hold before the server is called.
    void Flush();

    // While one lives, the writes asked for wait and are made once, when the last one ends: a
    // command posting several datasets writes its journal once, not at each post.
    class Hold {
    public:
        explicit Hold(ChangeJournal& journal);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        ChangeJournal& journal_;
    };
    // Nothing is written until enabled (a screen reads the previous journal first).
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // What the last write of this run put on disk; empty after a removal, or before any.
    QJsonObject Written() const { return written_; }
    // The journal left by an earlier run; nothing when there is none or it is unreadable
    // (an unreadable one is set aside as <name>.json.ilegivel, never read again).
    std::optional<QJsonObject> Read() const;
    // Removes the file, beside the desktop's thread.
    void Discard();

    int IntervalMs = 2000;

private:
    std::function<QJsonObject()> content_;
    std::unique_ptr<QLockFile> lock_;
    QString path_;
    QTimer timer_;
    bool enabled_ = false;
    QJsonObject written_;
    int holds_ = 0;
    bool due_ = false;   // a write was asked for while held
    void settle() const; // waits for a removal on its way
    QThreadPool files_;  // one thread, for the removals
    std::future<void> removal_;
};

} // namespace host
