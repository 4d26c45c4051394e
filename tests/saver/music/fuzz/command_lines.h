// The part the media-control fuzz targets share: each line of an input is
// one command string, sent with reply buffers of every kind in turn (full
// size, too small, none).  A reply that overruns its buffer, or an error
// code without a text, aborts.
#pragma once

#include "mci_layer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace tumbleview::test {

// `takeLine` sees every line first and may rewrite it; it returns true for
// a line it has dealt with itself, which is then not sent.
template <typename TakeLine>
void runCommandLines(MediaControl& layer, std::string_view input, TakeLine takeLine) {
  unsigned line = 0;
  for (std::size_t start = 0; start <= input.size(); ++line) {
    const std::size_t end = std::min(input.find('\n', start), input.size());
    std::string command(input.substr(start, end - start));
    start = end + 1;
    if (takeLine(command)) continue;
    char reply[512];
    const std::uint32_t lengths[] = {sizeof reply, 3, 0};
    const std::uint32_t length = lengths[line % 3];
    const std::uint32_t code = layer.sendString(command.c_str(), length != 0 ? reply : nullptr, length);
    if (length != 0 && strnlen(reply, length) >= length) std::abort();
    char text[256];
    if (code != 0 && !layer.getErrorString(code, text, sizeof text)) std::abort();
  }
}

}  // namespace tumbleview::test
