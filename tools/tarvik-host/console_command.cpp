#include "console_command.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "host_session.h"

namespace host {
namespace {

bool ParseUnsigned(const std::string& text, uint64_t limit, uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 10) {
        return false;
    }
    uint64_t parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (parsed > limit) {
        return false;
    }
    *value = parsed;
    return true;
}

} // namespace

const char* const consoleHelp =
    "commands: set KEY=VALUE (SAMPLE, REACTION, SYNC, RETRIES, DEBUG) | read GATE | close | "
    "reopen | warm | change PORT [timeout=N] [baud=N] | quit";

bool ParseSetting(const std::string& text, int* gate, double* value, std::string* error) {
    auto eq = text.find('=');
    if (eq == std::string::npos) {
        *error = "\"" + text + "\" is not KEY=VALUE";
        return false;
    }
    std::string key = text.substr(0, eq);
    std::string number = text.substr(eq + 1);
    auto index = GateIndex(key);
    if (!index || *index < measuredGates) {
        *error = "\"" + key +
                 "\" is not a setting; the settings are SAMPLE, REACTION, SYNC, "
                 "RETRIES and DEBUG";
        return false;
    }
    uint64_t parsed = 0;
    if (!ParseUnsigned(number, 65535, &parsed)) {
        *error = "\"" + number + "\" is not a number from 0 to 65535";
        return false;
    }
    *gate = *index;
    *value = static_cast<double>(parsed);
    return true;
}

ConsoleCommand ParseConsoleCommand(const std::string& line) {
    ConsoleCommand command;
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.empty()) {
        return command;
    }
    auto Invalid = [&](const std::string& why) {
        command.kind = ConsoleCommand::Invalid;
        command.error = why;
        return command;
    };
    const std::string& verb = words[0];
    auto Bare = [&](ConsoleCommand::Kind kind) {
        if (words.size() != 1) {
            return Invalid("\"" + verb + "\" takes nothing after it");
        }
        command.kind = kind;
        return command;
    };
    if (verb == "help" || verb == "?") {
        return Bare(ConsoleCommand::Help);
    }
    if (verb == "close") {
        return Bare(ConsoleCommand::Close);
    }
    if (verb == "reopen") {
        return Bare(ConsoleCommand::Reopen);
    }
    if (verb == "warm") {
        return Bare(ConsoleCommand::Warm);
    }
    if (verb == "quit" || verb == "exit") {
        return Bare(ConsoleCommand::Quit);
    }
    if (verb == "read") {
        if (words.size() != 2) {
            return Invalid("read takes one gate: read WEIGHT");
        }
        auto index = GateIndex(words[1]);
        if (!index) {
            return Invalid("no gate \"" + words[1] + "\"");
        }
        command.kind = ConsoleCommand::Read;
        command.gate = *index;
        return command;
    }
    if (verb == "set") {
        std::string text;
        if (words.size() == 2) {
            text = words[1];
        } else if (words.size() == 3) {
            text = words[1] + "=" + words[2];
        } else {
            return Invalid("set takes KEY=VALUE: set SAMPLE=100");
        }
        if (!ParseSetting(text, &command.gate, &command.value, &command.error)) {
            return Invalid(command.error);
        }
        command.kind = ConsoleCommand::Set;
        return command;
    }
    if (verb == "change") {
        if (words.size() < 2) {
            return Invalid("change takes a port: change PORT [timeout=N] [baud=N]");
        }
        command.port = words[1];
        if (command.port.size() > 11) {
            return Invalid("a port name has at most 11 characters");
        }
        for (size_t i = 2; i < words.size(); ++i) {
            uint64_t value = 0;
            if (words[i].starts_with("timeout=") &&
                ParseUnsigned(words[i].substr(8), 0xFFFFFFFFu, &value)) {
                command.readTimeout = static_cast<uint32_t>(value);
            } else if (words[i].starts_with("baud=") &&
                       ParseUnsigned(words[i].substr(5), 65535, &value)) {
                command.baud = static_cast<uint16_t>(value);
            } else {
                return Invalid("\"" + words[i] + "\" is neither timeout=N nor baud=N");
            }
        }
        command.kind = ConsoleCommand::Change;
        return command;
    }
    return Invalid("unknown command \"" + verb + "\"; " + consoleHelp);
}

} // namespace host
