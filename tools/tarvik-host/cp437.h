// Shows the driver's code page 437 texts (the banner box) in a UTF-8 terminal.
#pragma once

#include <string>

namespace host {

// Printable characters and line feeds are kept; other control characters
// (the banner's leading backspace) are left out.
std::string Cp437ToUtf8(const std::string& text);

} // namespace host
