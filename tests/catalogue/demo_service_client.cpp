#include "demo_service_client.h"

#include <cstdlib>
#include <fstream>

#include "support/test_server.h"

namespace storvane::fakes {
namespace {

testsupport::TestServer Plain(int port) {
    testsupport::TestServer server;
    server.http = port;
    return server;
}

}  // namespace

std::optional<DemoService> DemoService::Load() {
    const char* state = std::getenv("STORVANE_DEMO_SERVICE");
    if (state == nullptr || *state == '\0') return std::nullopt;
    std::string folder = state;
    // The fixture hands over a host path; Wine reaches it through drive Z:.
    if (folder.front() == '/') folder = "Z:" + folder;
    std::ifstream in(folder + "/port");
    DemoService service;
    if (!(in >> service.port_) || service.port_ <= 0) return std::nullopt;
    return service;
}

std::string DemoService::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

bool DemoService::Control(std::string_view json) const {
    auto reply = Plain(port_).Exchange("POST", "/__control", json);
    return reply && reply->status == 200;
}

bool DemoService::Restore() const {
    return Control(R"({"catalogue": null, "bom": true, "entries": 0,
                       "versions": {"dianpu": "1.0.3", "caiji": 2.5, "dingdan": "3.2.0"}})");
}

std::vector<std::string> DemoService::Log() const {
    std::vector<std::string> lines;
    auto reply = Plain(port_).Exchange("GET", "/__log");
    if (!reply || reply->status != 200) return lines;
    std::string line;
    for (uint8_t b : reply->body) {
        if (b == '\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(b);
        }
    }
    return lines;
}

}  // namespace storvane::fakes
