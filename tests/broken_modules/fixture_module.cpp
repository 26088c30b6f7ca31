// Shared objects that look like plug-in modules but are not usable ones; a host must refuse each
// with a clear message. Built once per kind, chosen by a compile definition.
#include "host/module_descriptor.h"

#include <array>
#include <cstdint>

#if defined(FIXTURE_NO_DESCRIPTOR)

extern "C" int fixtureAnswer() { return 42; }

#else

namespace {

extern "C" std::uintptr_t fixtureStartup() { return 4; }
extern "C" void fixtureShutdown() {}
extern "C" std::int32_t fixtureActivate(std::int32_t, ServiceLookup, void *) { return 1; }

#if defined(FIXTURE_UNCLOSED_SERVERS)
// Far more entries than any host reads, none of them closing the list.
constexpr std::array<ServerEntry, 80> servers = [] {
    std::array<ServerEntry, 80> list{};
    for (auto &entry : list) entry = {"DisplacementHandler", "Endless", &fixtureActivate, 0};
    return list;
}();
#define FIXTURE_MAGIC MODULE_MAGIC
#else
constexpr std::array<ServerEntry, 2> servers = {
    {{"DisplacementHandler", "Fixture", &fixtureActivate, 0}, {}}};
#endif

}  // namespace

extern "C" const ModuleDescriptor _mod_descrip = {
    FIXTURE_MAGIC, 3, 0x300, &fixtureStartup, &fixtureShutdown, servers.data()};

#endif
