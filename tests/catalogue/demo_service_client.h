// Test-side access to the demo version service started by the catalogue's CTest fixtures
// (demo_service_fixture.sh): its address, its control route and its request log.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storvane::fakes {

class DemoService {
public:
    // Reads the port from the folder named by STORVANE_DEMO_SERVICE; nullopt when missing.
    static std::optional<DemoService> Load();

    int port() const { return port_; }
    // "http://127.0.0.1:<port>", the base the launcher puts in front of "/api/group/zor".
    std::string Base() const;
    std::string Url(std::string_view path) const { return Base() + std::string(path); }

    // POST /__control with a JSON body (ASCII, or \u escapes). True on 200.
    bool Control(std::string_view json) const;
    // Back to the shipped catalogue, with a byte-order mark, no version overrides for the
    // three demo tools.
    bool Restore() const;

    // Request lines ("GET /path") seen so far.
    std::vector<std::string> Log() const;

private:
    int port_ = 0;
};

}  // namespace storvane::fakes
