// What the update tests share: small file helpers, a message-dispatching wait, and the test
// key pair that signs the update files the tests serve.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace tarnvel::test {

bool WriteText(const std::string& path, const std::string& bytes);
bool WriteBytes(const std::string& path, const ByteString& bytes);
std::string ReadText(const std::string& path);
// The names in a folder, sorted; hidden files included.
std::vector<std::string> Names(const std::string& directory);

// Runs a command line without a window and waits for it (30 s at most); true when it ended
// with exit code 0.
bool RunAndWait(const std::string& commandLine);

// Dispatches window messages until done() holds; false if it does not within the limit (a
// guard against a hung test, not a measure).
bool DispatchUntil(const std::function<bool()>& done, int limitMilliseconds = 60000);

// The public half of the tests' update key (65 bytes 04 ‖ X ‖ Y), and a detached signature
// (r ‖ s) of the data made with its private half. Empty when the build made no test key.
ByteString TestPublicKey();
ByteString SignForTest(const ByteString& data);

}  // namespace tarnvel::test
