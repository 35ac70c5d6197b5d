// tarvik-host: loads the TARVIK driver module as a process-visualisation host
// does, starts it on a serial port and shows the readings it delivers.
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <future>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "console_command.h"
#include "cp437.h"
#include "driver_module.h"
#include "host_session.h"
#include "live_output.h"
#include "pelkcore.h"

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

enum ExitCode {
    ExitOk = 0,
    ExitSetup = 1,      // bad options, a driver that will not load or refuses its gates
    ExitPortFailed = 3, // the port would not open
    ExitStopFailed = 4, // the driver would not stop (or would not close its port)
};

std::atomic<bool> signalled{false};
extern "C" void OnSignal(int) {
    signalled = true;
}

const char* const logLost = "TARVIK> StartThread() COM err";
const char* const logBack = "TARVIK> StartThread() ... continue communicating";
const char* const logPortFailed = "TARVIK> ColdStart() error opening COM port";

// Everything the driver's threads and the console hand to the main thread.
struct Inbox {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<pelkcore::GateState> updates;
    std::deque<std::pair<int, std::string>> logLines;
    std::deque<std::string> replies;
    std::deque<std::string> events; // "comm-lost", "comm-back"
    bool quit = false;
};

struct Options {
    std::string driver;
    std::string port;
    uint32_t instance = 0;
    std::optional<uint16_t> baud;
    std::optional<uint16_t> dataBits;
    std::string parity;
    std::string stopBits;
    std::string format = "status";
    double duration = 0;
    double stopTimeout = 15;
    std::vector<std::string> settings;
    std::string logPath;
    bool quiet = false;
};

uint16_t ParityCode(const std::string& name) {
    static const std::map<std::string, uint16_t> codes = {
        {"none", 0}, {"odd", 1}, {"even", 2}, {"mark", 3}, {"space", 4}};
    return codes.at(name);
}

uint16_t StopBitsCode(const std::string& name) {
    return name == "1" ? 0 : name == "1.5" ? 1 : 2;
}

std::string LineText(const LineSettings& line) {
    static const char* parities[] = {"none", "odd", "even", "mark", "space"};
    static const char* stops[] = {"1", "1.5", "2"};
    return std::to_string(line.baudRate) + " baud, " + std::to_string(line.dataBits & 0xFF) +
           " data bits, parity " + ((line.parity & 0xFF) < 5 ? parities[line.parity & 0xFF] : "?") +
           ", stop bits " + ((line.stopBits & 0xFF) < 3 ? stops[line.stopBits & 0xFF] : "?");
}

