#pragma once

#include <string>

#include "link/rs_commands.h"
#include "run/context.h"
#include "shell/main_form.h"
#include "shell/run_control.h"

namespace rf::app {

// "ab" -> " AB": the last three characters of three blanks and the answer in
// upper case.
std::string induceCode(const std::string& answer);

// The main window's connection with the recorder: the check on activation,
// the Set Induce command and the close handler.
class Connection {
  public:
    Connection(shell::MainForm& form, run::RunContext& ctx, shell::ToolHost& host,
               shell::RunControl& run)
        : form_(form), ctx_(ctx), rs_(ctx.rs), host_(host), run_(run) {}

    // Waits for remote mode, checks the model and its software, reads or asks
    // for the induce code, names the recorder and leaves it without a tape.
    void Form_Activate();
    // Help menu "Set Induce".
    void SetInduce();
    // The operator closes the main window: leave adjustment mode, eject, end.
    // A recorder that does not answer costs one time-out; the failure goes to
    // the log and the program ends all the same.
    void Form_QueryUnload();

  private:
    void nameRecorder();
    void stopAndEject();

    shell::MainForm& form_;
    run::RunContext& ctx_;
    link::Rs& rs_;
    shell::ToolHost& host_;
    shell::RunControl& run_;
};

}  // namespace rf::app
