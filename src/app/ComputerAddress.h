#pragma once
// How a front-end names a computer on its command line: HOST:PORT:HTTPPORT connects without a
// search; anything else is a name, device tag or address that a search must find.

#include "controllers/ServerListData.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace pd::app {

// HOST:PORT:HTTPPORT (an IPv4 address and two ports) as a computer to connect to without
// discovery; nullopt if it is not one.
std::optional<ServerData> parseAddressTarget(const std::string& text);

// The first row whose device tag or address equals `wanted`, or whose name equals it ignoring
// case.
std::optional<std::size_t> rowForComputer(const std::vector<ServerListData>& rows,
                                          const std::string& wanted);

}  // namespace pd::app
