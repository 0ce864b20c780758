#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"

namespace rf::platform {

struct DateTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

enum class Buttons { Ok, OkCancel, YesNo, AbortRetryIgnore };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };
enum class FileDialog { Save, Open };

// Modal message and input boxes, and the beep.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual Answer msgBox(const std::string& text, Buttons buttons, Icon icon,
                          const std::string& title) = 0;
    // The operator's text, or "" when the box is cancelled.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    // A file dialog to save or open a file, with its filter in the form
    // "Data File | *.dst;*.dat" and a default file name: the chosen file, or ""
    // when the dialog is cancelled.
    virtual std::string fileDialog(FileDialog kind, const std::string& filter,
                                   const std::string& defaultName) = 0;
    // A window with a label and a row of command buttons: the index of the
    // button pressed, or -1 when the window is closed with its close box.
    virtual int choice(const std::string& label, const std::string& caption,
                       const std::vector<std::string>& buttons) = 0;
    virtual void beep() = 0;
    // How long the boxes above have been open in all: time the operator took,
    // which no estimate of the programme's own work can know.
    virtual std::chrono::milliseconds timeOpen() const = 0;
};

// An interval timer. While enabled it calls its handler every interval, on the
// user-interface thread, from inside doEvents(). Enabling it, or changing the
// interval while enabled, starts a fresh full interval.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void setHandler(std::function<void()> handler) = 0;
};

// Everything the logic asks of the machine it runs on.
class Platform {
  public:
    virtual ~Platform() = default;

    // Lets pending interface, timer and port events run. With nothing pending
    // it blocks until something happens, so a waiting tool uses no CPU. Throws
    // ProgramEnd once the end of the program has been requested.
    virtual void doEvents() = 0;
    // Lets the events that are pending now run and returns at once, without
    // waiting for more (so the window repaints while a sequence works). Throws
    // ProgramEnd like doEvents().
    virtual void processPending() = 0;

    // Asks for the program to end; the next doEvents() unwinds the waits.
    virtual void requestEnd() = 0;
    virtual bool endRequested() const = 0;

    virtual DateTime now() const = 0;
    // A steady clock for measuring intervals: time since the platform began,
    // never set back (the date of now() may be).
    virtual std::chrono::milliseconds steadyTime() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    // A closed serial port for the named device.
    virtual std::unique_ptr<SerialPort> createSerialPort(const std::string& portName) = 0;
    virtual Dialogs& dialogs() = 0;

    // False when another copy of the program already runs.
    virtual bool acquireSingleInstance() = 0;
};

}  // namespace rf::platform
