#pragma once

#include "serial/Comm.h"

#include <gtest/gtest.h>
#include <initializer_list>

namespace tolvo::test {

// Passes when every port is open; otherwise names each one that is not, with
// its path and the reason its opening failed, so a test stops there at once.
inline ::testing::AssertionResult PortsOpen(const Comm& comm, std::initializer_list<int> ports)
{
    ::testing::AssertionResult closed = ::testing::AssertionFailure();
    bool all = true;
    for (const int i : ports) {
        if (comm.PortOpen(i)) continue;
        all = false;
        const QString why = comm.OpenError(i);
        closed << PortDevices()[size_t(i)].table << " (port " << i << ") did not open: "
               << (why.isEmpty() ? std::string("not in use or no port set") : why.toStdString()) << "; ";
    }
    return all ? ::testing::AssertionSuccess() : closed;
}

} // namespace tolvo::test
