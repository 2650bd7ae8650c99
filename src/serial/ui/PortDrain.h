#pragma once

namespace zkd {

class IClock;
class IPrompts;
class MSComm1;

// Waits until what was written to the port has left it, letting window events
// run meanwhile. Past a deadline of 10 s (monotonic, so that a wait across
// midnight still ends) the user is asked whether the data cannot be sent:
// Abort gives false and the port stays open, Retry waits another 10 s, Ignore
// stops waiting. True also when the port closed meanwhile.
bool waitUntilSent(MSComm1 &comm, IClock &clock, IPrompts &prompts);

} // namespace zkd
