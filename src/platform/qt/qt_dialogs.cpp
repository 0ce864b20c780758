#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace rf::platform::qt {

namespace {

void requireWidgets() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::logic_error("dialog boxes need a QApplication");
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton first;  // the default button
    // The button Qt makes the escape button: what Esc and closing the box answer.
    QMessageBox::StandardButton escape;
    // Esc and the window's close button do nothing: one of the buttons must be
    // chosen. An operator who presses Esc on an error has not chosen Abort.
    bool buttonsOnly = false;
};

// A message box that, when asked to, can be answered only with its buttons.
// A close that does not come from the operator (the application quitting)
// still closes it.
class MessageBox : public QMessageBox {
  public:
    MessageBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
               bool buttonsOnly)
        : QMessageBox(icon, title, text, buttons), buttonsOnly_(buttonsOnly) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (buttonsOnly_ && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (buttonsOnly_ && event->spontaneous() && !clickedButton()) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

  private:
    bool buttonsOnly_;
};

ButtonSet buttonSet(Buttons buttons) {
    switch (buttons) {
        case Buttons::OkCancel:
            return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
        case Buttons::YesNo:
            return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
        case Buttons::AbortRetryIgnore:
            return {QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
                    QMessageBox::Abort, QMessageBox::Abort, true};
        case Buttons::Ok:
            break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

Answer answerOf(QMessageBox::StandardButton button, Answer fallback) {
    switch (button) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Abort:
            return Answer::Abort;
        case QMessageBox::Retry:
            return Answer::Retry;
        case QMessageBox::Ignore:
            return Answer::Ignore;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return fallback;
    }
}

}  // namespace

class QtDialogs::Open {
  public:
    explicit Open(std::chrono::milliseconds& total) : total_(total) {}
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;
    ~Open() {
        total_ += std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - from_);
    }

  private:
    std::chrono::milliseconds& total_;
    std::chrono::steady_clock::time_point from_ = std::chrono::steady_clock::now();
};

Answer QtDialogs::msgBox(const std::string& text, Buttons buttons, Icon icon,
                         const std::string& title) {
    requireWidgets();
    const Open open(timeOpen_);
    const ButtonSet set = buttonSet(buttons);
    MessageBox box(qtIcon(icon), QString::fromStdString(title), QString::fromStdString(text),
                   set.buttons, set.buttonsOnly);
    box.setDefaultButton(set.first);
    // Esc and the close button answer with the button Qt picks as the escape
    // button (Cancel, No, or the only button); clickedButton() is then that
    // button. A box ended without any button (the application quitting) counts
    // as escaped too.
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    const auto standard = clicked ? box.standardButton(clicked) : set.escape;
    return answerOf(standard, Answer::Cancel);
}

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText) {
    requireWidgets();
    const Open open(timeOpen_);
    bool ok = false;
    const QString text = QInputDialog::getText(nullptr, QString::fromStdString(title),
                                               QString::fromStdString(prompt), QLineEdit::Normal,
                                               QString::fromStdString(defaultText), &ok);
    return ok ? text.toStdString() : std::string{};
}

// "Data File | *.dst;*.dat" becomes Qt's "Data File (*.dst *.dat)".
static QString qtFilter(const std::string& filter) {
    const auto bar = filter.find('|');
    if (bar == std::string::npos) return QString::fromStdString(filter);
    QString name = QString::fromStdString(filter.substr(0, bar)).trimmed();
    QString patterns = QString::fromStdString(filter.substr(bar + 1)).trimmed();
    patterns.replace(';', ' ');
    return name + " (" + patterns + ")";
}

std::string QtDialogs::fileDialog(FileDialog kind, const std::string& filter,
                                  const std::string& defaultName) {
    requireWidgets();
    const Open open(timeOpen_);
    // The tool asks itself before a file is replaced.
    const QString chosen =
        kind == FileDialog::Save
            ? QFileDialog::getSaveFileName(nullptr, {}, QString::fromStdString(defaultName),
                                           qtFilter(filter), nullptr,
                                           QFileDialog::DontConfirmOverwrite)
            : QFileDialog::getOpenFileName(nullptr, {}, QString::fromStdString(defaultName),
                                           qtFilter(filter));
    return chosen.toStdString();
}

int QtDialogs::choice(const std::string& label, const std::string& caption,
                      const std::vector<std::string>& buttons) {
    requireWidgets();
    const Open open(timeOpen_);
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(label));
    std::vector<QAbstractButton*> added;
    for (const std::string& text : buttons)
        added.push_back(box.addButton(QString::fromStdString(text), QMessageBox::ActionRole));
    if (!added.empty()) box.setDefaultButton(static_cast<QPushButton*>(added.front()));
    // The close box (and Esc) answers through a button the operator does not see:
    // a message box without an escape button ignores its close box.
    QPushButton* closed = box.addButton(QMessageBox::Cancel);
    closed->hide();
    box.setEscapeButton(closed);
    box.exec();
    for (std::size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i]) return static_cast<int>(i);
    return -1;
}

void QtDialogs::beep() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::beep();
    } else {
        std::fputc('\a', stderr);
        std::fflush(stderr);
    }
}

}  // namespace rf::platform::qt
