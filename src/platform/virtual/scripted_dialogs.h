#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/virtual/scheduler.h"

namespace rf::platform::virt {

// A dialog the script did not expect: the test that met it fails.
class UnexpectedDialog : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

struct DialogRecord {
    enum class Kind { MsgBox, InputBox } kind;
    std::string text;  // message or prompt
    std::string title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    std::string defaultText;  // input boxes
    Answer answer = Answer::Ok;
    std::string answerText;  // input boxes
    Micros at{0};
};

// Answers message and input boxes from a script and records every one shown.
// A box that the script does not expect, or that differs from the next expected
// one, throws UnexpectedDialog; with a fallback set, unexpected boxes get the
// fallback's answer instead (unattended runs).
class ScriptedDialogs final : public Dialogs {
  public:
    using Clock = std::function<Micros()>;
    using Wait = std::function<void(Micros)>;
    ScriptedDialogs(Clock clock, Wait wait) : clock_(std::move(clock)), wait_(std::move(wait)) {}

    // The next box must be a message box with this text; it is answered after
    // the operator has looked at it for `think` of virtual time.
    void expectMsgBox(std::string text, Answer answer, Micros think = Micros{0});
    // The next box must be an input box with this prompt.
    void expectInput(std::string prompt, std::string answer, Micros think = Micros{0});

    using Fallback = std::function<DialogRecord(const DialogRecord& shown)>;
    void setFallback(Fallback fallback) { fallback_ = std::move(fallback); }

    const std::vector<DialogRecord>& shown() const { return shown_; }
    std::size_t pending() const { return script_.size(); }
    int beeps() const { return beeps_; }

    Answer msgBox(const std::string& text, Buttons buttons, Icon icon,
                  const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    void beep() override { ++beeps_; }

  private:
    struct Expected {
        DialogRecord::Kind kind;
        std::string text;
        Answer answer;
        std::string answerText;
        Micros think;
    };
    DialogRecord answer(DialogRecord shown);

    Clock clock_;
    Wait wait_;
    std::deque<Expected> script_;
    std::vector<DialogRecord> shown_;
    Fallback fallback_;
    int beeps_ = 0;
};

}  // namespace rf::platform::virt
