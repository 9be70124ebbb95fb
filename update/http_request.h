// HTTP GET and POST for the user-interface thread: the request runs on a worker thread over the
// system's Internet client while the caller keeps dispatching window messages, and gives up
// after a time-out.
//
//   std::string headers, error;
//   const ByteString page = HttpRequest(url, "GET", "", "", "", "", "", 10, &headers, &error);
//   if (!error.empty()) ... the request failed; `page` and `headers` are empty ...
//
// How a call ends:
//   - An answer came (whatever its status, 404 and 500 included): the body is returned, the raw
//     header block (status line first, lines ending in "\r\n") goes to `responseHeaders`, and
//     `error` is set to "".
//   - Anything else (a method other than GET or POST, a connection that cannot be made, a send
//     or read that fails part-way, the time-out): the body and headers are empty and `error`
//     says what went wrong. An empty body with an empty error is a real, empty answer.
//
// The time-out runs from the start of the call: window messages dispatched meanwhile (a timer
// that ticks every second) do not extend it. At the time-out the worker's Internet handles are
// closed so that its calls return; it then ends on its own and whatever it produced is dropped.
//
// Requests always go to the server (never the cache); cookies that answers set are kept in the
// process's cookie store and sent with later requests to the same host. Window events, including
// another HttpRequest, may run inside the wait; each call is independent of the others.
#pragma once

#include <string>

#include "runtime/openfile.h"
#include "runtime/values.h"

namespace tarnvel {

// url: "http://host[:port]/path?query" ("https://" too). method: "" or GET, or POST, in any
// letter case; the text is sent as given. proxy: "host:port" of an HTTP proxy, blank for a
// direct connection. user, password: credentials for the server, blank for none.
// extraHeaders: complete header lines, each ending in "\r\n". postData: the body of a POST
// (ignored for GET). timeoutSeconds: 0 or less means 90.
ByteString HttpRequest(const std::string& url, const std::string& method = "", const std::string& proxy = "",
                       const std::string& user = "", const std::string& password = "",
                       const std::string& extraHeaders = "", const std::string& postData = "",
                       int timeoutSeconds = 0, std::string* responseHeaders = nullptr,
                       std::string* error = nullptr);

// The worker's body, run on the calling thread: reads the request from the block (the marker
// "MissWho", then URL, method, proxy, user, password, extra headers and post data, each a text in
// the data format), empties the block, performs the request and writes back "MissWho_OK", the
// raw headers (text) and the body (byte string), or "MissWho_FAIL" and the reason (text).
// False when the block is unknown or does not start with the marker (the block is then left
// alone) or when the request failed; true once an answer was written.
bool HttpRequestWorker(FileNumber block);

// Worker threads still running, including those of timed-out calls that have not ended yet.
int HttpWorkersRunning();

}  // namespace tarnvel
