#include "shell/main_window_model.h"

namespace rf::shell {

namespace {
MenuItem item(std::string caption, std::string shortcut = {}) {
    MenuItem i;
    i.caption = std::move(caption);
    i.shortcut = std::move(shortcut);
    return i;
}
Toggle toggle(std::string caption, bool value = false) {
    Toggle t;
    t.caption = std::move(caption);
    t.value = value;
    return t;
}
}  // namespace

MainWindowModel::MainWindowModel() {
    MenuPrg.caption = "Program(&P)";
    MenuPrg.items = {
        item("Adjust", "F1"),  item("Error Rate", "F2"), item("-"), item("START", "F5"),
        item("IRQ", "Ctrl+I"), item("STOP", "Ctrl+Z"),   item("-"), item("Data DownLoad"),
        item("Data UpLoad"),   item("Data Initialize"),  item("-"), item("Program Reset"),
        item("END", "F9")};
    MenuFile.caption = "File(&F)";
    MenuFile.items = {item("Save"), item("Load")};
    MenuIndicate.caption = "Indicate(&I)";
    MenuIndicate.items = {item("Error Rate"), item("EVR"), item("Level Curves"), item("History")};
    MenuHelp.caption = "Help(&H)";
    MenuHelp.items = {item("Set Induce"), item("-"), item("Version")};
    for (const char* c : {"ALL", "HDLP PB", "HDLP REC", "HDSP PB", "50/25 PB", "DV PB"}) {
        TabPage page;
        page.caption = c;
        AdjTab.push_back(page);
    }
    PartAdjCheck = {toggle("ALL", true), toggle("PB"), toggle("REC")};
    PbLpCheck = {toggle("CONF"), toggle("S_CONF"), toggle("SLOW L13/R24"), toggle("SLOW L24/R13"),
                 toggle("R/P")};
    RecLpCheck = PbSpCheck = PbProCheck = PbDvCheck = toggle("ALL HEADS");
}

}  // namespace rf::shell
