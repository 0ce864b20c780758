#include "app/tool.h"

#include <filesystem>
#include <vector>

#include "app/settings.h"
#include "app/unfinished_run.h"
#include "core/errors.h"
#include "core/steps.h"
#include "core/version.h"
#include "measure/error_panel.h"
#include "measure/tape_handling.h"

namespace rf::app {

using platform::Answer;

Tool::Tool(platform::Platform& platform, std::filesystem::path workDir)
    : platform_(platform),
      workDir_(std::move(workDir)),
      link_(platform),
      rs_(link_, recorder_.AdjModeOn),
      log_(fileIn(settings_.AdjLogFile)),
      form_(state_, settings_, link_),
      ctx_(state_, rs_, log_, platform, form_, fileIn(run::JournalFileName)),
      run_(form_, ctx_, *this, programmes_),
      connection_(form_, ctx_, *this, run_),
      pbMeasure_(ctx_),
      recMeasure_(ctx_) {
    programmes_.PbAdjustMain = [this] { pbAdjust_.PbAdjustMain(); };
    programmes_.RecAdjustMain = [this] { recAdjust_.RecAdjustMain(); };
    programmes_.PbMeasureMain = [this] { pbMeasure_.PbMeasureMain(); };
    programmes_.RecMeasureMain = [this] { recMeasure_.RecMeasureMain(); };
    programmes_.ShowErrorResult = [this] { results_.show(results::ResultWindowId::ErrResult); };
    programmes_.AdjustBegins = [this] {
        adjustRecord_.clear(dir::Playback);
        adjustRecord_.clear(dir::Record);
        results::showRun(levelCurves_, results::CurveRun::InProgress);
    };
    programmes_.AdjustReport = [this](bool stopped) { writeReport(stopped); };
    programmes_.RunBegins = [this] {
        runStarted_ = platform_.now();
        estimateRun();
    };
    ctx_.markPassed = [this](const run::RunMark& mark) {
        if (!remaining_) return;
        remaining_->passed(mark);
        showTimeLeft();
    };
    programmes_.RunEnds = [this](const run::Outcome& outcome) {
        endEstimate();
        results_.runEnded(outcome);
        if (levelCurves_.run == results::CurveRun::InProgress)
            results::showRun(levelCurves_, results::CurveRun::Last);
        showVerdict(outcome);
        keepRun(verdict_.programme, outcome);
    };
    programmes_.DataTransfer = [this](run::ProgramItem item) {
        runStarted_ = platform_.now();
        const auto ended = dataTransfer_.run(
            item, [this](const RfError& e, std::string_view) { return run_.onError(e); });
        if (!ended) return;
        run::Outcome outcome;
        if (ended->ignored > 0)
            outcome.incomplete = std::to_string(ended->ignored) + " command(s) ignored";
        keepRun(item == run::ProgramItem::DownLoad ? "Data DownLoad"
                : item == run::ProgramItem::UpLoad ? "Data UpLoad"
                                                   : "Data Initialize",
                outcome);
    };
    link_.setEndProgram([this](const std::string& text) { endProgram(text); });
    // Work in progress unwinds from the failed exchange and ends at the top
    // (handle); in the idle window the end comes at once.
    link_.setLineFailed([this](const std::string&) {
        if (busy_ == 0) handle([] {});
    });
    adjustRecord_.watcher = [this] { results::showRecord(levelCurves_, adjustRecord_); };
}

std::string Tool::fileIn(const std::string& name) const {
    return workDir_.empty() ? name : (workDir_ / name).string();
}

Tool::~Tool() {
    link_.attach(nullptr);
    log_.close();
}

bool Tool::Main() {
    if (!platform_.acquireSingleInstance()) return false;

    const char* fileBeingRead = nullptr;
    const std::vector<Step> steps = {
        [&] {
            // The file names, the induce check and the default adjustment data.
            settings_.AdjLogFile = fileIn("QT7310AdjLog.txt");
            settings_.ErrDataFile = fileIn("QT7310Err.dat");
            settings_.EvrDataFile = fileIn("QT7310Evr.dat");
            settings_.InduceCheck = true;
            presetDefaults(tables_.PbIniData, tables_.RecIniData);
        },
        [&] {
            fileBeingRead = DvtrRfFile;
            settings_.DvtrRf = readDvtrRf(fileIn(DvtrRfFile));
            fileBeingRead = nullptr;
        },
        [&] {
            fileBeingRead = RsSetFile;
            RsSettings rs = readRsSet(fileIn(RsSetFile));
            fileBeingRead = nullptr;
            settings_.RsPortNo = rs.port.number;
            settings_.RsPortName = rs.port.name;
            settings_.RsBaud = rs.baud;
            settings_.RsParity = rs.parity;
            settings_.RsDataBit = rs.dataBits;
            settings_.RsStopBit = rs.stopBits;
        },
        [&] { flags_.FormInitDone = false; },
        [&] {
            FormLoad();
            form_.setVisible(true);
        },
    };
    const auto outcome = runSteps(steps, [&](const RfError& e, std::string_view) {
        ErrorChoice choice = startupError(e, fileBeingRead);
        fileBeingRead = nullptr;
        return choice;
    });
    if (outcome == StepsOutcome::Aborted) {
        endProgram();
        return false;
    }
    // The window's first activation.
    handle([this] { formActivate(); });
    return !ended_;
}

ErrorChoice Tool::startupError(const RfError& error, const char* fileBeingRead) {
    std::string text;
    if (error.number() == err::FileNotFound && fileBeingRead) {
        text = std::string(fileBeingRead) + " Not Found !!";
    } else {
        text = otherErrorText(error.number());
        std::string detail = error.detail();
        if (fileBeingRead)
            detail = std::string(fileBeingRead) + (detail.empty() ? "" : ": " + detail);
        if (!detail.empty()) text += "\n" + detail;
    }
    const Answer answer = platform_.dialogs().msgBox(text, platform::Buttons::AbortRetryIgnore,
                                                     platform::Icon::Critical, "ERROR Message");
    // At start-up Ignore cannot go on without the failing step: it ends the program too.
    return answer == Answer::Retry ? ErrorChoice::Retry : ErrorChoice::Abort;
}

void Tool::FormLoad() {
    // Retry runs the load step again: start from a closed port and log.
    log_.close();
    closePort();
    DataInit(tables_, rates_);
    form_.LpOtherInit();
    openPort();
    log_.open(platform_.now());
}

void Tool::openPort() {
    if (port_ && port_->isOpen()) port_->close();
    if (settings_.RsPortName.empty())
        Raise(err::PortInvalid, "port " + std::to_string(settings_.RsPortNo) +
                                    ": ports are numbered from 1 in " + RsSetFile);
    const auto settings =
        platform::parseSettings(settings_.RsBaud + "," + settings_.RsParity + "," +
                                settings_.RsDataBit + "," + settings_.RsStopBit);
    // The same device keeps its port object (a simulated recorder keeps its state
    // across a Program Reset); another device gets a new one.
    if (!port_ || port_->name() != settings_.RsPortName) {
        link_.attach(nullptr);
        port_ = platform_.createSerialPort(settings_.RsPortName);
    }
    link_.attach(port_.get());
    link_.reset();
    port_->open(settings);
    if (portOpened_) portOpened_(*port_);
}

void Tool::makeRecorderSafe() {
    if (!port_ || !port_->isOpen()) return;
    try {
        makeSafe(ctx_, !rs_.adjModeOn());
    } catch (const RfError&) {
        // A recorder that does not answer is not made safe from here; the
        // program ends all the same, with the error the operator was shown.
    }
}

void Tool::closePort() {
    if (port_ && port_->isOpen()) port_->close();
}

void Tool::menuPrg(int index) {
    const auto item = run::programItemAt(index);
    const auto& menu = form_.model().MenuPrg;
    if (!item || !menu.enabled || !form_.model().prgItem(*item).enabled) return;
    // STOP and IRQ only raise their requests, and END ends: they act on the
    // work in progress. Every other item is work of its own.
    using run::ProgramItem;
    const bool actsOnWork =
        *item == ProgramItem::Stop || *item == ProgramItem::Irq || *item == ProgramItem::End;
    operatorAction(actsOnWork ? DuringWork::Allowed : DuringWork::Refused,
                   [&] { run_.MenuPrgSelect_Click(*item); });
}

void Tool::menuFile(int index) {
    const auto& menu = form_.model().MenuFile;
    if (index < 0 || index >= static_cast<int>(menu.items.size())) return;
    if (!menu.enabled || !menu.items[static_cast<std::size_t>(index)].enabled) return;
    operatorAction(DuringWork::Refused, [&] {
        runStarted_ = platform_.now();
        fileMenu_.MenuFileSelect_Click(index);
    });
}

void Tool::menuIndicate(int index) {
    const auto& menu = form_.model().MenuIndicate;
    using run::IndicateItem;
    if (index < 0 || index > menuIndex(IndicateItem::History) ||
        index >= static_cast<int>(menu.items.size()))
        return;
    if (!menu.enabled || !menu.items[static_cast<std::size_t>(index)].enabled) return;
    using results::ResultWindowId;
    // Opening a window makes it visible and reads the tables: nothing inside
    // a programme's waits is started or waited for, so it is taken during work.
    operatorAction(DuringWork::Allowed, [&] {
        if (index == menuIndex(IndicateItem::LevelCurves)) {
            levelCurves_.visible = true;
            ++levelCurves_.asked;
            levelCurves_.changes.mark(shell::Area::Window);
            return;
        }
        if (index == menuIndex(IndicateItem::History)) {
            history_.visible = true;
            ++history_.asked;
            history_.changes.mark(shell::Area::Window);
            return;
        }
        results_.show(index == menuIndex(IndicateItem::ErrorRate) ? ResultWindowId::ErrResult
                                                                  : ResultWindowId::EvrResult);
    });
}

void Tool::resultActivated(results::ResultWindowId window) {
    operatorAction(DuringWork::Allowed, [&] { results_.activated(window); });
}

void Tool::resultClosed(results::ResultWindowId window) {
    operatorAction(DuringWork::Allowed, [&] { results_.hide(window); });
}

void Tool::formatSelected(int index) {
    operatorAction(DuringWork::Allowed, [&] { results_.FormatSel_Click(index); });
}

void Tool::historyAction(const std::function<void()>& action) {
    operatorAction(DuringWork::Refused, action);
}

void Tool::printClicked(results::ResultWindowId window, results::WindowPrint& print) {
    operatorAction(DuringWork::Refused, [&] { results_.PrintGo_Click(window, print); });
}

void Tool::menuHelp(int index) {
    const auto& menu = form_.model().MenuHelp;
    if (index < 0 || index >= static_cast<int>(menu.items.size())) return;
    if (!menu.enabled || !menu.items[static_cast<std::size_t>(index)].enabled) return;
    operatorAction(DuringWork::Refused, [&] {
        if (index == menuIndex(run::HelpItem::SetInduce)) connection_.SetInduce();
        if (index == menuIndex(run::HelpItem::Version)) {
            version_.visible = true;
            version_.changes.mark(shell::Area::Window);
        }
    });
}

void Tool::partAdjCheck(int index) {
    operatorAction(DuringWork::Refused, [&] { form_.PartAdjCheck_Click(index); });
}

void Tool::checkBox(shell::CheckBoxId box) {
    operatorAction(DuringWork::Refused, [&] { form_.CheckBox_Click(box); });
}

void Tool::tabSelected(int index) {
    // Choosing a page to look at is no work: it is taken at any time.
    form_.selectTab(index);
}

void Tool::errSelect() {
    // The error-rate panel's group button works during a measurement.
    operatorAction(DuringWork::Allowed, [&] { measure::ErrSelect_Click(form_, rates_, flags_); });
}

void Tool::operatorAction(DuringWork during, const std::function<void()>& action) {
    // A failed line's end is on its way: nothing new starts.
    if (ended_ || closing_ || link_.failure()) return;
    // Started inside the wait of another action it would run on the other's
    // state and leave it unable to resume: it is not started at all.
    if (busy_ > 0 && during == DuringWork::Refused) return;
    handle(action);
}

void Tool::handle(const std::function<void()>& action) {
    ++busy_;
    struct Done {
        int& busy;
        ~Done() { --busy; }
    } done{busy_};
    action();
    if (busy_ != 1 || ended_) return;
    if (const auto failure = link_.failure()) {
        endAfterLineFailure(*failure);
    } else if (closePending_) {
        closePending_ = false;
        close();
    }
}

results::Verdict Tool::judge(const run::Outcome& outcome) const {
    const bool adjust = flags_.PbAdjRun || flags_.RecAdjRun;
    results::Verdict v =
        results::judgeRun(outcome, rates_, selection_, adjust ? &adjustRecord_ : nullptr);
    if (v.kind == results::Verdict::Kind::Fail && flags_.RecAdjRun) {
        const std::string hint = recordWithoutPlaybackWarning(selection_, flags_.PbAdjRun);
        if (!hint.empty()) v.items.push_back("likely cause: " + hint);
    }
    return v;
}

void Tool::showVerdict(const run::Outcome& outcome) {
    verdict_.programme = flags_.PbAdjRun || flags_.RecAdjRun ? "Adjust" : "Error Rate";
    verdict_.verdict = judge(outcome);
    verdict_.report = verdict_.programme == "Adjust" ? lastReport_ : "";
    verdict_.visible = true;
    ++verdict_.asked;
    verdict_.changes.mark(shell::Area::Window);
}

void Tool::estimateRun() {
    endEstimate();
    if (!estimator_) return;
    const shell::MainWindowModel& m = window();
    int part = 0;
    for (std::size_t i = 0; i < m.PartAdjCheck.size(); ++i)
        if (m.PartAdjCheck[i].value) part = static_cast<int>(i);
    auto plan = estimator_({.adjust = m.prgItem(run::ProgramItem::Adjust).checked,
                            .part = part,
                            .selection = selection_,
                            .recorder = recorder_,
                            .tables = tables_,
                            .settings = settings_});
    // A rehearsal that did not get through tells nothing: no estimate.
    if (!plan) return;
    remaining_.emplace(std::move(*plan));
    if (!timeLeftTimer_) {
        timeLeftTimer_ = platform_.createTimer();
        timeLeftTimer_->setInterval(1000);
        timeLeftTimer_->setHandler([this] { showTimeLeft(); });
    }
    timeLeftTimer_->setEnabled(true);
    showTimeLeft();
}

void Tool::showTimeLeft() {
    if (!remaining_ || !ctx_.timeline.running()) return;
    const run::TimeLeft left = remaining_->at(ctx_.timeline.workTime(ctx_.clock.now()));
    form_.timeLeft(run::timeLeftText(left) +
                   (ctx_.clock.waitingForOperator() ? ", once the tape asked for is in" : ""));
}

void Tool::endEstimate() {
    remaining_.reset();
    if (timeLeftTimer_) timeLeftTimer_->setEnabled(false);
    form_.timeLeft("");
}

void Tool::keepRun(const std::string& programme, const run::Outcome& outcome) {
    if (!keeper_) return;
    keeper_({programme, runStarted_, outcome},
            [this](const std::string& said) { runKeptTold(said); });
}

void Tool::runKeptTold(const std::string& said) {
    if (said == form_.model().RecordsNotice) return;  // told already
    form_.edit(shell::Area::Status).RecordsNotice = said;
    if (!said.empty()) ctx_.logAndShow(said);
}

void Tool::writeReport(bool stopped) {
    lastReport_.clear();
    if (!reportWriter_) return;
    // The bare number: the version window's label has its own wording.
    report::RunFacts facts{.date = platform_.now(),
                           .toolVersion = toolVersion(),
                           .stopped = stopped,
                           .incomplete = run_.incomplete(),
                           .drumHours = std::nullopt,
                           .drumHoursError = "",
                           .verdict = {}};
    // A recorder that does not answer is said so in the report, which is written anyway.
    try {
        facts.drumHours = rs_.QhrRead(0);
    } catch (const RfError& e) {
        facts.drumHoursError = linkErrorText(e.number());
    }
    const std::string path = fileIn(report::reportPath(recorder_.VtrName, facts.date));
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    facts.verdict = judge({.stopped = stopped, .incomplete = facts.incomplete});
    const std::string failed =
        reportWriter_(report::buildContent(recorder_, tables_, rates_, adjustRecord_, facts), path);
    if (failed.empty()) {
        lastReport_ = path;
        return;
    }
    // The operator learns that the record of the run is missing, and why.
    const std::string text = "Report not written: " + failed;
    if (log_.isOpen()) log_.writeText(text);
    platform_.dialogs().msgBox(text, platform::Buttons::Ok, platform::Icon::Exclamation,
                               "Adjustment Report");
}

void Tool::closeRequested() {
    if (ended_ || closing_) return;  // a second close while closing: the first one ends
    if (busy_ > 0) {
        // Not in the middle of an exchange: ask the work to stop, close after it.
        closePending_ = true;
        flags_.stop.request();
        return;
    }
    handle([this] { close(); });
}

void Tool::close() {
    closing_ = true;
    connection_.Form_QueryUnload();
}

void Tool::endAfterLineFailure(const std::string& text) {
    link_.recover();
    ctx_.recordUnfinished(text);
    ctx_.putRecorderBack();
    makeRecorderSafe();
    endProgram(text);
}

void Tool::endProgram(const std::optional<std::string>& errorText) {
    // A close whose exchanges met the failed line ends as the failure does.
    if (const auto failure = link_.failure()) return endAfterLineFailure(*failure);
    try {
        if (log_.isOpen()) {
            if (errorText) log_.writeText(*errorText);
            log_.writeDateLine(platform_.now());
        }
    } catch (const RfError&) {
        // The program ends either way; a log that cannot be written must not stop it.
    }
    log_.close();
    closePort();
    link_.reset();
    ended_ = true;
    platform_.requestEnd();
}

}  // namespace rf::app
