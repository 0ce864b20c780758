#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/platform.h"

class QLockFile;

namespace rf::platform::qt {

class QtDialogs;

inline constexpr const char* DefaultLockFileName = "rfadjust.lock";

// The platform of the real program, over Qt's event loop. A QCoreApplication
// (a QApplication for the dialog boxes) must exist before it and outlive it;
// everything else is used on the thread that runs that application.
class QtPlatform final : public Platform {
  public:
    // `lockFileName` is the single-instance lock, a file in the working directory
    // (as it is when the platform is made): one copy of the program per
    // directory, so one machine may serve a recorder from each directory.
    explicit QtPlatform(std::string lockFileName = DefaultLockFileName);
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;
    ~QtPlatform() override;

    void doEvents() override;
    void processPending() override;
    // Callable from any thread (not from a POSIX signal handler): it sets a flag,
    // quits QCoreApplication::exec() and wakes the event loop.
    void requestEnd() override;
    bool endRequested() const override { return endRequested_; }
    DateTime now() const override;
    std::chrono::milliseconds steadyTime() const override;
    std::unique_ptr<Timer> createTimer() override;
    // A port named in a registration comes from its factory; any other name is
    // a serial device.
    std::unique_ptr<SerialPort> createSerialPort(const std::string& portName) override;
    Dialogs& dialogs() override;
    bool acquireSingleInstance() override;

    // Where the single-instance lock lives.
    const std::string& lockFilePath() const { return lockPath_; }
    // Why the last acquireSingleInstance() failed: the other copy and its
    // directory, or the lock file and the system's reason.
    const std::string& lockRefusal() const { return lockRefusal_; }

    // Makes createSerialPort(name) build its port with `factory` instead of
    // opening a device of that name: a port the program provides itself, such
    // as a recorder it hosts. A second registration of a name replaces the first.
    using PortFactory = std::function<std::unique_ptr<SerialPort>(Platform&)>;
    void registerPort(const std::string& name, PortFactory factory);

    // Answers the program's dialogs with `dialogs` instead of Qt's boxes: an
    // unattended run on the real event loop and serial ports. `dialogs` must
    // outlive the platform's use.
    void useDialogs(Dialogs& dialogs) { answering_ = &dialogs; }

  private:
    std::atomic<bool> endRequested_{false};
    std::chrono::steady_clock::time_point began_ = std::chrono::steady_clock::now();
    std::string lockPath_;
    std::unique_ptr<QLockFile> lock_;
    std::string lockRefusal_;
    std::unique_ptr<QtDialogs> dialogs_;
    Dialogs* answering_ = nullptr;
    std::map<std::string, PortFactory> portFactories_;
};

}  // namespace rf::platform::qt