// Runs EndVpi, giving it `limit` to come back; false when it did not.
bool EndWithin(host::HostSession& session, double limit, int32_t* result, double* took) {
    auto started = Clock::now();
    auto done = std::make_shared<std::promise<int32_t>>();
    auto future = done->get_future();
    std::thread([&session, done] { done->set_value(session.EndVpi()); }).detach();
    if (future.wait_for(std::chrono::duration<double>(limit)) != std::future_status::ready) {
        return false;
    }
    *result = future.get();
    *took = std::chrono::duration<double>(Clock::now() - started).count();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{"tarvik-host: runs the TARVIK driver module as a host does and shows the "
                 "weight, tare, motion and sign it delivers.\nStandard input takes " +
                 std::string(host::consoleHelp)};
    app.add_option("--driver", o.driver,
                   "The driver module (default: TARVIKDL next to this program)");
    app.add_option(
           "--port", o.port,
           "Serial port the indicator is on, as the driver opens it (at most 11 characters)")
        ->required();
    app.add_option("--instance", o.instance,
                   "Instance number; chooses the INT file TARVIKnn.INT, TARVIKn.INT or TARVIK.INT")
        ->capture_default_str();
    app.add_option("--baud", o.baud, "Baud rate (default: the driver's proposal)");
    app.add_option("--data-bits", o.dataBits, "Data bits (default: the driver's proposal)")
        ->check(CLI::Range(5, 8));
    app.add_option("--parity", o.parity, "Parity (default: the driver's proposal)")
        ->check(CLI::IsMember({"none", "odd", "even", "mark", "space"}));
    app.add_option("--stop-bits", o.stopBits, "Stop bits (default: the driver's proposal)")
        ->check(CLI::IsMember({"1", "1.5", "2"}));
    app.add_option(
           "--format", o.format,
           "status: a live status line; json or csv: one record per gate update on standard output")
        ->check(CLI::IsMember({"status", "json", "csv"}))
        ->capture_default_str();
    app.add_option("--duration", o.duration,
                   "Stop by itself after this many seconds (0: run until Ctrl-C or quit)")
        ->check(CLI::NonNegativeNumber);
    app.add_option(
        "--set", o.settings,
        "KEY=VALUE: write a setting (SAMPLE, REACTION, SYNC, RETRIES, DEBUG) after the start");
    app.add_option("--log", o.logPath,
                   "Write the driver's log to this file (default: standard error)");
    app.add_option("--stop-timeout", o.stopTimeout, "Seconds to wait for the driver to stop")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_flag("--quiet", o.quiet, "Do not show the driver's log lines above the status line");
    CLI11_PARSE(app, argc, argv);

    if (o.port.empty() || o.port.size() > 11) {
        std::cerr << "tarvik-host: the port name \"" << o.port
                  << "\" does not fit the driver's 11 characters; use a shorter name or a "
                     "short symbolic link to the device\n";
        return ExitSetup;
    }
    std::vector<std::pair<int, double>> settings;
    for (const std::string& text : o.settings) {
        int gate = 0;
        double value = 0;
        std::string error;
        if (!host::ParseSetting(text, &gate, &value, &error)) {
            std::cerr << "tarvik-host: --set " << error << "\n";
            return ExitSetup;
        }
        settings.emplace_back(gate, value);
    }

    const bool statusMode = o.format == "status";
    const bool terminal = statusMode && isatty(fileno(stdout));
    // On a terminal the log lines are shown above the status line instead.
    if (!o.logPath.empty()) {
        if (!pelkcore::OpenLogFile(o.logPath)) {
            std::cerr << "tarvik-host: cannot write the log file " << o.logPath << "\n";
            return ExitSetup;
        }
    } else if (terminal) {
#if defined(_WIN32)
        pelkcore::OpenLogFile("NUL");
#else
        pelkcore::OpenLogFile("/dev/null");
#endif
    }

    Inbox inbox;
    std::atomic<bool> portFailed{false};
    int logToken = pelkcore::SubscribeLog([&](int level, const std::string& text) {
        std::lock_guard lock(inbox.mutex);
        if (text.starts_with(logLost)) {
            inbox.events.push_back("comm-lost");
        } else if (text.starts_with(logBack)) {
            inbox.events.push_back("comm-back");
        } else if (text.starts_with(logPortFailed)) {
            portFailed = true;
        }
        if (terminal && !o.quiet) {
            inbox.logLines.emplace_back(level, text);
        }
        inbox.wake.notify_one();
    });

    std::string error;
    if (o.driver.empty()) {
        o.driver = host::DefaultModulePath();
    }
    auto module = host::DriverModule::Load(o.driver, &error);
    if (!module) {
        std::cerr << "tarvik-host: " << error << "\n";
        return ExitSetup;
    }
    host::HostSession session(*module, o.instance);
    host::DriverInfo info;
    if (session.GetVpiInfo(&info) != 0) {
        std::cerr << "tarvik-host: GetVpiInfo failed; is " << o.driver << " the TARVIK driver?\n";
        return ExitSetup;
    }
    std::ostream& text = statusMode ? std::cout : std::cerr;
    text << host::Cp437ToUtf8(info.banner) << "\n"
         << "maker:   " << info.maker << "\n"
         << "device:  " << info.device << "\n"
         << "context: " << info.contextSize
         << " bytes; proposed line: " << LineText(info.lineSettings) << "\n";
    if (!session.BindGates(&error)) {
        std::cerr << "tarvik-host: " << error << "\n";
        return ExitSetup;
    }

    LineSettings line = info.lineSettings;
    if (o.baud) {
        line.baudRate = *o.baud;
    }
    if (o.dataBits) {
        line.dataBits = *o.dataBits;
    }
    if (!o.parity.empty()) {
        line.parity = ParityCode(o.parity);
    }
    if (!o.stopBits.empty()) {
        line.stopBits = StopBitsCode(o.stopBits);
    }

    auto started = Clock::now();
    auto Seconds = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    int gateToken = pelkcore::SubscribeGates([&](const pelkcore::GateState& gate) {
        std::lock_guard lock(inbox.mutex);
        inbox.updates.push_back(gate);
        inbox.wake.notify_one();
    });

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    text << "port:    " << o.port << ", " << LineText(line) << ", instance " << o.instance << "\n";
    session.ColdStart(o.port, line);
    pelkcore::FlushLog();
    if (portFailed) {
        int32_t result = 0;
        double took = 0;
        EndWithin(session, o.stopTimeout, &result, &took);
        pelkcore::StopLog();
        std::cerr << "tarvik-host: the port " << o.port
                  << " would not open. Check its name (the device as the driver opens it), that "
                     "no other program holds it, and that you may use it (on Linux: membership "
                     "of the dialout group).\n";
        return ExitPortFailed;
    }
    for (auto [gate, value] : settings) {
        int32_t result = session.Write(gate, value);
        text << "set " << host::driverGates[static_cast<size_t>(gate)].address << "=" << value
             << ": " << (result == 0 ? "taken" : "refused (out of range)") << "\n";
    }
    if (!statusMode) {
        std::cerr.flush();
    }
    if (o.format == "csv") {
        std::cout << host::csvHeader << std::endl;
    }

    // Console commands run on a thread of their own, as a host's operator would.
    std::atomic<bool> stopping{false};
    std::thread([&] {
        for (std::string input; std::getline(std::cin, input);) {
            host::ConsoleCommand command = host::ParseConsoleCommand(input);
            if (stopping) {
                return;
            }
            std::string reply;
            auto Result = [](const char* name, int32_t result) {
                return std::string(name) + " -> " + std::to_string(result);
            };
            switch (command.kind) {
            case host::ConsoleCommand::Empty:
                continue;
            case host::ConsoleCommand::Invalid:
                reply = "error: " + command.error;
                break;
            case host::ConsoleCommand::Help:
                reply = host::consoleHelp;
                break;
            case host::ConsoleCommand::Close:
                reply = Result("close", session.CloseCom());
                break;
            case host::ConsoleCommand::Reopen:
                reply = Result("reopen", session.ReOpenCom());
                break;
            case host::ConsoleCommand::Warm:
                reply = Result("warm", session.WarmStart());
                break;
            case host::ConsoleCommand::Change: {
                LineSettings next{};
                if (command.baud != 0) {
                    next = line;
                    next.baudRate = command.baud;
                }
                reply = Result("change",
                               session.ChangeVpiParams(command.port, command.readTimeout, next));
                break;
            }
            case host::ConsoleCommand::Set: {
                int32_t result = session.Write(command.gate, command.value);
                reply = Result("set", result) + (result == 0 ? "" : " (refused: out of range)");
                break;
            }
            case host::ConsoleCommand::Read: {
                double value = 0;
                bool filled = false;
                int32_t result = session.Read(command.gate, &value, &filled);
                reply = std::string("read ") +
                        host::driverGates[static_cast<size_t>(command.gate)].address + " -> " +
                        std::to_string(result) +
                        (result == 0 && filled ? " value " + host::DisplayValue(value)
                         : result == 0         ? " (no value yet: link not synchronised)"
                         : result == 2         ? " (no communication with the indicator)"
                                               : "");
                break;
            }
            case host::ConsoleCommand::Quit: {
                std::lock_guard lock(inbox.mutex);
                inbox.quit = true;
                inbox.wake.notify_one();
                return;
            }
            }
            std::lock_guard lock(inbox.mutex);
            inbox.replies.push_back(reply);
            inbox.wake.notify_one();
        }
    }).detach();

    // The main loop: print what arrived, refresh the status line.
    std::map<std::string, pelkcore::GateState> latest;
    std::deque<Clock::time_point> recentWeights;
    host::CommView comm = host::CommView::Waiting;
    uint64_t losses = 0;
    uint64_t recoveries = 0;
    auto lastPlainStatus = Clock::now();
    std::string statusShown;
    auto Above = [&](const std::string& line) { // a line above the status line
        if (terminal) {
            std::cout << "\r\033[K" << line << "\n" << statusShown << std::flush;
        } else if (statusMode) {
            std::cout << line << "\n";
        } else if (o.format == "json") {
            std::cout << line << "\n";
        } else {
            std::cerr << line << "\n";
        }
    };
    for (;;) {
        std::deque<pelkcore::GateState> updates;
        std::deque<std::pair<int, std::string>> logLines;
        std::deque<std::string> replies, events;
        bool quit = false;
        {
            std::unique_lock lock(inbox.mutex);
            inbox.wake.wait_for(lock, std::chrono::milliseconds(100), [&] {
                return !inbox.updates.empty() || !inbox.replies.empty() || !inbox.events.empty() ||
                       inbox.quit;
            });
            updates.swap(inbox.updates);
            logLines.swap(inbox.logLines);
            replies.swap(inbox.replies);
            events.swap(inbox.events);
            quit = inbox.quit;
        }
        double t = Seconds();
        for (const auto& [level, line] : logLines) {
            Above((level == 32 ? "! " : "  ") + line);
        }
        for (const std::string& event : events) {
            if (event == "comm-lost") {
                ++losses;
                comm = host::CommView::Lost;
            } else {
                ++recoveries;
                comm = host::CommView::Ok;
            }
            if (o.format == "json") {
                Above("{\"type\":\"event\",\"t\":" + host::JsonTime(t) + ",\"event\":\"" + event +
                      "\"}");
            } else if (!terminal || o.quiet) {
                Above(event == "comm-lost" ? "communication lost" : "communication back");
            }
        }
        for (const std::string& reply : replies) {
            Above(o.format == "json" ? "{\"type\":\"reply\",\"t\":" + host::JsonTime(t) +
                                           ",\"text\":" + host::JsonString(reply) + "}"
                                     : "> " + reply);
        }
        for (const pelkcore::GateState& gate : updates) {
            latest[gate.address] = gate;
            if (std::string(gate.address) == "WEIGHT") {
                recentWeights.push_back(gate.lastUpdate);
                if (comm == host::CommView::Waiting) {
                    comm = host::CommView::Ok;
                }
            }
            if (o.format == "json") {
                std::cout << host::JsonUpdate(
                                 std::chrono::duration<double>(gate.lastUpdate - started).count(),
                                 gate)
                          << "\n";
            } else if (o.format == "csv") {
                std::cout << host::CsvUpdate(
                                 std::chrono::duration<double>(gate.lastUpdate - started).count(),
                                 gate)
                          << "\n";
            }
        }
        if (!statusMode) {
            std::cout.flush();
        }
        auto now = Clock::now();
        while (!recentWeights.empty() && now - recentWeights.front() > std::chrono::seconds(2)) {
            recentWeights.pop_front();
        }
        if (statusMode) {
            host::StatusView view;
            view.comm = comm;
            view.updatesPerSecond = static_cast<double>(recentWeights.size()) / 2.0;
            if (auto w = latest.find("WEIGHT"); w != latest.end()) {
                view.anyValue = true;
                view.weight = w->second.value;
                view.weightFailed = w->second.failed;
                view.ageSeconds = std::chrono::duration<double>(now - w->second.lastUpdate).count();
            }
            view.tare = latest.count("TARE") ? latest["TARE"].value : 0;
            view.motion = latest.count("MOTION") && latest["MOTION"].value != 0;
            view.negative = latest.count("NEGATIVE") && latest["NEGATIVE"].value != 0;
            statusShown = host::StatusLine(view);
            if (terminal) {
                std::cout << "\r\033[K" << statusShown << std::flush;
            } else if (now - lastPlainStatus >= std::chrono::seconds(1)) {
                std::cout << statusShown << std::endl;
                lastPlainStatus = now;
            }
        }
        if (signalled || quit || (o.duration > 0 && t >= o.duration)) {
            break;
        }
    }

    // Ending: EndVpi stops the polling thread and closes the port.
    stopping = true;
    if (terminal) {
        std::cout << "\n";
    }
    int32_t endResult = 0;
    double took = 0;
    bool ended = EndWithin(session, o.stopTimeout, &endResult, &took);
    pelkcore::UnsubscribeGates(gateToken);
    pelkcore::FlushLog();
    pelkcore::UnsubscribeLog(logToken);
    {
        std::lock_guard lock(inbox.mutex);
        for (const auto& [level, line] : inbox.logLines) { // the driver's last words
            std::cout << (level == 32 ? "! " : "  ") << line << "\n";
        }
        inbox.logLines.clear();
    }

    uint64_t values = 0;
    uint64_t flags = 0;
    std::string perGate;
    for (int gate = 0; gate < host::measuredGates; ++gate) {
        pelkcore::GateState state;
        if (pelkcore::ReadGate(session.GateId(gate), &state)) {
            values += state.updates;
            flags += state.failures;
            perGate += std::string(perGate.empty() ? "" : ", ") + state.address + " " +
                       std::to_string(state.updates);
        }
    }
    std::ostream& summary = statusMode ? std::cout : std::cerr;
    summary << "summary: " << values << " values received (" << perGate << "), " << flags
            << " failure marks, " << losses << " communication losses, " << recoveries
            << " recoveries, " << Seconds() << " s\n";
    if (o.format == "json") {
        std::cout << "{\"type\":\"summary\",\"values\":" << values << ",\"flags\":" << flags
                  << ",\"losses\":" << losses << ",\"recoveries\":" << recoveries
                  << ",\"endvpi\":" << (ended ? std::to_string(endResult) : "null")
                  << ",\"stop_seconds\":" << host::JsonNumber(ended ? took : -1) << "}\n";
    }
    if (!ended) {
        summary << "tarvik-host: the driver did not stop within " << o.stopTimeout
                << " s (EndVpi has not returned); its polling thread may hang in a read. "
                   "Try a longer --stop-timeout, and check the port.\n";
        summary.flush();
        std::cout.flush();
        module->Pin();
        pelkcore::StopLog();
        std::_Exit(ExitStopFailed);
    }
    summary << "EndVpi -> " << endResult << " after " << took << " s\n";
    pelkcore::StopLog();
    if (endResult != 0) {
        std::cerr << "tarvik-host: EndVpi returned " << endResult
                  << ": the driver could not close the port " << o.port << "\n";
        return ExitStopFailed;
    }
    return ExitOk;
}
