// The simulator's end of the serial line: a pseudo-terminal it creates, or a
// serial device it is given. Linux only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace sim {

struct LineConfig {
    unsigned baud = 9600;
    unsigned dataBits = 7;
    char parity = 'E'; // N, O or E
    unsigned stopBits = 1;
};

class SerialLine {
  public:
    // A new pseudo-terminal; Path() is the name of its terminal side.
    static std::unique_ptr<SerialLine> OpenPty(const LineConfig& config, std::string* error);
    static std::unique_ptr<SerialLine> OpenDevice(const std::string& path, const LineConfig& config,
                                                  std::string* error);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    const std::string& Path() const { return path_; }

    // Writes without waiting; returns the number of bytes the line took.
    size_t Write(const uint8_t* bytes, size_t count);

    // Bytes written but not yet read by the receiver (a pseudo-terminal
    // only; 0 for a device, whose own queue is out of sight).
    size_t Unread() const;

    // Reads and drops whatever the receiver sent back (an echo, say).
    void DropIncoming();

  private:
    SerialLine(int fd, int peer, std::string path) : fd_(fd), peer_(peer), path_(std::move(path)) {}
    int fd_ = -1;   // where the simulator writes
    int peer_ = -1; // the terminal side of a pseudo-terminal, held open
    std::string path_;
};

} // namespace sim
