#pragma once
// One row of the server list: a computer found by discovery and how the list shows it.

#include "NetWork/ServerData.h"

namespace pd {

struct ServerListData {
    ServerData serverData;
    bool remembered = false;  // a PcList record with bcheck set exists
    bool known = false;       // any PcList record exists (sorts the row first)
    bool current = false;     // the computer of the current or last pairing

    static ServerListData ServerListWifhObj(const ServerData& value) { return {value}; }
};

}  // namespace pd
