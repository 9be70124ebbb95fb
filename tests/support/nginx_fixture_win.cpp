#include "tests/support/nginx_fixture.h"

#include <fstream>

namespace tarnvel::test {

std::string NginxRoot() { return "Z:\\www\\"; }

int NginxPort() {
  std::ifstream in("Z:\\www-port.txt");
  int port = 0;
  if (!(in >> port) || port <= 0 || port > 65535) return 0;
  return port;
}

std::string NginxUrl(const std::string& relativePath) {
  const int port = NginxPort();
  if (port == 0) return {};
  std::string path = relativePath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (!path.empty() && path.front() == '/') path.erase(0, 1);
  return "http://127.0.0.1:" + std::to_string(port) + "/" + path;
}

std::string NginxMissing() {
  return "no nginx for the tests: Z:\\www-port.txt is missing; run the tests through ctest (fixture "
         "\"nginx\") or start it with tools/test-nginx start BUILD_DIR";
}

}  // namespace tarnvel::test
