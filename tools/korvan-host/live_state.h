// korvan-host live: what the host's automation object hears and answers.
// The object's members may be called from any thread (the plug-in's window
// thread, COM's threads); the script runner waits on this state.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace korvan::host {

// One call the host object received: "3 command <SP1>", "3 frequency",
// "3 item 5", "3 refused 7".
struct JournalLine {
    int phase = 0;
    std::string member;
    std::string text;
};
std::string formatJournalLine(const JournalLine& line);

// What member 8 answers.
struct QsoItemAnswer {
    enum Kind { text, integer } kind = text;
    std::string value;  // kind text: the call ("" for an empty text)
    int number = 0;     // kind integer
};

class HostObjectState {
public:
    // Script side. Each of these starts a new phase.
    void setFrequency(double hertz);
    void setQsoItem(const QsoItemAnswer& answer);
    void disconnect();

    // Object side (any thread). false: the object is disconnected and the
    // call fails without being journaled.
    bool command(const std::string& text);
    bool frequency(double& hertz);
    bool qsoItem(int item, QsoItemAnswer& answer);
    // A member or a kind of call the object does not serve.
    void refuse(const std::string& what);

    bool disconnected() const;
    std::vector<JournalLine> journal() const;

    // Waits (bounded) until COMMAND arrives after the commands already
    // awaited; wait is called between checks (it may pump messages).
    bool expectCommand(const std::string& command, std::chrono::milliseconds limit,
                       const std::function<void(std::chrono::milliseconds)>& wait);
    // Waits until the frequency was read count more times than the reads
    // already awaited.
    bool expectReads(std::size_t count, std::chrono::milliseconds limit,
                     const std::function<void(std::chrono::milliseconds)>& wait);
    // Commands received since the previous call.
    std::vector<std::string> takeNewCommands();

private:
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit,
                 const std::function<void(std::chrono::milliseconds)>& wait);

    mutable std::mutex lock_;
    double frequency_ = 0.0;
    QsoItemAnswer item_;
    bool disconnected_ = false;
    int phase_ = 0;
    std::vector<JournalLine> journal_;
    std::vector<std::string> commands_;
    std::size_t expectedCommands_ = 0;  // commands before this index were awaited
    std::size_t observedCommands_ = 0;  // ... or reported by takeNewCommands
    std::size_t reads_ = 0;
    std::size_t expectedReads_ = 0;
};

}  // namespace korvan::host
