#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace rf::testing {

// A pseudo-terminal pair: the program opens the slave by its path as if it
// were a serial device, the far end talks through the master. The slave is
// put in raw mode and one slave descriptor stays open, so the master does
// not see a hang-up while the program has the port closed.
class PtyPair {
  public:
    PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    ~PtyPair();

    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }
    // The slave descriptor the pair keeps open, for talking without a serial port.
    int slave() const { return slave_; }
    // The far end goes away: the program's side of the line fails.
    void closeMaster();

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// The far end of the line on its own thread. It cuts what the program writes
// into frames at every ETX and hands each frame to the responder, which
// answers through send() (or does not answer at all).
class PtyPeer {
  public:
    using Responder = std::function<void(const std::string& frame, PtyPeer& peer)>;

    PtyPeer(int masterFd, Responder responder);
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;
    ~PtyPeer();

    // Writes to the program; callable from the responder and from other threads.
    void send(std::string_view bytes);
    // Every frame received so far.
    std::vector<std::string> frames() const;

  private:
    void run();

    int master_;
    Responder responder_;
    std::atomic<bool> stop_ = false;
    mutable std::mutex mutex_;
    std::vector<std::string> frames_;
    std::thread thread_;
};

}  // namespace rf::testing
