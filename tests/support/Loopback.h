#pragma once
// A listening TCP socket on an ephemeral loopback port, for tests that play
// a peer (HTTP servers, upload receivers) inside the test process.

#include <cstdint>

namespace vel::test {

// Returns the socket (or -1) and sets `port`; a receiveBuffer above 0 is set
// on the socket before it listens (small buffers make a slow reader).
int ListenOnLoopback(uint16_t& port, int backlog, int receiveBuffer = 0);

} // namespace vel::test
