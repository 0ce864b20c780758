#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "shell/main_window_events.h"
#include "shell/main_window_model.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

namespace rf::shell {

class ErrorRateBar;
class FollowingLog;
class QuitWatch;

// The main window on the screen. It mirrors a MainWindowModel and reports the
// operator's actions to MainWindowEvents; it never changes a control on its
// own: a click is reported, and the control then shows what the model says.
//
// The program writes the model from inside its own long sequences (which pump
// the event loop), so the view cannot be told about each change: it polls the
// model every PollIntervalMs and after each reported action, and touches only
// the widgets whose values changed.
//
// Widgets carry the names of the model's fields as object names ("PbLpCheck2",
// "ErrSelect", menu actions "MenuPrg3", ...).
class MainWindowView : public QMainWindow {
  public:
    static constexpr int PollIntervalMs = 50;

    MainWindowView(const MainWindowModel& model, MainWindowEvents& events,
                   QWidget* parent = nullptr);
    ~MainWindowView() override;

    // Brings the window in line with the model now.
    void syncFromModel();

    QMenu* menu(int which) const;  // 0 MenuPrg, 1 MenuFile, 2 MenuIndicate, 3 MenuHelp
    const ErrorRateBar& errorRateBar(int channel) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct MenuBinding {
        Menu MainWindowModel::*field;
        void (MainWindowEvents::*report)(int);
        const char* name;
        QMenu* menu = nullptr;
        std::vector<QAction*> actions{};
    };

    void buildMenus();
    QWidget* buildTabs();
    QWidget* buildMessage();
    QWidget* buildProgressFrame();
    QWidget* buildLoggerFrame();
    QWidget* buildErrorRateFrame();
    void buildStatusBar();
    QCheckBox* addCheckBox(QWidget* page, const QString& name, CheckBoxId id);

    void rebuildMenu(MenuBinding& binding, const Menu& menu);
    void applyMenu(MenuBinding& binding, const Menu& menu, const Menu* shown);
    void applyTabs(const MainWindowModel& m);
    void applyToggles(const MainWindowModel& m);
    void updateClock();

    // Calls the program about an operator's action, then shows what the model says.
    void report(const char* what, const std::function<void()>& call);

    const MainWindowModel& model_;
    MainWindowEvents& events_;
    std::optional<MainWindowModel> shown_;  // the model as last rendered
    bool syncing_ = false;

    std::array<MenuBinding, 4> menus_;
    QTabWidget* tabs_ = nullptr;
    std::array<QRadioButton*, 3> partAdj_{};
    std::array<QCheckBox*, 5> pbLp_{};
    QCheckBox* recLp_ = nullptr;
    QCheckBox* pbSp_ = nullptr;
    QCheckBox* pbPro_ = nullptr;
    QCheckBox* pbDv_ = nullptr;
    QLabel* message_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::array<QLabel*, 4> timeDsp_{};
    std::array<QLabel*, 3> remainDsp_{};
    FollowingLog* log_ = nullptr;
    QPushButton* errSelect_ = nullptr;
    std::array<ErrorRateBar*, 4> bars_{};
    std::array<QLabel*, 4> chLabels_{};
    QLabel* kindLabel_ = nullptr;
    QLabel* statusText_ = nullptr;
    QLabel* statusDate_ = nullptr;
    QLabel* statusTime_ = nullptr;
    QTimer* poll_ = nullptr;
    QTimer* clock_ = nullptr;
    QuitWatch* quitWatch_ = nullptr;
};

}  // namespace rf::shell
