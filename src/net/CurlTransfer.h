#pragma once

#include <curl/curl.h>

namespace quillet {

// Drives one transfer to its end with waits of at most 10 ms: the library's
// own loop can miss a passive-mode reply that came early and then sleeps a
// whole second before it opens the data connection. A stop request of the
// thread (CancelRequested) ends it with CURLE_ABORTED_BY_CALLBACK.
CURLcode RunTransfer(CURLM* multi, CURL* curl);

// Time-outs for a server that accepts and then stops answering, and for a
// transfer that stops moving.
void SetStallTimeouts(CURL* curl);

} // namespace quillet
