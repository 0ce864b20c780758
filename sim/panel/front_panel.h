#pragma once

#include <QWidget>
#include <memory>

#include "sim/realtime/qt_sim_port.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace rf::sim {

// The front panel of the built-in simulated recorder: transport status and
// tape, the drum hours, the remote/local switch, a tape slot with the library,
// eject, the automatic tape changer, the induce code, ageing the recorder
// between visits and the fault switches.
class FrontPanel : public QWidget {
  public:
    explicit FrontPanel(std::shared_ptr<RealTimeRecorder> recorder, QWidget* parent = nullptr);
    ~FrontPanel() override;

    // Shows the recorder as it is now.
    void refresh();
    // Carries out a front-panel command ("insert BLANK", "fault error 3", ...)
    // and shows its answer.
    void command(const std::string& line);

  private:
    std::shared_ptr<RealTimeRecorder> recorder_;
    RealTimeRecorder::ObserverId watch_ = 0;
    QLabel* status_ = nullptr;
    QLabel* tape_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* identity_ = nullptr;
    QLabel* hours_ = nullptr;
    QCheckBox* remote_ = nullptr;
    QComboBox* library_ = nullptr;
    QCheckBox* changer_ = nullptr;
    QLineEdit* induce_ = nullptr;
    QSpinBox* age_ = nullptr;
    QComboBox* fault_ = nullptr;
    QSpinBox* count_ = nullptr;
    QLabel* faults_ = nullptr;
    QLabel* answer_ = nullptr;
    QTimer* timer_ = nullptr;
};

// "PLAY", "no tape", ... for a status code the recorder reports.
std::string statusName(const std::string& code);

}  // namespace rf::sim
