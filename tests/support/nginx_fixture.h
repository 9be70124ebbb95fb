// The nginx that tools/test-nginx runs for the tests (the CTest fixture "nginx" of
// tests/CMakeLists.txt): Debian's nginx on 127.0.0.1 with real Range, If-Range, ETag and
// Last-Modified handling, serving the sandbox folder Z:\www. A test writes a file under
// NginxRoot() and fetches it from NginxUrl() of the same relative path.
//
//   const std::string port = NginxUrl("");
//   ASSERT_FALSE(port.empty()) << NginxMissing();
//
// nginx's ETag is its file's modification time and size: a test that replaces a file and wants
// the server to see a new version changes its size or its time.
#pragma once

#include <string>

namespace tarnvel::test {

// "Z:\www\" (the folder nginx serves), with a trailing backslash.
std::string NginxRoot();
// The port nginx listens on, read from Z:\www-port.txt; 0 when no server was started.
int NginxPort();
// "http://127.0.0.1:PORT/" followed by the relative path (backslashes become slashes); "" when
// no server was started.
std::string NginxUrl(const std::string& relativePath);
// Why NginxUrl gave nothing, for a test's failure message.
std::string NginxMissing();

}  // namespace tarnvel::test
