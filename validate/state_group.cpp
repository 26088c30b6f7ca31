// The settings in the scene: a default instance saves 4 0 0 1 0; save, load and save again give the
// same integers, whatever they are; a data block of random length and values loads without harm.
#include "validate/groups.h"

#include "validate/byte_reader.h"
#include "validate/checked_host.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <sstream>

namespace validate {
namespace {

std::string listOf(const std::vector<std::int32_t> &values) {
    std::ostringstream out;
    for (std::size_t i = 0; i < values.size(); ++i) out << (i ? " " : "") << values[i];
    return out.str();
}

std::vector<std::int32_t> randomValues(Random &random, std::size_t count) {
    std::vector<std::uint8_t> bytes(count * 5);
    for (auto &b : bytes) b = static_cast<std::uint8_t>(random());
    ByteReader reader(bytes);
    std::vector<std::int32_t> values(count);
    for (auto &value : values) value = reader.interestingInt();
    return values;
}

}  // namespace

std::string runStateGroup(const GroupOptions &options) {
    const int rounds = options.quick ? 1000 : 10000;
    constexpr int instanceLife = 100;  // round trips before the instances are made anew
    Random random(options.seed);
    hostsim::Scene scene;
    scene.frames = {0, 48, 24.0};
    scene.items.push_back(targetItem("Sun", hostsim::Motion::fixed({30, 40, -50})));
    scene.items.push_back(meshItem("Ten", randomLeaves(10, random)));
    CheckedHost host(options.module, std::move(scene));

    TrackedInstance *first = &host.create(1);
    if (const auto defaults = host.save(*first); defaults != hostsim::VistrelleSettings{}.stored())
        fail("a new instance saved " + listOf(defaults) + "; expected " +
             listOf(hostsim::VistrelleSettings{}.stored()));
    TrackedInstance *second = &host.create(1);
    TrackedInstance *block = &host.create(1);
    std::uniform_int_distribution<std::size_t> blockLength(0, 12);
    for (int i = 0; i < rounds; ++i) {
        if (i > 0 && i % instanceLife == 0) {
            host.destroy(*first);
            host.destroy(*second);
            host.destroy(*block);
            first = &host.create(1);
            second = &host.create(1);
            block = &host.create(1);
        }
        const std::vector<std::int32_t> settings = randomValues(random, 5);
        try {
            host.load(*first, settings);
            const auto saved = host.save(*first);
            host.load(*second, saved);
            host.save(*second);
            host.frame(*second, i % 48);
        } catch (const std::exception &error) {
            fail("round trip " + std::to_string(i + 1) + " of " + listOf(settings) + ": " +
                 error.what());
        }
        const std::vector<std::int32_t> data = randomValues(random, blockLength(random));
        try {
            host.load(*block, data);
            const auto saved = host.save(*block);
            for (std::size_t k = 0; k < std::min<std::size_t>(data.size(), 5); ++k)
                if (saved[k] != data[k])
                    fail("save wrote " + listOf(saved) + "; expected it to begin with the " +
                         std::to_string(std::min<std::size_t>(data.size(), 5)) + " values loaded");
            host.frame(*block, i % 48);
            host.checkDescribe(*block);
            host.checkUseItems(*block);
        } catch (const std::exception &error) {
            fail("data block " + std::to_string(i + 1) + " [" + listOf(data) +
                 "]: " + error.what());
        }
    }
    return std::to_string(rounds) + " save-load-save round trips and " + std::to_string(rounds) +
           " random data blocks";
}

}  // namespace validate
