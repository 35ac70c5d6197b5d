// indicator-sim: plays a weighing indicator that streams Continuous Output
// Format messages, on a pseudo-terminal it creates or on a serial device.
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "faults.h"
#include "frame_builder.h"
#include "line.h"
#include "random.h"
#include "scenario.h"
#include "send_log.h"

namespace {

using Clock = std::chrono::steady_clock;
std::atomic<bool> stopRequested{false};

extern "C" void OnSignal(int) {
    stopRequested = true;
}

struct Options {
    std::string device;
    std::string link;
    std::string scenarioFile;
    std::string play = "fill";
    std::string logPath;
    sim::LineConfig line;
    std::string parity = "even";
    double rate = 0;
    double duration = 0;
    int64_t seed = -1;
    size_t queue = 1200;
    bool show = false;
};

// Points `link` at `target`, replacing what was there in one step.
bool Relink(const std::string& link, const std::string& target) {
    std::error_code ec;
    std::string temp = link + ".new";
    std::filesystem::remove(temp, ec);
    std::filesystem::create_symlink(target, temp, ec);
    if (ec) {
        return false;
    }
    std::filesystem::rename(temp, link, ec);
    return !ec;
}

std::unique_ptr<sim::SerialLine> OpenLine(const Options& o, std::string* error) {
    auto line = o.device.empty() ? sim::SerialLine::OpenPty(o.line, error)
                                 : sim::SerialLine::OpenDevice(o.device, o.line, error);
    if (line && !o.link.empty() && !Relink(o.link, line->Path())) {
        *error = "cannot point " + o.link + " at " + line->Path();
        return nullptr;
    }
    return line;
}

std::string ReadFile(const std::string& path, bool* ok) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    *ok = static_cast<bool>(in) || in.eof();
    return text.str();
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{"indicator-sim: plays a weighing indicator that streams Continuous Output "
                 "Format messages.\nWithout --device it creates a pseudo-terminal and prints "
                 "its path as the first line on standard output."};
    app.add_option("--device", o.device,
                   "Write to this serial device instead of a pseudo-terminal");
    app.add_option("--link", o.link,
                   "Keep a symbolic link with this name pointing at the line (follows an outage)");
    app.add_option("--scenario", o.scenarioFile, "Play the scenario in this file");
    std::string names;
    for (const auto& name : sim::BuiltinScenarioNames()) {
        names += (names.empty() ? "" : ", ") + name;
    }
    app.add_option("--play", o.play, "Play a built-in scenario: " + names)->capture_default_str();
    app.add_flag("--show", o.show, "Print the scenario text and exit");
    app.add_option("--log", o.logPath, "Write the log of everything sent to this file");
    app.add_option("--baud", o.line.baud, "Baud rate; sets the pace of the messages")
        ->capture_default_str();
    app.add_option("--data-bits", o.line.dataBits, "Data bits (7 or 8)")
        ->check(CLI::IsMember({7u, 8u}))
        ->capture_default_str();
    app.add_option("--parity", o.parity, "Parity")
        ->check(CLI::IsMember({"none", "odd", "even"}))
        ->capture_default_str();
    app.add_option("--stop-bits", o.line.stopBits, "Stop bits (1 or 2)")
        ->check(CLI::IsMember({1u, 2u}))
        ->capture_default_str();
    app.add_option("--rate", o.rate,
                   "Messages per second instead of back to back at the line's pace")
        ->check(CLI::Range(0.1, 1000.0));
    app.add_option(
           "--duration", o.duration,
           "Stop after this many seconds (default: the scenario's end, or never if it loops)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--seed", o.seed, "Seed of the faults (default: the scenario's)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--queue", o.queue,
                   "Receive queue of the host side in bytes: a message that finds it full is "
                   "lost, as in an overrun (pseudo-terminal only; 0: unlimited)")
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);
    o.line.parity = o.parity == "none" ? 'N' : o.parity == "odd" ? 'O' : 'E';

    std::string text;
    std::string source;
    if (!o.scenarioFile.empty()) {
        bool ok = false;
        text = ReadFile(o.scenarioFile, &ok);
        if (!ok) {
            std::cerr << "indicator-sim: cannot read the scenario " << o.scenarioFile << "\n";
            return 2;
        }
        source = o.scenarioFile;
    } else {
        text = sim::BuiltinScenario(o.play);
        if (text.empty()) {
            std::cerr << "indicator-sim: no built-in scenario \"" << o.play << "\"; try one of "
                      << names << "\n";
            return 2;
        }
        source = "built-in " + o.play;
    }
    if (o.show) {
        std::cout << text;
        return 0;
    }
    std::string error;
    auto scenario = sim::ParseScenario(text, &error);
    if (!scenario) {
        std::cerr << "indicator-sim: " << source << ", " << error << "\n";
        return 2;
    }
    if (o.seed >= 0) {
        scenario->seed = static_cast<uint64_t>(o.seed);
    }

    sim::SendLog log;
    if (!o.logPath.empty() && !log.Open(o.logPath)) {
        std::cerr << "indicator-sim: cannot write the log " << o.logPath << "\n";
        return 2;
    }
    auto line = OpenLine(o, &error);
    if (!line) {
        std::cerr << "indicator-sim: " << error << "\n";
        return 3;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::cout << line->Path() << std::endl;

    // One character is a start bit, the data bits, a parity bit and the stop bits.
    unsigned bitsPerChar = 1 + o.line.dataBits + (o.line.parity == 'N' ? 0 : 1) + o.line.stopBits;
    auto interval = o.rate > 0 ? std::chrono::duration<double>(1.0 / o.rate)
                               : std::chrono::duration<double>(sim::frameBytes * bitsPerChar /
                                                               static_cast<double>(o.line.baud));
    auto step = std::chrono::duration_cast<Clock::duration>(interval);
    std::cerr << "indicator-sim: " << source << " on " << line->Path() << ", one message every "
              << std::chrono::duration<double, std::milli>(interval).count() << " ms\n";

    sim::Random random(scenario->seed);
    auto start = Clock::now();
    auto next = start;
    auto ms = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    log.Event(0, "start", line->Path());
    bool silent = false;
    bool away = false;
    uint64_t sent = 0;
    uint64_t damaged = 0;
    uint64_t lost = 0;
    while (!stopRequested) {
        int64_t now = ms();
        if (o.duration > 0 && now >= static_cast<int64_t>(o.duration * 1000)) {
            break;
        }
        sim::Moment moment = sim::MomentAt(*scenario, now);
        if (moment.finished) {
            break;
        }
        bool wantAway = moment.kind == sim::SegmentKind::Away;
        bool wantSilent = moment.kind == sim::SegmentKind::Silence;
        if (wantAway && !away) {
            line.reset();
            log.Event(now, "away");
            std::cerr << "indicator-sim: the line goes away\n";
            away = true;
        } else if (!wantAway && away) {
            line = OpenLine(o, &error);
            if (!line) {
                std::cerr << "indicator-sim: " << error << "\n";
                return 3;
            }
            log.Event(now, "back", line->Path());
            std::cout << line->Path() << std::endl;
            std::cerr << "indicator-sim: the line is back on " << line->Path() << "\n";
            away = false;
        }
        if (wantSilent != silent) {
            log.Event(now, wantSilent ? "silence-begin" : "silence-end");
            silent = wantSilent;
        }
        if (!away && !silent) {
            line->DropIncoming();
            sim::Frame frame = sim::BuildFrame(moment.reading);
            sim::SentBytes out{{frame.begin(), frame.end()}, {}};
            if (moment.faults.Any()) {
                out = sim::ApplyFaults(frame, moment.faults, random);
            }
            if (o.queue > 0 && o.device.empty() && line->Unread() + out.bytes.size() > o.queue) {
                log.Frame(now, "unsent:overrun", out.bytes, moment.reading);
                ++lost;
            } else {
                size_t written = line->Write(out.bytes.data(), out.bytes.size());
                if (written < out.bytes.size()) {
                    std::vector<uint8_t> part(out.bytes.begin(),
                                              out.bytes.begin() + static_cast<long>(written));
                    log.Frame(now, written == 0 ? "unsent:full" : "damaged:cut", part,
                              moment.reading);
                    ++lost;
                } else if (out.damage.empty()) {
                    log.Frame(now, "intact", out.bytes, moment.reading);
                    ++sent;
                } else {
                    log.Frame(now, "damaged:" + out.damage, out.bytes, moment.reading);
                    ++damaged;
                }
            }
        }
        next += step;
        auto late = Clock::now() - next;
        if (late > std::chrono::seconds(1)) {
            next = Clock::now(); // do not rush to catch up after a stall
        }
        std::this_thread::sleep_until(next);
    }
    log.Event(ms(), "stop");
    std::cerr << "indicator-sim: " << sent << " messages intact, " << damaged << " damaged, "
              << lost << " not delivered\n";
    if (!o.link.empty()) {
        std::error_code ec;
        std::filesystem::remove(o.link, ec);
    }
    return 0;
}
