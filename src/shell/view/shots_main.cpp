// rfshots: renders the main window (idle and during a run) and the version
// window to PNG files, from models filled here with sample states; it needs no
// recorder. Usage: rfshots <output directory>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleFactory>
#include <cstdio>

#include "shell/view/main_window_view.h"
#include "shell/view/render_png.h"
#include "shell/view/version_window_view.h"

namespace {

using namespace rf::shell;

class NoEvents final : public MainWindowEvents {
  public:
    void menuPrg(int) override {}
    void menuFile(int) override {}
    void menuIndicate(int) override {}
    void menuHelp(int) override {}
    void partAdjCheck(int) override {}
    void checkBox(CheckBoxId) override {}
    void tabSelected(int) override {}
    void errSelect() override {}
    void closeRequested() override {}
    void versionClosed() override {}
};

void allBoxes(MainWindowModel& m, bool value, bool enabled) {
    for (Toggle* box : {&m.PbLpCheck[0], &m.PbLpCheck[1], &m.PbLpCheck[2], &m.PbLpCheck[3],
                        &m.PbLpCheck[4], &m.RecLpCheck, &m.PbSpCheck, &m.PbProCheck, &m.PbDvCheck})
        *box = {box->caption, value, enabled};
}

// Waiting for the operator: every programme may be chosen, "ALL" adjusts all blocks.
MainWindowModel idleModel() {
    MainWindowModel m;
    m.caption = "RF ADJUST TOOL : QT7310XYZ_V2.10.00";
    m.visible = true;
    m.Message.caption = "Please Select MENU !!";
    for (auto& item : m.MenuPrg.items)
        item.enabled = true;
    m.MenuPrg.items[prg::Irq].enabled = false;
    m.MenuPrg.items[prg::Stop].enabled = false;
    m.MenuPrg.items[prg::Adjust].checked = true;
    m.MenuHelp.items[0].enabled = false;  // "Set Induce" needs the induce permission
    for (std::size_t t = 0; t < m.AdjTab.size(); ++t)
        m.AdjTab[t].enabled = t == 0;
    m.selectedTab = 0;
    for (std::size_t i = 0; i < m.PartAdjCheck.size(); ++i)
        m.PartAdjCheck[i].value = i == 0;
    allBoxes(m, true, false);
    m.ErrSelect = "Video";
    m.StatusText = "STOP";
    return m;
}

Color hdlpConfColor(int step) {
    if (step >= 18) return colors::Red;
    if (step >= 8) return colors::Orange;
    return colors::Green;
}

// A playback measurement under way: only STOP may be chosen.
MainWindowModel runningModel() {
    MainWindowModel m = idleModel();
    for (auto& item : m.MenuPrg.items)
        item.enabled = false;
    m.MenuPrg.items[prg::Stop].enabled = true;
    for (Menu* menu : {&m.MenuFile, &m.MenuIndicate, &m.MenuHelp}) {
        menu->enabled = false;
        for (auto& item : menu->items)
            item.enabled = false;
    }
    for (auto& tab : m.AdjTab)
        tab.enabled = false;
    for (auto& option : m.PartAdjCheck)
        option.enabled = false;
    m.Message.caption = "Master Error Rate";
    m.LogText =
        "QT7310XYZ_V2.10.00  Play Measure Start\r\n"
        "MAGVEX HDLP,18000rpm,PB,PB,Conf Start !\r\n"
        "Master Error Rate\r\n"
        "Video:-4.35,-4.40,-4.21,-4.33\r\n";
    m.ProgressBar = 40;
    m.TimeDsp = {"00", "12", "34", "05"};
    m.RemainDsp = {"00", "17", "26"};
    const int steps[] = {6, 9, 12, 18};
    for (std::size_t bar = 0; bar < m.ErrDsp.size(); ++bar)
        for (std::size_t seg = 0; seg < m.ErrDsp[bar].size(); ++seg)
            m.ErrDsp[bar][seg] =
                static_cast<int>(seg) < steps[bar] ? hdlpConfColor(steps[bar]) : colors::Black;
    m.MF2ChLabel = {"LH", "LL", "RH", "RL"};
    m.MF2KindLabel = "CONF";
    m.StatusText = "PLAY";
    return m;
}

bool save(QWidget& window, const QImage& image, const QDir& dir, const char* name) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "rfshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s (%dx%d) %s\n", qPrintable(path), image.width(), image.height(),
                qPrintable(window.windowTitle()));
    return true;
}

// The window with one of its menus dropped down: menus are windows of their
// own, so the menu is grabbed separately and drawn where it opens.
QImage withMenuOpen(rf::shell::MainWindowView& view, QMenu* menu) {
    QImage image = rf::shell::renderWindow(view);
    const QRect title = view.menuBar()->actionGeometry(menu->menuAction());
    const QPoint at = view.menuBar()->mapTo(&view, title.bottomLeft()) + QPoint(0, 1);
    menu->popup(view.mapToGlobal(at));
    QApplication::processEvents();
    const QImage dropped = menu->grab().toImage();
    menu->hide();
    QPainter p(&image);
    const int captionHeight = image.height() - view.height();
    p.drawImage(at + QPoint(0, captionHeight), dropped);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: rfshots <output directory>\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "rfshots: cannot create %s\n", argv[1]);
        return 1;
    }
    NoEvents events;
    bool ok = true;
    {
        const MainWindowModel idle = idleModel();
        rf::shell::MainWindowView view(idle, events);
        view.resize(1366, 768);
        QApplication::processEvents();
        ok = save(view, withMenuOpen(view, view.menu(0)), dir, "main-idle.png") && ok;
    }
    {
        const MainWindowModel running = runningModel();
        rf::shell::MainWindowView view(running, events);
        view.resize(1366, 768);
        QApplication::processEvents();
        ok = save(view, rf::shell::renderWindow(view), dir, "main-running.png") && ok;
    }
    {
        VersionWindowModel version;
        version.visible = true;
        rf::shell::VersionWindowView view(version, events);
        view.adjustSize();
        QApplication::processEvents();
        ok = save(view, rf::shell::renderWindow(view), dir, "version.png") && ok;
    }
    return ok ? 0 : 1;
}
