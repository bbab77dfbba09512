#pragma once

namespace velnorix {

// velnorix-cli --echo-helper: reads echo requests from `input` and answers each on `output`
// (see probes/echo_helper_protocol.h) until the input ends. The package gives this program
// the raw-socket right, so it does nothing else: numeric addresses only, at most 64 exchanges
// at once, a line too long ends it. Returns the exit status.
int ServeEchoRequests(int input, int output);

} // namespace velnorix
