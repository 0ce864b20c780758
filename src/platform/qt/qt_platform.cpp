#include "platform/qt/qt_platform.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <stdexcept>
#include <utility>

#include "core/errors.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_timer.h"

namespace rf::platform::qt {

QtPlatform::QtPlatform(std::string lockFileName)
    : lockPath_(
          QDir::current().absoluteFilePath(QString::fromStdString(lockFileName)).toStdString()),
      dialogs_(std::make_unique<QtDialogs>()) {
    if (!QCoreApplication::instance())
        throw std::logic_error("QtPlatform needs a QCoreApplication to exist first");
}

QtPlatform::~QtPlatform() = default;

void QtPlatform::doEvents() {
    if (endRequested_) throw ProgramEnd{};
    // Blocks in the event dispatcher until a timer, a port or the interface has
    // something; a waiting tool uses no CPU.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (endRequested_) throw ProgramEnd{};
}

void QtPlatform::processPending() {
    if (endRequested_) throw ProgramEnd{};
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (endRequested_) throw ProgramEnd{};
}

void QtPlatform::requestEnd() {
    endRequested_ = true;
    // Ends QCoreApplication::exec() if it runs, and wakes a processEvents() that
    // is blocked waiting so that it returns and sees the request. quit() walks
    // the main thread's event loops, so from another thread it is posted there.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (QThread::currentThread() == app->thread())
        QCoreApplication::quit();
    else
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (auto* dispatcher = QAbstractEventDispatcher::instance(app->thread())) dispatcher->wakeUp();
}

DateTime QtPlatform::now() const {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime h = t.time();
    return {d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second()};
}

std::chrono::milliseconds QtPlatform::steadyTime() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 began_);
}

std::unique_ptr<Timer> QtPlatform::createTimer() {
    return std::make_unique<QtTimer>(*this);
}

std::unique_ptr<SerialPort> QtPlatform::createSerialPort(const std::string& portName) {
    if (const auto f = portFactories_.find(portName); f != portFactories_.end())
        return f->second(*this);
    return std::make_unique<QtSerialPort>(*this, portName);
}

void QtPlatform::registerPort(const std::string& name, PortFactory factory) {
    portFactories_[name] = std::move(factory);
}

Dialogs& QtPlatform::dialogs() {
    if (answering_) return *answering_;
    return *dialogs_;
}

bool QtPlatform::acquireSingleInstance() {
    if (lock_ && lock_->isLocked()) return true;
    lock_ = std::make_unique<QLockFile>(QString::fromStdString(lockPath_));
    // A lock never goes stale by age: the other copy may run for days. One left
    // by a copy that died is taken over.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return true;
    if (lock_->error() == QLockFile::LockFailedError && lock_->removeStaleLockFile() &&
        lock_->tryLock(0))
        return true;
    const QString dir = QFileInfo(QString::fromStdString(lockPath_)).absolutePath();
    qint64 pid = 0;
    QString host, app;
    if (lock_->error() == QLockFile::LockFailedError) {
        lockRefusal_ = "another copy of the tool is already running in " + dir.toStdString();
        if (lock_->getLockInfo(&pid, &host, &app))
            lockRefusal_ += " (process " + std::to_string(pid) + ")";
        lockRefusal_ += ": one copy per directory, one directory per recorder";
    } else {
        lockRefusal_ =
            lockPath_ + ": the lock file cannot be made (" +
            (lock_->error() == QLockFile::PermissionError ? "permission denied" : "unknown error") +
            ")";
    }
    lock_.reset();
    return false;
}

}  // namespace rf::platform::qt
