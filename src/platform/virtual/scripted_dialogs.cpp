#include "platform/virtual/scripted_dialogs.h"

namespace rf::platform::virt {

namespace {
std::string describe(const DialogRecord& d) {
    std::string kind = d.kind == DialogRecord::Kind::MsgBox ? "message box" : "input box";
    return kind + " \"" + d.text + "\" titled \"" + d.title + "\"";
}
}  // namespace

void ScriptedDialogs::expectMsgBox(std::string text, Answer answer, Micros think) {
    script_.push_back({DialogRecord::Kind::MsgBox, std::move(text), answer, {}, think});
}

void ScriptedDialogs::expectInput(std::string prompt, std::string answer, Micros think) {
    script_.push_back(
        {DialogRecord::Kind::InputBox, std::move(prompt), Answer::Ok, std::move(answer), think});
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
        what += "; expected the " +
                std::string(script_.front().kind == DialogRecord::Kind::MsgBox ? "message box \""
                                                                               : "input box \"") +
                script_.front().text + "\"";
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

}  // namespace rf::platform::virt
