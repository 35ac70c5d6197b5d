// A pseudo-terminal pair for tests of the serial line: the driver opens the
// slave by its path, the test plays the indicator on the master. Both sides
// start raw (no echo, no canonical mode, no translation), so what one side
// writes arrives unchanged at the other.
#pragma once

#if !defined(_WIN32)

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
  public:
    PtyPair();  // fails the running test (and leaves ok() false) when no pty can be had
    ~PtyPair(); // closes whatever is still open
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    // The slave's path, for CreateFileA or ComPortOpen ("/dev/pts/N").
    const std::string& path() const { return path_; }
    int masterFd() const { return master_; }
    // The slave descriptor the pair keeps open, to read back the line settings.
    int slaveFd() const { return slave_; }

    // The indicator's side: writes every byte (true when all were written).
    bool Send(const void* bytes, size_t count);
    bool Send(const std::vector<uint8_t>& bytes) { return Send(bytes.data(), bytes.size()); }
    // Reads what arrives on the master until `count` bytes came or `timeout`
    // passed; returns what came.
    std::vector<uint8_t> Receive(size_t count, std::chrono::milliseconds timeout);
    // Waits until the slave side holds `count` unread bytes (the pty moves
    // bytes across asynchronously); false after `timeout`.
    bool WaitUntilQueued(size_t count, std::chrono::milliseconds timeout);
    // Hangs up the indicator's side: closes the master.
    void CloseMaster();

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

#endif
