#include <host/remote/ChangeJournal.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

namespace host {

ChangeJournal::ChangeJournal(const QString& name, std::function<QJsonObject()> content,
                             QObject* parent)
    : QObject(parent), content_(std::move(content)) {
    const QDir folder(Folder());
    QDir().mkpath(folder.path());
    constexpr int kSlots = 9;
    for (int slot = 1; slot <= kSlots && !lock_; ++slot) {
        const QString file = slot == 1 ? name : name + QLatin1Char('-') + QString::number(slot);
        path_ = folder.filePath(file + QStringLiteral(".json"));
        auto lock = std::make_unique<QLockFile>(path_ + QStringLiteral(".lock"));
        lock->setStaleLockTime(0); // held for hours: stale only when its desktop is gone
        if (lock->tryLock())
            lock_ = std::move(lock);
    }
    if (!lock_)
        qWarning().noquote() << "diário de alterações: todas as vagas em uso, usando" << path_;
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { WriteNow(); });
    files_.setMaxThreadCount(1);
    files_.setExpiryTimeout(
        -1); // kept: a thread started at each Confirm would cost a part of the gain
}

ChangeJournal::~ChangeJournal() {
    settle(); // before the lock goes: the slot's next holder may write its own journal
}

void ChangeJournal::settle() const {
    if (removal_.valid())
        removal_.wait();
}

QString ChangeJournal::Folder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("diario"));
}

void ChangeJournal::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled)
        timer_.stop();
}

void ChangeJournal::WriteSoon() {
    if (holds_ > 0)
        due_ = true;
    else if (enabled_ && !timer_.isActive())
        timer_.start(IntervalMs);
}

void ChangeJournal::WriteNow() {
    if (holds_ > 0)
        due_ = true;
    else
        Flush();
}

ChangeJournal::Hold::Hold(ChangeJournal& journal) : journal_(journal) {
    ++journal_.holds_;
}

ChangeJournal::Hold::~Hold() {
    if (--journal_.holds_ > 0 || !journal_.due_)
        return;
    try { // may run while an error unwinds
        journal_.Flush();
    } catch (const std::exception& e) {
        qWarning().noquote() << "diário de alterações" << journal_.path_ << ":" << e.what();
    }
}

void ChangeJournal::Flush() {
    settle();
    timer_.stop();
    due_ = false;
    if (!enabled_)
        return;
    const QJsonObject content = content_();
    if (content.isEmpty()) {
        Discard();
        return;
    }
    // Typing goes on whatever happens here: a failure is logged, and the next write tries again.
    QSaveFile file(path_);
    written_ = {};
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(content).toJson(QJsonDocument::Compact)) < 0 || !file.commit())
        qWarning().noquote() << "diário de alterações" << path_ << ":" << file.errorString();
    else
        written_ = content;
}

std::optional<QJsonObject> ChangeJournal::Read() const {
    settle();
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    file.close();
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        document.object().isEmpty()) {
        qWarning().noquote() << "diário de alterações ilegível, posto de lado:" << path_;
        QFile::remove(path_ + QStringLiteral(".ilegivel"));
        QFile::rename(path_, path_ + QStringLiteral(".ilegivel"));
        return std::nullopt;
    }
    return document.object();
}

void ChangeJournal::Discard() {
    timer_.stop();
    settle();
    // What the file held goes with it, off this thread too: a sample's worth of JSON.
    auto removal = std::make_shared<std::packaged_task<void()>>(
        [path = path_, held = std::exchange(written_, {})]() mutable {
            QFile::remove(path);
            held = {};
        });
    removal_ = removal->get_future();
    files_.start([removal] { (*removal)(); });
}

} // namespace host
