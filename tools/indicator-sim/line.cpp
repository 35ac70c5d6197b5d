#include "line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

speed_t SpeedOf(unsigned baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

// Raw bytes in both directions, with the character format of the indicator.
bool Configure(int fd, const LineConfig& config, std::string* error) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        *error = std::string("cannot read the line settings: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag |= config.dataBits == 7 ? CS7 : CS8;
    if (config.parity == 'E') {
        tio.c_cflag |= PARENB;
    } else if (config.parity == 'O') {
        tio.c_cflag |= PARENB | PARODD;
    }
    if (config.stopBits == 2) {
        tio.c_cflag |= CSTOPB;
    }
    speed_t speed = SpeedOf(config.baud);
    if (speed != B0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        *error = std::string("cannot set the line settings: ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<SerialLine> SerialLine::OpenPty(const LineConfig& config, std::string* error) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return nullptr;
    }
    // The terminal side starts raw, so that no CR is turned into a line feed
    // even before the driver sets its own line up.
    if (!Configure(slave, config, error)) {
        close(master);
        close(slave);
        return nullptr;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<SerialLine>(new SerialLine(master, slave, name));
}

std::unique_ptr<SerialLine> SerialLine::OpenDevice(const std::string& path,
                                                   const LineConfig& config, std::string* error) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!Configure(fd, config, error)) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<SerialLine>(new SerialLine(fd, -1, path));
}

SerialLine::~SerialLine() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (peer_ >= 0) {
        close(peer_);
    }
}

size_t SerialLine::Write(const uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // full (EAGAIN) or gone: the rest is lost on the line
        }
    }
    return done;
}

size_t SerialLine::Unread() const {
    int queued = 0;
    if (peer_ < 0 || ioctl(peer_, FIONREAD, &queued) != 0 || queued < 0) {
        return 0;
    }
    return static_cast<size_t>(queued);
}

void SerialLine::DropIncoming() {
    uint8_t scratch[256];
    while (read(fd_, scratch, sizeof scratch) > 0) {
    }
}

} // namespace sim
