#include "platform/virtual/scripted_dialogs.h"

namespace rf::platform::virt {

namespace {
std::string kindName(DialogRecord::Kind kind) {
    switch (kind) {
        case DialogRecord::Kind::MsgBox:
            return "message box";
        case DialogRecord::Kind::InputBox:
            return "input box";
        case DialogRecord::Kind::FileSave:
            return "save dialog";
        case DialogRecord::Kind::FileOpen:
            return "open dialog";
        case DialogRecord::Kind::Choice:
            break;
    }
    return "choice";
}
std::string describe(const DialogRecord& d) {
    return kindName(d.kind) + " \"" + d.text + "\" titled \"" + d.title + "\"";
}
}  // namespace

void ScriptedDialogs::expectMsgBox(std::string text, Answer answer, Micros think) {
    script_.push_back({DialogRecord::Kind::MsgBox, std::move(text), answer, {}, think});
}

void ScriptedDialogs::expectInput(std::string prompt, std::string answer, Micros think) {
    script_.push_back(
        {DialogRecord::Kind::InputBox, std::move(prompt), Answer::Ok, std::move(answer), think});
}

void ScriptedDialogs::expectFile(FileDialog kind, std::string filter, std::string answer) {
    const auto k =
        kind == FileDialog::Save ? DialogRecord::Kind::FileSave : DialogRecord::Kind::FileOpen;
    script_.push_back({k, std::move(filter), Answer::Ok, std::move(answer), {}});
}

void ScriptedDialogs::expectChoice(std::string label, std::string button) {
    script_.push_back(
        {DialogRecord::Kind::Choice, std::move(label), Answer::Ok, std::move(button), {}});
}

DialogRecord ScriptedDialogs::answer(DialogRecord shown) {
    shown.at = clock_();
    if (!script_.empty() && script_.front().kind == shown.kind &&
        script_.front().text == shown.text) {
        Expected e = std::move(script_.front());
        script_.pop_front();
        shown.answer = e.answer;
        shown.answerText = e.answerText;
        shown_.push_back(shown);
        // The program's timers and port keep running while a modal box is up.
        if (e.think > Micros{0}) wait_(e.think);
        timeOpen_ += clock_() - shown.at;
        return shown;
    }
    if (fallback_) {
        DialogRecord answered = fallback_(shown);
        shown_.push_back(answered);
        return answered;
    }
    shown_.push_back(shown);
    std::string what = "unexpected " + describe(shown);
    if (!script_.empty())
        what += "; expected the " + kindName(script_.front().kind) + " \"" + script_.front().text +
                "\"";
    throw UnexpectedDialog(what);
}

Answer ScriptedDialogs::msgBox(const std::string& text, Buttons buttons, Icon icon,
                               const std::string& title) {
    DialogRecord d{DialogRecord::Kind::MsgBox, text, title, buttons, icon, {}, Answer::Ok, {}, {}};
    return answer(std::move(d)).answer;
}

std::string ScriptedDialogs::inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) {
    DialogRecord d{DialogRecord::Kind::InputBox,
                   prompt,
                   title,
                   Buttons::OkCancel,
                   Icon::None,
                   defaultText,
                   Answer::Ok,
                   {},
                   {}};
    return answer(std::move(d)).answerText;
}

std::string ScriptedDialogs::fileDialog(FileDialog kind, const std::string& filter,
                                        const std::string& defaultName) {
    DialogRecord d{
        kind == FileDialog::Save ? DialogRecord::Kind::FileSave : DialogRecord::Kind::FileOpen,
        filter,
        {},
        Buttons::OkCancel,
        Icon::None,
        defaultName,
        Answer::Ok,
        {},
        {}};
    return answer(std::move(d)).answerText;
}

int ScriptedDialogs::choice(const std::string& label, const std::string& caption,
                            const std::vector<std::string>& buttons) {
    // The first button is the one an operator who presses Enter chooses.
    const std::string first = buttons.empty() ? std::string{} : buttons.front();
    DialogRecord d{DialogRecord::Kind::Choice,
                   label,
                   caption,
                   Buttons::Ok,
                   Icon::None,
                   first,
                   Answer::Ok,
                   {},
                   {}};
    const std::string pressed = answer(std::move(d)).answerText;
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == pressed) return static_cast<int>(i);
    return -1;
}

}  // namespace rf::platform::virt
