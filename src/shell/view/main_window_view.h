#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "shell/main_window_events.h"
#include "shell/main_window_model.h"
#include "shell/view/deferred_refresh.h"

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
// the event loop) and marks the area of each write in the model's change
// record. The view is the record's listener: a mark only schedules one refresh
// for when the event loop next runs, however many marks come before it. The
// refresh brings in line the areas whose revision moved since it last applied
// them, and of those touches only the widgets whose values changed; the log
// takes only its new tail. An idle window does nothing but tick the clock of
// the status bar once a second. After each reported action the view brings
// everything in line at once, marked or not.
//
// Widgets carry the names of the model's fields as object names ("PbLpCheck2",
// "ErrSelect", menu actions "MenuPrg3", ...).
class MainWindowView : public QMainWindow {
  public:
    MainWindowView(const MainWindowModel& model, MainWindowEvents& events,
                   QWidget* parent = nullptr);
    ~MainWindowView() override;

    // Brings the window in line with the whole model now, marked or not.
    void syncFromModel();

    // How often the window has brought itself in line with the model, by a
    // refresh after marks or by syncFromModel(): lets tests and measurements
    // see that marks are coalesced and that an idle window stays idle.
    std::uint64_t refreshCount() const { return refreshes_; }

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

    // Applies the areas whose revision moved since they were last applied, or
    // every area.
    void refresh(bool everything);
    // Shows the area's fields of the model. `s` holds what the area shows now,
    // or is null when it was never applied; the area's fields of shown_ are
    // brought up to date.
    void applyArea(Area area, const MainWindowModel* s);
    void applyMenu(MenuBinding& binding, const Menu& menu, const Menu* shown);
    void applyTabs(const MainWindowModel* s);
    void applyErrorPanel(const MainWindowModel* s);
    void updateClock();

    // Calls the program about an operator's action, then shows what the model says.
    void report(const char* what, const std::function<void()>& call);

    const MainWindowModel& model_;
    MainWindowEvents& events_;
    // The fields of the areas as last applied; the log is left empty (the
    // logger keeps only where it got to).
    MainWindowModel shown_;
    // The revision of each area last applied; none before the first time.
    std::array<std::optional<std::uint64_t>, AreaCount> applied_{};
    DeferredRefresh changed_;
    std::uint64_t refreshes_ = 0;
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
    QLabel* timeLeft_ = nullptr;
    std::array<QLabel*, 4> timeDsp_{};
    std::array<QLabel*, 3> remainDsp_{};
    FollowingLog* log_ = nullptr;
    QPushButton* errSelect_ = nullptr;
    std::array<ErrorRateBar*, 4> bars_{};
    std::array<QLabel*, 4> chLabels_{};
    QLabel* kindLabel_ = nullptr;
    QLabel* statusText_ = nullptr;
    QLabel* stopNotice_ = nullptr;  // in dark red; empty takes no room of the window
    QLabel* statusDate_ = nullptr;
    QLabel* statusTime_ = nullptr;
    QTimer* clock_ = nullptr;
    QuitWatch* quitWatch_ = nullptr;
};

}  // namespace rf::shell
