#include "sim/panel/front_panel.h"

#include "panel_actions.h"
#include "panel_command.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace rf::sim {

namespace {
QString clock(double seconds) {
    const int s = static_cast<int>(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    return buf;
}
}  // namespace

std::string statusName(const std::string& code) {
    if (code == "00") return "no tape";
    if (code == "10") return "threading";
    if (code == "A0") return "STOP";
    if (code == "20") return "standby off";
    if (code == "81") return "PLAY";
    if (code == "83") return "REC";
    if (code == "84") return "FF";
    if (code == "88") return "REW";
    return code;
}

FrontPanel::FrontPanel(std::shared_ptr<RealTimeRecorder> recorder, QWidget* parent)
    : QWidget(parent), recorder_(std::move(recorder)) {
    setWindowTitle("Simulated recorder");
    // The tool's windows' text size (the application's own may be smaller).
    setFont(QFont("Arial", 10));
    auto* layout = new QVBoxLayout(this);

    auto* transport = new QGroupBox("Transport", this);
    auto* form = new QFormLayout(transport);
    status_ = new QLabel(transport);
    tape_ = new QLabel(transport);
    position_ = new QLabel(transport);
    identity_ = new QLabel(transport);
    hours_ = new QLabel(transport);
    QFont big = status_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    status_->setFont(big);
    form->addRow("Status", status_);
    form->addRow("Tape", tape_);
    form->addRow("Position", position_);
    form->addRow("Identity", identity_);
    form->addRow("Drum hours", hours_);
    layout->addWidget(transport);

    auto* controls = new QGroupBox("Front panel", this);
    auto* grid = new QVBoxLayout(controls);
    remote_ = new QCheckBox("REMOTE (unchecked: LOCAL)", controls);
    grid->addWidget(remote_);
    auto* slot = new QHBoxLayout;
    library_ = new QComboBox(controls);
    for (const Tape& t : recorder_->recorder().transport().library())
        library_->addItem(QString::fromStdString(t.name));
    auto* insert = new QPushButton("Insert", controls);
    auto* eject = new QPushButton("Eject", controls);
    slot->addWidget(library_, 1);
    slot->addWidget(insert);
    slot->addWidget(eject);
    grid->addLayout(slot);
    changer_ = new QCheckBox("Automatic tape changer", controls);
    grid->addWidget(changer_);
    auto* induceRow = new QHBoxLayout;
    induce_ = new QLineEdit(controls);
    induce_->setMaxLength(3);
    induce_->setPlaceholderText("none");
    induce_->setToolTip("The induce code the recorder answers; none: the tool asks for one");
    auto* setInduce = new QPushButton("Set induce", controls);
    induceRow->addWidget(new QLabel("Induce code", controls));
    induceRow->addWidget(induce_, 1);
    induceRow->addWidget(setInduce);
    grid->addLayout(induceRow);
    auto* ageRow = new QHBoxLayout;
    age_ = new QSpinBox(controls);
    age_->setObjectName("age");
    age_->setRange(1, 20000);
    age_->setValue(500);
    age_->setSuffix(" h");
    age_->setToolTip("Hours of running tape to age the recorder by, as between two visits");
    auto* ageBy = new QPushButton("Age", controls);
    ageRow->addWidget(new QLabel("Age the heads by", controls));
    ageRow->addWidget(age_, 1);
    ageRow->addWidget(ageBy);
    grid->addLayout(ageRow);
    layout->addWidget(controls);

    auto* faultBox = new QGroupBox("Faults", this);
    auto* faultLayout = new QVBoxLayout(faultBox);
    auto* faultRow = new QHBoxLayout;
    fault_ = new QComboBox(faultBox);
    fault_->setObjectName("fault");
    // The faults' descriptions are long: the list opens as wide as they are,
    // the panel stays narrow enough to stand beside the tool's main window.
    fault_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fault_->setMinimumContentsLength(24);
    for (const auto& [name, what] : Faults::catalogue())
        fault_->addItem(QString::fromStdString(name + " - " + what), QString::fromStdString(name));
    count_ = new QSpinBox(faultBox);
    count_->setRange(1, 99);
    count_->setValue(1);
    count_->setToolTip("Replies a reply fault acts on");
    auto* on = new QPushButton("On", faultBox);
    auto* off = new QPushButton("Off", faultBox);
    faultRow->addWidget(fault_, 1);
    faultRow->addWidget(count_);
    faultRow->addWidget(on);
    faultRow->addWidget(off);
    faultLayout->addLayout(faultRow);
    faults_ = new QLabel(faultBox);
    faults_->setWordWrap(true);
    faultLayout->addWidget(faults_);
    layout->addWidget(faultBox);
    answer_ = new QLabel(this);
    answer_->setObjectName("answer");
    layout->addWidget(answer_);

    // Every action is a front-panel command, the same language vtrsim reads.
    connect(remote_, &QCheckBox::clicked, this,
            [this](bool checked) { command(checked ? "remote" : "local"); });
    connect(insert, &QPushButton::clicked, this,
            [this] { command("insert " + library_->currentText().toStdString()); });
    connect(eject, &QPushButton::clicked, this, [this] { command("eject"); });
    connect(changer_, &QCheckBox::clicked, this,
            [this](bool checked) { command(checked ? "changer on" : "changer off"); });
    connect(ageBy, &QPushButton::clicked, this,
            [this] { command("age " + std::to_string(age_->value())); });
    connect(setInduce, &QPushButton::clicked, this, [this] {
        const std::string code = induce_->text().trimmed().toStdString();
        command(code.empty() ? "induce clear" : "induce " + code);
    });
    // Only a reply fault takes a count; a state fault is switched on as it is
    // and a line event happens once, with nothing to switch off.
    const auto faultName = [this] { return fault_->currentData().toString().toStdString(); };
    connect(fault_, &QComboBox::currentIndexChanged, this, [this, faultName, off] {
        const vtrsim::FaultKind kind = vtrsim::faultKind(faultName());
        count_->setEnabled(kind == vtrsim::FaultKind::Reply);
        off->setEnabled(kind != vtrsim::FaultKind::LineEvent);
    });
    connect(on, &QPushButton::clicked, this, [this, faultName] {
        const std::string name = faultName();
        command("fault " + name +
                (vtrsim::faultKind(name) == vtrsim::FaultKind::Reply
                     ? " " + std::to_string(count_->value())
                     : ""));
    });
    connect(off, &QPushButton::clicked, this,
            [this, faultName] { command("fault " + faultName() + " off"); });

    // The recorder tells the panel of every command and every change it makes
    // on its own; only a moving tape changes the position shown in between, so
    // the clock runs only while the tape moves.
    watch_ = recorder_->watch([this] { refresh(); });
    timer_ = new QTimer(this);
    timer_->setInterval(250);
    connect(timer_, &QTimer::timeout, this, [this] { refresh(); });
    refresh();
}

FrontPanel::~FrontPanel() {
    recorder_->unwatch(watch_);
}

void FrontPanel::command(const std::string& line) {
    const auto answer = vtrsim::runPanelCommand(vtrsim::parsePanelCommand(line), *recorder_);
    std::string text;
    for (const std::string& l : answer)
        text += (text.empty() ? "" : "\n") + l;
    answer_->setText(QString::fromStdString(text));
    refresh();
}

void FrontPanel::refresh() {
    const PanelState st = recorder_->state();
    const bool moving = st.mode == Mode::Loading || st.mode == Mode::Play || st.mode == Mode::Rec ||
                        st.mode == Mode::FF || st.mode == Mode::Rew || st.mode == Mode::Search;
    if (moving && !timer_->isActive()) timer_->start();
    if (!moving && timer_->isActive()) timer_->stop();
    status_->setText(QString::fromStdString(statusName(st.statusCode)));
    tape_->setText(st.tape ? QString::fromStdString(*st.tape) : QString("-"));
    QString where = st.tape ? clock(st.position) + " of " + clock(st.length) : QString("-");
    if (st.tape)
        where += st.remaining ? ", " + clock(*st.remaining) + " left" : ", remaining unknown";
    position_->setText(where);
    identity_->setText(QString::fromStdString(
        st.id + (st.induce == "   " ? ", no induce code" : ", induce " + st.induce)));
    hours_->setText(QString::number(static_cast<long long>(st.drumHours)) + " (heads " +
                    QString::number(st.wearAge) + " h past the start)");
    remote_->setChecked(st.remote);
    changer_->setChecked(st.autoChanger);
    Faults& f = recorder_->recorder().faults();
    QStringList active;
    for (const auto& [name, what] : Faults::catalogue()) {
        if (FaultSwitch* reply = f.replySwitch(name); reply && reply->count > 0)
            active << QString::fromStdString(name) + " x" + QString::number(reply->count);
        if (bool* state = f.stateSwitch(name); state && *state)
            active << QString::fromStdString(name);
    }
    faults_->setText(active.isEmpty() ? "No faults on." : "On: " + active.join(", "));
}

}  // namespace rf::sim
