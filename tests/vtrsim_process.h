#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <string>

namespace rf::test {

// A vtrsim child process serving on a link, and what it has said so far.
struct Vtrsim {
    explicit Vtrsim(const std::filesystem::path& link, QStringList options = {}) : link(link) {
        options << QString::fromStdString(link.string());
        process.start(VTRSIM_PATH, options);
    }
    ~Vtrsim() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(5000);
    }

    // Waits until the link stands and points to a terminal.
    bool serving() {
        for (int i = 0; i < 500; ++i) {
            const QFileInfo info(QString::fromStdString(link.string()));
            if (info.isSymLink() && info.symLinkTarget().startsWith("/dev/pts/")) return true;
            if (process.state() == QProcess::NotRunning) return false;
            QThread::msleep(10);
        }
        return false;
    }
    // Waits for a line of output that holds `text`; false when none comes.
    bool says(const std::string& text, int guardMs = 5000) {
        for (int waited = 0; waited < guardMs; waited += 50) {
            output += process.readAllStandardOutput().toStdString();
            if (output.find(text) != std::string::npos) return true;
            if (!process.waitForReadyRead(50) && process.state() == QProcess::NotRunning) {
                output += process.readAllStandardOutput().toStdString();
                return output.find(text) != std::string::npos;
            }
        }
        return false;
    }
    // Sends a front-panel line and waits for the answer that holds `text`: the
    // output from the line on to the end of that answer's line, or "" when it
    // does not come within 5 s.
    std::string ask(const std::string& line, const std::string& text) {
        output += process.readAllStandardOutput().toStdString();
        const std::size_t from = output.size();
        panel(line);
        for (int waited = 0; waited < 5000; waited += 20) {
            output += process.readAllStandardOutput().toStdString();
            const auto at = output.find(text, from);
            const auto end = at == std::string::npos ? at : output.find('\n', at);
            if (end != std::string::npos) return output.substr(from, end + 1 - from);
            process.waitForReadyRead(20);
        }
        return {};
    }
    void panel(const std::string& line) {
        process.write((line + "\n").c_str());
        process.waitForBytesWritten(2000);
    }

    std::filesystem::path link;
    QProcess process;
    std::string output;
};

}  // namespace rf::test
