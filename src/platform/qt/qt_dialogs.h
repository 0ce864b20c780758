#pragma once

#include "platform/platform.h"

namespace rf::platform::qt {

// Message and input boxes as modal Qt dialogs. They need a QApplication; under
// a plain QCoreApplication they raise std::logic_error instead of aborting in
// Qt, and beep() writes the terminal bell.
class QtDialogs final : public Dialogs {
  public:
    Answer msgBox(const std::string& text, Buttons buttons, Icon icon,
                  const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::string fileDialog(FileDialog kind, const std::string& filter,
                           const std::string& defaultName) override;
    int choice(const std::string& label, const std::string& caption,
               const std::vector<std::string>& buttons) override;
    void beep() override;
    std::chrono::milliseconds timeOpen() const override { return timeOpen_; }

  private:
    // Adds the time from its making to its end to timeOpen_: one a box.
    class Open;
    std::chrono::milliseconds timeOpen_{0};
};

}  // namespace rf::platform::qt
