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
    enum class Kind { MsgBox, InputBox, FileSave, FileOpen, Choice } kind;
    std::string text;  // message, prompt, file filter or the label of a choice
    std::string title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    std::string defaultText;  // input boxes, file dialogs
    Answer answer = Answer::Ok;
    // input boxes, file dialogs, choices (the button; "": closed or cancelled)
    std::string answerText;
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
    // The next box must be a file dialog of this kind and filter; "" cancels it.
    void expectFile(FileDialog kind, std::string filter, std::string answer);
    // The next box must be a choice with this label; it is answered with the
    // button of that caption, or closed with "".
    void expectChoice(std::string label, std::string button);

    using Fallback = std::function<DialogRecord(const DialogRecord& shown)>;
    void setFallback(Fallback fallback) { fallback_ = std::move(fallback); }

    const std::vector<DialogRecord>& shown() const { return shown_; }
    std::size_t pending() const { return script_.size(); }
    int beeps() const { return beeps_; }

    Answer msgBox(const std::string& text, Buttons buttons, Icon icon,
                  const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::string fileDialog(FileDialog kind, const std::string& filter,
                           const std::string& defaultName) override;
    int choice(const std::string& label, const std::string& caption,
               const std::vector<std::string>& buttons) override;
    void beep() override { ++beeps_; }
    // The virtual time the script's answers took to think.
    std::chrono::milliseconds timeOpen() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(timeOpen_);
    }

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
    Micros timeOpen_{0};
};

}  // namespace rf::platform::virt
